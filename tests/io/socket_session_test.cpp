// Sessions over the raw socket transport against instruments played by loopback servers.
#include <gtest/gtest.h>

#include <future>
#include <map>

#include "block_fixtures.h"
#include "loopback_server.h"
#include "platform/io/io_session.h"
#include "platform/io/io_status.h"
#include "support/runtime_error_matchers.h"

namespace trv3::io {
namespace {

using testing::codesOf;
using testing::definiteBlock;
using testing::everyCode;
using testing::LoopbackServer;
using testing::ServerConnection;
using testing::VectorTarget;
using trv3::testing::errorNumberOf;

// Answers each command from a table; unknown commands get no answer.
LoopbackServer::Handler answering(std::map<std::string, std::string> replies) {
  return [replies = std::move(replies)](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      const auto reply = replies.find(*command);
      if (reply != replies.end()) connection.send(reply->second);
    }
  };
}

const RuntimeError errorOf(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const RuntimeError& error) {
    return error;
  }
  return RuntimeError(0, "no error");
}

TEST(SocketSession, BlocksOfEverySizeArriveWholeOneAfterAnother) {
  const std::vector<size_t> sizes{0, 1, 37, 20000, 16000000};
  std::map<std::string, std::string> replies;
  for (const size_t size : sizes)
    replies["DATA" + std::to_string(size) + "?"] = definiteBlock(everyCode(size)) + "\n";
  LoopbackServer server(answering(replies));

  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  for (const size_t size : sizes) {
    session->WriteCommand("DATA" + std::to_string(size) + "?");
    VectorTarget target;
    target.resize(size);  // the count that the preamble announced
    target.resizeCount = 0;
    session->ReadFormatted(target, "I1");
    ASSERT_EQ(target.values.size(), size);
    EXPECT_TRUE(target.values == codesOf(everyCode(size))) << size;
    EXPECT_EQ(target.resizeCount, 1);  // sized once, then filled in place
  }
}

TEST(SocketSession, RepliesCutIntoManySmallSegments) {
  const std::string data = everyCode(20000);
  LoopbackServer server([&](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == "*IDN?") connection.sendInPieces("VELMORA,TRV30K2A,SN0001,03.10\r\n", 1);
      if (*command == "waveform:data?") connection.sendInPieces(definiteBlock(data) + "\n", 7);
    }
  });
  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
  session->WriteCommand("waveform:data?");
  VectorTarget target;
  session->ReadFormatted(target, "I1");
  EXPECT_EQ(target.values, codesOf(data));
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
}

TEST(SocketSession, SilentInstrumentTimesOutAndItsLateReplyNeverAnswersTheNextQuery) {
  std::promise<void> timedOut, lateReplySent;
  std::shared_future<void> clientTimedOut = timedOut.get_future().share();
  LoopbackServer server([&](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == "SLOW?") {
        clientTimedOut.wait_for(std::chrono::seconds(10));
        connection.send("late reply\n");
        lateReplySent.set_value();
      }
      if (*command == "*IDN?") connection.send("VELMORA,TRV30K2A,SN0001,03.10\n");
    }
  });
  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  session->SetTimeout(std::chrono::milliseconds(100));
  const RuntimeError error = errorOf([&] { session->QueryText("SLOW?"); });
  EXPECT_EQ(error.number(), status::Timeout);
  EXPECT_EQ(error.description(),
            "Timeout expired before operation completed (" + server.socketAddress() + ")");
  timedOut.set_value();
  lateReplySent.get_future().wait_for(std::chrono::seconds(10));

  session->SetTimeout(std::chrono::seconds(5));
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
}

// An instrument that answers a command: what has arrived on the socket by the time the next
// command goes out is dropped (what the reader already holds: MessageSessionStream).
TEST(SocketSession, InputThatArrivedUnaskedNeverAnswersTheNextQuery) {
  std::promise<void> answered;
  LoopbackServer server([&](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == ":STOP") {
        connection.send("1\n");
        answered.set_value();
      }
      if (*command == "*IDN?") connection.send("VELMORA,TRV30K2A,SN0001,03.10\n");
    }
  });
  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  session->WriteCommand(":STOP");
  answered.get_future().wait_for(std::chrono::seconds(10));
  EXPECT_EQ(session->QueryText("*IDN?"), "VELMORA,TRV30K2A,SN0001,03.10");
}

TEST(SocketSession, ConnectionDroppedInTheMiddleOfABlockIsReportedAndTheNextCommandReconnects) {
  LoopbackServer server([](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) {
      if (*command == "*OPC?") connection.send("1\n");
      if (*command == "waveform:data?") {
        connection.send("#520000" + everyCode(5000));
        connection.close();
      }
    }
  });
  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  session->WriteCommand("waveform:data?");
  VectorTarget target;
  const RuntimeError error = errorOf([&] { session->ReadFormatted(target, "I1"); });
  EXPECT_EQ(error.number(), status::ConnectionLost);
  EXPECT_NE(error.description().find("connection closed by the instrument"), std::string::npos);
  EXPECT_EQ(session->QueryText("*OPC?"), "1");
}

TEST(SocketSession, LyingBlockHeaderIsRefusedAndTheSessionGoesOn) {
  LoopbackServer server(answering({{"waveform:data?", "#9999999999" + everyCode(3000) + "\n"},
                                   {"*OPC?", "1\n"}}));
  const IoSessionRef session = IoResourceManager().Open(server.socketAddress());
  session->WriteCommand("waveform:data?");
  VectorTarget target;
  EXPECT_EQ(errorNumberOf([&] { session->ReadFormatted(target, "I1"); }), status::OutOfResources);
  EXPECT_EQ(target.resizeCount, 0);
  EXPECT_EQ(session->QueryText("*OPC?"), "1");
}

TEST(SocketSession, RefusedConnectionSaysSo) {
  std::string address;
  {
    LoopbackServer closedSoon(answering({}));
    address = closedSoon.socketAddress();
  }
  const RuntimeError error = errorOf([&] { IoResourceManager().Open(address); });
  EXPECT_EQ(error.number(), status::ResourceNotFound);
  EXPECT_NE(error.description().find("connection refused"), std::string::npos) << error.description();
  EXPECT_NE(error.description().find(address), std::string::npos);
}

TEST(SocketSession, ConnectionClosesWhenTheLastReferenceGoes) {
  std::promise<void> clientGone;
  LoopbackServer server([&](ServerConnection& connection) {
    while (const auto command = connection.readCommand())
      if (*command == "*OPC?") connection.send("1\n");
    clientGone.set_value();
  });
  IoSessionRef first = IoResourceManager().Open(server.socketAddress());
  IoSessionRef second = first;
  first.reset();
  EXPECT_EQ(second->QueryText("*OPC?"), "1");  // still open through the second reference
  auto gone = clientGone.get_future();
  second.reset();
  EXPECT_EQ(gone.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

// GPIB has no transport; VXI-11 has its module, which is not beside this test program.
TEST(ResourceManager, InterfacesWithoutATransportNameTheInterface) {
  for (const auto& [address, named] : {std::pair{"GPIB::7", "GPIB"}, {"TCPIP::127.0.0.1::INSTR", "VXI-11 module"}}) {
    const RuntimeError unreachable = errorOf([&] { IoResourceManager().Open(address); });
    EXPECT_EQ(unreachable.number(), status::InterfaceNotAvailable) << address;
    EXPECT_NE(unreachable.description().find(named), std::string::npos) << unreachable.description();
  }
  const RuntimeError invalid = errorOf([] { IoResourceManager().Open("scope"); });
  EXPECT_EQ(invalid.number(), status::InvalidResourceName);
  EXPECT_EQ(invalid.description(), "invalid resource string (scope)");
}

TEST(ResourceManager, ScopedOpenerIsAskedFirstOnThisThreadOnly) {
  LoopbackServer server(answering({{"*OPC?", "1\n"}}));
  const std::string fakeAddress = "GPIB::9";
  const IoSessionRef fake = IoResourceManager().Open(server.socketAddress());
  int asked = 0;
  {
    ScopedSessionOpener opener([&](std::string_view address) -> IoSessionRef {
      ++asked;
      return address == fakeAddress ? fake : nullptr;
    });
    EXPECT_EQ(IoResourceManager().Open(fakeAddress), fake);
    // An opener that declines leaves the address to the real transports.
    const IoSessionRef real = IoResourceManager().Open(server.socketAddress());
    EXPECT_NE(real, fake);
    EXPECT_EQ(real->QueryText("*OPC?"), "1");
    std::thread other([&] {
      EXPECT_EQ(errorNumberOf([&] { IoResourceManager().Open("GPIB::7"); }),
                status::InterfaceNotAvailable);
    });
    other.join();
    {
      ScopedSessionOpener inner([](std::string_view) -> IoSessionRef { return nullptr; });
      EXPECT_EQ(errorNumberOf([&] { IoResourceManager().Open("GPIB::7"); }),
                status::InterfaceNotAvailable);
    }
    EXPECT_EQ(IoResourceManager().Open(fakeAddress), fake);  // the outer opener is back
  }
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(errorNumberOf([&] { IoResourceManager().Open(fakeAddress); }),
            status::InterfaceNotAvailable);
}

}  // namespace
}  // namespace trv3::io
