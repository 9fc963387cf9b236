// Sessions over the VXI-11 transport, taken from the VXI-11 module as the add-in takes it, against an
// instrument served in the test process.
#include <gtest/gtest.h>

#include "block_fixtures.h"
#include "fake_vxi11_instrument.h"
#include "platform/io/io_status.h"
#include "platform/io/message_session.h"
#include "platform/io/vxi11_opener.h"
#include "support/runtime_error_matchers.h"

namespace trv3::io {
namespace {

using testing::codesOf;
using testing::definiteBlock;
using testing::everyCode;
using testing::FakeVxi11Instrument;
using testing::VectorTarget;
using testing::Vxi11Behaviour;
using testing::WrittenPiece;
using trv3::testing::errorNumberOf;

const std::string kAddress = "TCPIP::127.0.0.1::INSTR";

std::unique_ptr<ByteTransport> openTransport(uint16_t portmapperPort, const std::string& device = "inst0",
                                             std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  static const Vxi11Opener fromModule = loadVxi11Module(TRV3_VXI11_MODULE, kAddress);
  return std::unique_ptr<ByteTransport>(fromModule("127.0.0.1", device, portmapperPort, Deadline(timeout), kAddress));
}

std::unique_ptr<MessageSession> openSession(const FakeVxi11Instrument& instrument,
                                            const std::string& device = "inst0") {
  return std::make_unique<MessageSession>(kAddress, openTransport(instrument.portmapperPort(), device),
                                          IoTrace{});
}

std::string idn(const std::string& message) {
  return message == "*IDN?\n" ? "VELMORA,TRV30K4A,SN0002,03.10\n" : "";
}

TEST(Vxi11Session, QueryGoesOutWithEndAndTheReplyComesBackWithoutItsNewline) {
  FakeVxi11Instrument instrument(idn);
  const auto session = openSession(instrument);
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K4A,SN0002,03.10");
  const std::vector<WrittenPiece> writes = instrument.writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].data, "*IDN?\n");
  EXPECT_TRUE(writes[0].end);
}

TEST(Vxi11Session, LongCommandIsSplitAtMaxRecvSizeWithEndOnlyWhereTheMessageEnds) {
  struct Row {
    uint32_t maxRecvSize;
    size_t acceptPerWrite;  // less than a piece: the instrument takes less than it is given
  };
  const Row rows[] = {{1024, 700}, {16, 16}, {0, 700}};  // 0: the link reports no size
  for (const Row& row : rows) {
    SCOPED_TRACE(row.maxRecvSize);
    Vxi11Behaviour behaviour;
    behaviour.maxRecvSize = row.maxRecvSize;
    behaviour.acceptPerWrite = row.acceptPerWrite;
    FakeVxi11Instrument instrument([](const std::string&) { return ""; }, behaviour);
    const auto session = openSession(instrument);
    std::string command = ":DATA ";
    for (int i = 0; command.size() < 3000; ++i) command += std::to_string(i) + ",";
    session->WriteCommand(command);

    const std::string message = command + "\n";
    const size_t pieceLimit = row.maxRecvSize != 0 ? row.maxRecvSize : 1024;
    const std::vector<WrittenPiece> writes = instrument.writes();
    ASSERT_GE(writes.size(), message.size() / std::min(pieceLimit, row.acceptPerWrite));
    for (const WrittenPiece& piece : writes) {
      EXPECT_LE(piece.data.size(), pieceLimit);
      const bool reachesTheEnd = message.ends_with(piece.data);
      EXPECT_EQ(piece.end, reachesTheEnd) << piece.data.size();
    }
    EXPECT_TRUE(writes.back().end);
    EXPECT_EQ(instrument.messages(), std::vector<std::string>{message});
  }
}

TEST(Vxi11Session, ReadsLoopOverPiecesUntilEnd) {
  const std::string small = everyCode(20000);
  Vxi11Behaviour behaviour;
  behaviour.givePerRead = 999;  // pieces without END and short of the request count
  FakeVxi11Instrument instrument([&](const std::string& message) {
    if (message == "SMALL?\n") return definiteBlock(small) + "\n";
    return std::string("VELMORA,TRV30K4A,SN0002,03.10\n");
  }, behaviour);
  const auto session = openSession(instrument);
  VectorTarget target;
  session->WriteCommand("SMALL?");
  session->ReadFormatted(target, "I1");
  EXPECT_EQ(target.values, codesOf(small));
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K4A,SN0002,03.10");
}

// Each device_read asks for what the block still lacks and its newline (before the header: the
// count the caller expects), at least 1 MiB and at most 16 MiB; a reply larger than the reader's
// buffer arrives whole all the same.
TEST(Vxi11Session, EachReadAsksForWhatTheBlockStillLacks) {
  constexpr uint32_t kMiB = 1 << 20;
  struct Row {
    const char* name;
    size_t points;
    size_t expected;
    size_t givePerRead;
    std::vector<uint32_t> requests;
  };
  const size_t unlimited = Vxi11Behaviour{}.givePerRead;
  const std::vector<Row> rows = {
      // "#73000000" + data + "\n": 9 + 3,000,000 + 1 bytes.
      {"one read for the expected block", 3000000, 3000000, unlimited, {3000013}},
      {"short reads ask for the rest", 3000000, 3000000, 1000000, {3000013, 2000011, kMiB, kMiB}},
      {"fewer points expected than sent", 3000000, 100, unlimited, {kMiB, 9 + 3000000 - kMiB + 2}},
      {"more points expected than allowed", 1000, 20000000, unlimited, {16 * kMiB}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string data = everyCode(row.points);
    Vxi11Behaviour behaviour;
    behaviour.givePerRead = row.givePerRead;
    FakeVxi11Instrument instrument(
        [&](const std::string& message) {
          return message == "DATA?\n" ? definiteBlock(data) + "\n" : idn(message);
        },
        behaviour);
    const auto session = openSession(instrument);
    VectorTarget target;
    target.resize(row.expected);
    session->WriteCommand("DATA?");
    session->ReadFormatted(target, "I1");
    EXPECT_EQ(target.values, codesOf(data));
    EXPECT_EQ(instrument.readRequestSizes(), row.requests);
    EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K4A,SN0002,03.10");
  }
}

TEST(Vxi11Session, InstrumentTimeOutIsReportedAndClearedBeforeTheNextCommand) {
  FakeVxi11Instrument instrument([](const std::string& message) {
    return message == "SLOW?\n" ? std::string("late reply\n") : idn(message);
  });
  const auto session = openSession(instrument);
  instrument.timeOutReads(1);
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("SLOW?"); }), status::Timeout);
  EXPECT_EQ(instrument.clears(), 0);
  // The late reply still waits in the instrument; the clear removes it.
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K4A,SN0002,03.10");
  EXPECT_EQ(instrument.clears(), 1);
}

TEST(Vxi11Session, SilentInstrumentTimesOutAndTheNextCommandGetsANewLink) {
  FakeVxi11Instrument instrument(idn);
  const auto session = openSession(instrument);
  session->SetTimeout(std::chrono::milliseconds(50));
  instrument.setSilent(true);
  EXPECT_EQ(errorNumberOf([&] { session->QueryText("*IDN?"); }), status::Timeout);
  // Reading on without a command finds the connection given up.
  std::string reply;
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(reply, "K"); }), status::ConnectionLost);

  instrument.setSilent(false);
  session->SetTimeout(std::chrono::seconds(5));
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K4A,SN0002,03.10");
  EXPECT_EQ(instrument.links(), 2);
  EXPECT_EQ(instrument.clears(), 1);
}

TEST(Vxi11Session, ClosingTheSessionDestroysTheLink) {
  FakeVxi11Instrument instrument(idn);
  openSession(instrument)->WriteCommand("*CLS");
  EXPECT_EQ(instrument.destroyedLinks(), 1);
}

TEST(Vxi11Session, ClosingWaitsForASilentInstrumentNoLongerThanTheTimeOut) {
  FakeVxi11Instrument instrument(idn);
  auto transport = openTransport(instrument.portmapperPort(), "inst0", std::chrono::milliseconds(100));
  instrument.setSilent(true);
  const auto started = std::chrono::steady_clock::now();
  transport.reset();
  EXPECT_EQ(instrument.destroyedLinks(), 1);
  // The time-out and the grace every call of the link gets (0.6 s), with room for a busy machine;
  // closing used to wait a whole second more.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1400));
}

TEST(Vxi11Open, UnknownDeviceNameIsRefused) {
  FakeVxi11Instrument instrument(idn);
  try {
    openSession(instrument, "inst9");
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), status::ResourceNotFound);
    EXPECT_NE(error.description().find("refused a link to device \"inst9\""), std::string::npos)
        << error.description();
  }
}

TEST(Vxi11Open, HostWithoutVxi11ServiceIsNotFound) {
  Vxi11Behaviour behaviour;
  behaviour.offersCoreChannel = false;
  FakeVxi11Instrument instrument(idn, behaviour);
  EXPECT_EQ(errorNumberOf([&] { openSession(instrument); }), status::ResourceNotFound);
}

TEST(Vxi11Open, NoPortmapperIsARefusedConnection) {
  uint16_t closedPort = 0;
  {
    FakeVxi11Instrument gone(idn);
    closedPort = gone.portmapperPort();
  }
  try {
    openTransport(closedPort);
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), status::ResourceNotFound);
    EXPECT_NE(error.description().find("connection refused"), std::string::npos) << error.description();
  }
}

}  // namespace
}  // namespace trv3::io
