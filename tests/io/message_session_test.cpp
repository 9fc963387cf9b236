#include "platform/io/message_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "block_fixtures.h"
#include "platform/io/io_status.h"
#include "scripted_transport.h"
#include "support/runtime_error_matchers.h"

namespace trv3::io {
namespace {

using testing::ScriptedTransport;
using testing::VectorTarget;
using trv3::testing::errorNumberOf;

class MessageSessionTest : public ::testing::Test {
 protected:
  MessageSessionTest() {
    auto owned = std::make_unique<ScriptedTransport>();
    transport = owned.get();
    session = std::make_unique<MessageSession>("TCPIP::127.0.0.1::5025::SOCKET", std::move(owned),
                                               IoTrace::fromEnvironment());
  }
  ScriptedTransport* transport;
  std::unique_ptr<MessageSession> session;
};

TEST_F(MessageSessionTest, CommandsGoOutWithOneNewline) {
  session->WriteCommand(":Stop");
  session->WriteCommand("waveform:points 1000\n");
  session->WriteCommand("");
  EXPECT_EQ(transport->sent, (std::vector<std::string>{":Stop\n", "waveform:points 1000\n", "\n"}));
}

TEST_F(MessageSessionTest, QueryTextReturnsTheReplyWithoutItsEnding) {
  transport->feed("VELMORA,TRV30K2A,SN0001,03.10\r\n");
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
  EXPECT_EQ(transport->sent, std::vector<std::string>{"*IDN?\n"});
}

TEST_F(MessageSessionTest, FormatKIntoTextAndTextArray) {
  transport->feed("ON\n");
  transport->feed("VELMORA, TRV30K2A,,03.10\n");
  transport->feed("\n");
  std::string text = "old";
  session->ReadFormatted(text, "K");
  EXPECT_EQ(text, "ON");
  std::vector<std::string> fields{"old"};
  session->ReadFormatted(fields, "K");
  EXPECT_EQ(fields, (std::vector<std::string>{"VELMORA", " TRV30K2A", "", "03.10"}));
  session->ReadFormatted(fields, "K");
  EXPECT_TRUE(fields.empty());
}

TEST_F(MessageSessionTest, FormatKIntoDoublesFillsFromTheStart) {
  transport->feed("+0, +0,+1000, 1,+1.00000000E-06,-5.0E-04,0,9.9E+37, bad ,127, 3,99\n");
  transport->feed("1.5,2.5\n");
  std::vector<double> preamble(11, 0.0);
  session->ReadFormatted(std::span<double>(preamble), "K");
  EXPECT_EQ(preamble[2], 1000.0);
  EXPECT_DOUBLE_EQ(preamble[4], 1e-6);
  EXPECT_DOUBLE_EQ(preamble[5], -5e-4);
  EXPECT_DOUBLE_EQ(preamble[7], 9.9e37);
  EXPECT_TRUE(std::isnan(preamble[8]));
  EXPECT_EQ(preamble[9], 127.0);
  EXPECT_EQ(preamble[10], 3.0);  // the twelfth field has no place and is dropped

  std::vector<double> few(4, -1.0);
  session->ReadFormatted(std::span<double>(few), "K");
  EXPECT_EQ(few, (std::vector<double>{1.5, 2.5, -1.0, -1.0}));
}

TEST_F(MessageSessionTest, FormatI1ReadsTheBlockIntoTheTarget) {
  transport->feed(std::string("#14\x00\x0a\x7f\xff\n", 8));
  VectorTarget target;
  session->ReadFormatted(target, " i1 ");
  EXPECT_EQ(target.values, (std::vector<int32_t>{0, 10, 127, 255}));
}

TEST_F(MessageSessionTest, FormatThatDoesNotSuitTheTargetIsRefusedWithoutReading) {
  transport->feed("1\n");
  std::string text;
  VectorTarget target;
  std::vector<double> numbers(2);
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(text, "I1"); }), status::UnsupportedFormat);
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(target, "K"); }), status::UnsupportedFormat);
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(std::span<double>(numbers), "%f"); }),
            status::UnsupportedFormat);
  EXPECT_EQ(transport->piecesLeft(), 1u);
}

TEST_F(MessageSessionTest, InterruptedExchangeIsClearedBeforeTheNextCommand) {
  transport->feed("#15ab");  // the block stops short, then the instrument is silent
  VectorTarget target;
  session->WriteCommand("waveform:data?");
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(target, "I1"); }), status::Timeout);
  EXPECT_EQ(transport->clears, 0);

  transport->feed("cde\nstale\n");  // the rest of the old reply arrives late
  session->WriteCommand("*IDN?");
  EXPECT_EQ(transport->clears, 1);
  transport->feed("VELMORA,TRV30K2A,SN1,1.0\n");
  std::string reply;
  session->ReadFormatted(reply, "K");
  EXPECT_EQ(reply, "VELMORA,TRV30K2A,SN1,1.0");

  session->WriteCommand("*CLS");  // a clean exchange leaves nothing to clear
  EXPECT_EQ(transport->clears, 1);
}

// With message marks the end of a message is known: whatever else it held answered no later
// command. A reply complete before its message ended leaves the rest to come, or (where the
// instrument drops it on a new command) never: the link is cleared before the next command.
TEST(MessageSessionMarks, TheRestOfAMessageNeverAnswersTheNextQuery) {
  struct Piece {
    std::string bytes;
    bool end;
  };
  struct Row {
    const char* name;
    std::vector<Piece> first;  // the pieces of the first reply's message
    const char* firstReply;    // none: a block of one point, read as format "I1"
    int clears;
  };
  const std::vector<Row> rows = {
      {"ended, with a stale line", {{"1\nSTALE\n", true}}, "1", 0},
      {"reply ended across pieces", {{"VELMORA,", false}, {"TRV30K2A\n", true}}, "VELMORA,TRV30K2A", 0},
      {"a stale line still to come", {{"1\nST", false}, {"ALE\n", true}}, "1", 1},
      {"the end still to come", {{"1\n", false}, {"", true}}, "1", 1},
      {"block, its newline still to come", {{"#11a", false}, {"\n", true}}, nullptr, 1},
      {"block and newline, the end still to come", {{"#11a\n", false}, {"", true}}, nullptr, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto owned = std::make_unique<ScriptedTransport>(/*marksEnd=*/true);
    ScriptedTransport& transport = *owned;
    MessageSession session("TCPIP::127.0.0.1::INSTR", std::move(owned), IoTrace::fromEnvironment());
    for (const Piece& piece : row.first) transport.feed(piece.bytes, piece.end);
    session.WriteCommand("CHAN1:DISP?");
    if (row.firstReply == nullptr) {
      VectorTarget target;
      session.ReadFormatted(target, "I1");
      EXPECT_EQ(target.values, std::vector<int32_t>{'a'});
    } else {
      std::string reply;
      session.ReadFormatted(reply, "K");
      EXPECT_EQ(reply, row.firstReply);
    }
    session.WriteCommand("*IDN?");
    transport.feed("VELMORA,TRV30K2A\n", true);
    std::string reply;
    session.ReadFormatted(reply, "K");
    EXPECT_EQ(reply, "VELMORA,TRV30K2A");
    EXPECT_EQ(transport.clears, row.clears);
  }
}

// On a byte stream an instrument may send more than its replies: what has arrived by the time a
// command goes out answers none of ours and is dropped, a flood of it clears the link, and a
// block's newline still to come stays expected.
TEST(MessageSessionStream, InputThatArrivedUnaskedNeverAnswersTheNextQuery) {
  enum class First { Text, Block, Command };  // a query of "1", of a one-point block, or a command
  struct Row {
    const char* name;
    First first;
    std::string reply;         // the first exchange's reply as it arrives before it is read
    std::string afterwards;    // what arrives after that, before the next command
    std::string beforeAnswer;  // what arrives after the next command, before its answer
    int clears;
  };
  const std::vector<Row> rows = {
      {"extra line after a reply", First::Text, "1\nEXTRA\n", "", "", 0},
      {"extra line arriving once the reply was read", First::Text, "1\n", "EXTRA\n", "", 0},
      {"reply to a command", First::Command, "", "1\n", "", 0},
      {"flood of input nobody asked for", First::Command, "", std::string(size_t{5} << 20, 'x'), "",
       1},
      {"honest block, its newline after the next command", First::Block, "#11a", "", "\r\n", 0},
  };
  constexpr size_t kPiece = size_t{1} << 16;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto owned = std::make_unique<ScriptedTransport>(false, kPiece, /*receivesUnasked=*/true);
    ScriptedTransport& transport = *owned;
    MessageSession session("TCPIP::127.0.0.1::5025::SOCKET", std::move(owned), IoTrace{});
    session.SetLongestTextReply(64);  // a reply run into the flood fails short
    if (row.first == First::Command) {
      session.WriteCommand(":STOP");
    } else if (row.first == First::Text) {
      session.WriteCommand("CHAN1:DISP?");
      transport.feed(row.reply);
      std::string first;
      session.ReadFormatted(first, "K");
      EXPECT_EQ(first, "1");
    } else {
      session.WriteCommand("waveform:data?");
      transport.feed(row.reply);
      VectorTarget target;
      session.ReadFormatted(target, "I1");
      EXPECT_EQ(target.values, std::vector<int32_t>{'a'});
    }
    transport.feedInPieces(row.afterwards, kPiece);
    session.WriteCommand("*IDN?");
    transport.feed(row.beforeAnswer + "VELMORA,TRV30K2A\n");
    std::string reply;
    session.ReadFormatted(reply, "K");
    EXPECT_EQ(reply, "VELMORA,TRV30K2A");
    EXPECT_EQ(transport.clears, row.clears);
  }
}

TEST(MessageSessionTrace, EveryExchangeIsAppendedToTheNamedFile) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("trv3_io_trace_" + std::to_string(::getpid()) + ".log");
  std::filesystem::remove(path);
  ::setenv("TRV3_IO_TRACE", path.c_str(), 1);
  auto owned = std::make_unique<ScriptedTransport>(false, 64, /*receivesUnasked=*/true);
  ScriptedTransport& transport = *owned;
  MessageSession session("TCPIP::127.0.0.1::5025::SOCKET", std::move(owned), IoTrace::fromEnvironment());
  ::unsetenv("TRV3_IO_TRACE");

  // As on a byte stream, each reply arrives once its command has gone out.
  session.WriteCommand("*IDN?");
  transport.feed("VELMORA,TRV30K2A\r\n");
  std::string identity;
  session.ReadFormatted(identity, "K");
  session.WriteCommand(":WAV:DATA?");
  transport.feed("#13\x01\n\x02\nEXTRA\n");
  VectorTarget target;
  session.ReadFormatted(target, "I1");
  EXPECT_THROW(session.QueryText("*OPC?"), RuntimeError);

  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  std::filesystem::remove(path);
  const std::string address = " TCPIP::127.0.0.1::5025::SOCKET ";
  const std::vector<std::string> expected = {
      "-> *IDN?", "<- VELMORA,TRV30K2A", "-> :WAV:DATA?", "<- block of 3 bytes", "xx 6 bytes that arrived unasked",
      "-> *OPC?", "!! Timeout expired before operation completed"};
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_NE(lines[i].find(address + expected[i]), std::string::npos) << lines[i];
  EXPECT_EQ(lines[0].size() > 24 && lines[0][10] == 'T' && lines[0][23] == 'Z', true) << lines[0];
}

TEST(MessageSessionTrace, ANamedPipeWithoutAReaderNeverHoldsTheExchange) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("trv3_io_trace_fifo_" + std::to_string(::getpid()));
  std::filesystem::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  ::setenv("TRV3_IO_TRACE", path.c_str(), 1);
  const IoTrace trace = IoTrace::fromEnvironment();
  ::unsetenv("TRV3_IO_TRACE");
  auto traced = std::async(std::launch::async, [&] { trace.sent("x", "*IDN?"); });
  const bool returned = traced.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  // A writer still waiting in open() is let go by a reader, so the test itself cannot hang.
  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  traced.wait();
  ::close(reader);
  std::filesystem::remove(path);
  EXPECT_TRUE(returned);
}

TEST(MessageSessionTimeout, DefaultComesFromTheEnvironment) {
  ::setenv("TRV3_IO_TIMEOUT_MS", "1234", 1);
  EXPECT_EQ(defaultIoTimeout(), std::chrono::milliseconds(1234));
  ::setenv("TRV3_IO_TIMEOUT_MS", "12x", 1);
  EXPECT_EQ(defaultIoTimeout(), std::chrono::milliseconds(5000));
  ::setenv("TRV3_IO_TIMEOUT_MS", "0", 1);
  EXPECT_EQ(defaultIoTimeout(), std::chrono::milliseconds(5000));
  ::unsetenv("TRV3_IO_TIMEOUT_MS");
  EXPECT_EQ(defaultIoTimeout(), std::chrono::milliseconds(5000));
}

}  // namespace
}  // namespace trv3::io
