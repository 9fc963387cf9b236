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
  transport.feedInPieces(definiteBlock(data) + "\r\n", 1);
  ReplyReader reader(transport, "x");
  VectorTarget target;
  reader.readBlock(target, kAmpleTime);
  EXPECT_EQ(target.values, codesOf(data));
  EXPECT_EQ(target.values[6], 255);
  EXPECT_EQ(target.values[7], 128);
  EXPECT_EQ(transport.piecesLeft(), 0u);
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

TEST(ReplyReaderBlock, MalformedHeadersAreIoFailures) {
  for (const char* reply : {"1,2,3\n", "#\n", "#A12\n", "#3 12abc\n", "#21x\n"}) {
    ScriptedTransport transport;
    transport.feed(reply);
    ReplyReader reader(transport, "x");
    VectorTarget target;
    EXPECT_EQ(errorNumberOf([&] { reader.readBlock(target, kAmpleTime); }), status::IoFailure)
        << reply;
  }
}

TEST(ReplyReaderBlock, LyingLengthBeyondTheBoundAllocatesNothing) {
  for (const char* reply : {"#9999999999", "#9268435457"}) {
    ScriptedTransport transport;
    transport.feed(reply);
    ReplyReader reader(transport, "x");
    VectorTarget target;
    EXPECT_EQ(errorNumberOf([&] { reader.readBlock(target, kAmpleTime); }), status::OutOfResources)
        << reply;
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
