#include "platform/io/reply_reader.h"

#include <gtest/gtest.h>

#include "block_fixtures.h"
#include "platform/io/io_status.h"
#include "scripted_transport.h"
#include "support/runtime_error_matchers.h"

namespace trv3::io {
namespace {

using testing::codesOf;
using testing::definiteBlock;
using testing::ScriptedTransport;
using testing::VectorTarget;
using trv3::testing::errorNumberOf;

const Deadline kAmpleTime{std::chrono::seconds(5)};

TEST(ReplyReaderText, EndingNewlineOrCarriageReturnNewlineIsRemoved) {
  ScriptedTransport transport;
  transport.feed("1\nON\r\n\nVELMORA,TRV30K2A,SN1,1.04\n");
  ReplyReader reader(transport, "x");
  EXPECT_EQ(reader.readText(kAmpleTime), "1");
  EXPECT_EQ(reader.readText(kAmpleTime), "ON");
  EXPECT_EQ(reader.readText(kAmpleTime), "");
  EXPECT_EQ(reader.readText(kAmpleTime), "VELMORA,TRV30K2A,SN1,1.04");
}

TEST(ReplyReaderText, EndOfMessageWithoutNewlineEndsTheReply) {
  ScriptedTransport transport(/*marksEnd=*/true);
  transport.feed("VELMORA,", false);
  transport.feed("TRV30K4A", true);
  transport.feed("0\n", true);
  ReplyReader reader(transport, "x");
  EXPECT_EQ(reader.readText(kAmpleTime), "VELMORA,TRV30K4A");
  EXPECT_EQ(reader.readText(kAmpleTime), "0");
}

TEST(ReplyReaderText, EndlessReplyIsRefusedAtTheLimit) {
  ScriptedTransport transport(false, size_t{1} << 20);
  const std::string megabyte(size_t{1} << 20, 'x');
  for (size_t i = 0; i <= kMaxTextReply / megabyte.size(); ++i) transport.feed(megabyte);
  ReplyReader reader(transport, "x");
  EXPECT_EQ(errorNumberOf([&] { reader.readText(kAmpleTime); }), status::IoFailure);
}

TEST(ReplyReaderBlock, NewlinesInsideTheDataDoNotEndTheBlock) {
  const std::string data = "\n\n\x0a" "ab\n\xff\x80\n";
  ScriptedTransport transport;
  transport.feedInPieces(definiteBlock(data) + "\r\nnext\n", 1);
  ReplyReader reader(transport, "x");
  VectorTarget target;
  reader.readBlock(target, kAmpleTime);
  EXPECT_EQ(target.values, codesOf(data));
  EXPECT_EQ(target.values[6], 255);
  EXPECT_EQ(target.values[7], 128);
  EXPECT_EQ(reader.readText(kAmpleTime), "next");
}

// The block returns once its bytes are in (the script holds nothing more for it to wait on); the
// newline after it, however late or absent, never shows up in the next reply.
TEST(ReplyReaderBlock, TerminatorIsDroppedWheneverItComesOrNot) {
  struct Piece {
    const char* bytes;
    bool end;
  };
  const std::vector<std::pair<bool, std::vector<Piece>>> cases = {
      {false, {{"#13abc", false}, {"next\n", false}}},
      {false, {{"#13abc", false}, {"\r", false}, {"\n", false}, {"next\n", false}}},
      {false, {{"#13abc\r", false}, {"\nnext\n", false}}},
      {false, {{"#13abc\n", false}, {"\n", false}}},
      {true, {{"#13abc", false}, {"\n", true}, {"next", true}}},
      {true, {{"#13abc", false}, {"", true}, {"next\n", true}}},
      {true, {{"#13abc", true}, {"next\n", true}}},
      {false, {{"#13abcJUNK\r\n", false}, {"next\n", false}}},
      {true, {{"#13abcJU", false}, {"NK\n", true}, {"next", true}}},
  };
  for (const auto& [marksEnd, pieces] : cases) {
    ScriptedTransport transport(marksEnd);
    transport.feed(pieces[0].bytes, pieces[0].end);
    ReplyReader reader(transport, "x");
    VectorTarget target;
    EXPECT_EQ(reader.readBlock(target, kAmpleTime), 3u) << pieces[1].bytes;
    for (size_t i = 1; i < pieces.size(); ++i) transport.feed(pieces[i].bytes, pieces[i].end);
    const bool emptyReply = std::string(pieces.back().bytes) == "\n";
    EXPECT_EQ(reader.readText(kAmpleTime), emptyReply ? "" : "next") << pieces[1].bytes;
  }
}

TEST(ReplyReader, ReadsBringingNeitherDataNorEndFailAfterAFewTries) {
  for (const int empty : {3, 4, 50}) {
    ScriptedTransport transport(/*marksEnd=*/true);
    for (int i = 0; i < empty; ++i) transport.feed("", false);
    transport.feed("ok", true);
    ReplyReader reader(transport, "x");
    if (empty < 4) {
      EXPECT_EQ(reader.readText(kAmpleTime), "ok");
    } else {
      EXPECT_EQ(errorNumberOf([&] { reader.readText(kAmpleTime); }), status::IoFailure);
      EXPECT_EQ(transport.piecesLeft(), static_cast<size_t>(empty - 4 + 1));
    }
  }
}

// Past the first few million codes a block is widened by other means; in pieces of odd sizes its
// parts start at every alignment.
TEST(ReplyReaderBlock, EveryCodeOfALongBlockArrivesWidened) {
  const std::string data = testing::everyCode(5000003);
  ScriptedTransport transport(false, size_t{1} << 20);
  transport.feedInPieces(definiteBlock(data), 65537);
  ReplyReader reader(transport, "x");
  VectorTarget target;
  reader.readBlock(target, kAmpleTime);
  EXPECT_EQ(target.values, codesOf(data));
}

TEST(ReplyReaderBlock, StorageFollowsTheBytesThatArrived) {
  // Expected count, announced length, bytes that arrive: the target never holds more than the
  // expected count plus a margin beyond what arrived.
  const std::string data = testing::everyCode(300000);
  for (const size_t expected : {size_t{0}, size_t{100}, data.size()}) {
    ScriptedTransport transport(false, size_t{1} << 16);
    transport.feed(definiteBlock(data));
    ReplyReader reader(transport, "x");
    VectorTarget target;
    target.resize(expected);
    target.resizeCount = 0;
    reader.readBlock(target, kAmpleTime);
    EXPECT_EQ(target.values, codesOf(data));
    if (expected == data.size()) {
      EXPECT_EQ(target.resizeCount, 1) << "sized once, filled in place";
    }
  }
  ScriptedTransport lying;
  lying.feed("#8160000000123456789");
  ReplyReader reader(lying, "x");
  VectorTarget target;
  EXPECT_EQ(errorNumberOf([&] { reader.readBlock(target, kAmpleTime); }), status::Timeout);
  EXPECT_LE(target.values.size(), size_t{64} << 10);
}

TEST(ReplyReaderBlock, EndOfMessageRightAfterTheDataNeedsNoNewline) {
  ScriptedTransport transport(/*marksEnd=*/true);
  transport.feed("#13ab", false);
  transport.feed("\n", true);
  transport.feed("#15\n\n\n\n\n", true);
  transport.feed("7\n", true);
  ReplyReader reader(transport, "x");
  VectorTarget first, second;
  reader.readBlock(first, kAmpleTime);
  EXPECT_EQ(first.values, (std::vector<int32_t>{'a', 'b', 10}));
  reader.readBlock(second, kAmpleTime);
  EXPECT_EQ(second.values, std::vector<int32_t>(5, 10));
  EXPECT_EQ(reader.readText(kAmpleTime), "7");
}

TEST(ReplyReaderBlock, IndefiniteBlockOnAStreamEndsAtTheNewline) {
  ScriptedTransport transport;
  transport.feed("#0\x01\x02\xfe\nnext\n");
  ReplyReader reader(transport, "x");
  VectorTarget target;
  EXPECT_EQ(reader.readBlock(target, kAmpleTime), 3u);
  EXPECT_EQ(target.values, (std::vector<int32_t>{1, 2, 254}));
  EXPECT_EQ(reader.readText(kAmpleTime), "next");
}

TEST(ReplyReaderBlock, IndefiniteBlockWithMessageMarksRunsToTheEnd) {
  ScriptedTransport transport(/*marksEnd=*/true);
  transport.feed("#0\n\x05", false);
  transport.feed("\n\x06\n", true);
  ReplyReader reader(transport, "x");
  VectorTarget target;
  reader.readBlock(target, kAmpleTime);
  EXPECT_EQ(target.values, (std::vector<int32_t>{10, 5, 10, 6}));
}

// The failure that reading the reply as a block raises; number 0 when none.
RuntimeError blockFailureOf(const char* reply, VectorTarget& target) {
  ScriptedTransport transport;
  transport.feed(reply);
  ReplyReader reader(transport, "x");
  try {
    reader.readBlock(target, kAmpleTime);
  } catch (const RuntimeError& error) {
    return error;
  }
  return RuntimeError(0, "", "");
}

TEST(ReplyReaderBlock, MalformedHeadersAreIoFailures) {
  for (const char* reply : {"1,2,3\n", "#\n", "#A12\n", "#3 12abc\n", "#21x\n"}) {
    VectorTarget target;
    const RuntimeError failure = blockFailureOf(reply, target);
    EXPECT_EQ(failure.number(), status::IoFailure) << reply;
    EXPECT_TRUE(failure.description().starts_with("malformed block header: ")) << failure.description();
  }
}

TEST(ReplyReaderBlock, LyingLengthBeyondTheBoundAllocatesNothing) {
  for (const char* reply : {"#9999999999", "#9268435456", "#816777217"}) {
    VectorTarget target;
    const RuntimeError failure = blockFailureOf(reply, target);
    EXPECT_EQ(failure.number(), status::OutOfResources) << reply;
    EXPECT_TRUE(failure.description().starts_with("block longer than the limit of 16777216 points"))
        << failure.description();
    EXPECT_EQ(target.resizeCount, 0);
  }
}

TEST(ReplyReaderBlock, BlockShorterThanItsHeader) {
  ScriptedTransport marked(/*marksEnd=*/true);
  marked.feed("#210abc\n", true);
  ReplyReader markedReader(marked, "x");
  VectorTarget target;
  EXPECT_EQ(errorNumberOf([&] { markedReader.readBlock(target, kAmpleTime); }), status::IoFailure);

  ScriptedTransport stream;
  stream.feed("#210abc\n");
  ReplyReader streamReader(stream, "x");
  EXPECT_EQ(errorNumberOf([&] { streamReader.readBlock(target, kAmpleTime); }), status::Timeout);
}

TEST(ReplyReaderText, DiscardForgetsInputReadAhead) {
  ScriptedTransport transport;
  transport.feed("1\nstale\n");  // arrives in one piece, so the stale line is read ahead
  transport.feed("fresh\n");
  ReplyReader reader(transport, "x");
  EXPECT_EQ(reader.readText(kAmpleTime), "1");
  reader.discard();
  EXPECT_EQ(reader.readText(kAmpleTime), "fresh");
}

}  // namespace
}  // namespace trv3::io
