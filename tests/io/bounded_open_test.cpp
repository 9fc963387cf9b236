// Opening within a time-out of the caller's, instead of the library's default.
#include <gtest/gtest.h>

#include <future>

#include "loopback_server.h"
#include "platform/io/io_session.h"
#include "platform/io/io_status.h"
#include "support/full_backlog_listener.h"
#include "support/runtime_error_matchers.h"
#include "support/scoped_environment.h"

namespace trv3::io {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackServer;
using testing::ServerConnection;
using trv3::testing::errorNumberOf;
using trv3::testing::FullBacklogListener;
using trv3::testing::ScopedEnvironment;

TEST(BoundedOpen, SessionKeepsTheTimeOutItWasOpenedWith) {
  LoopbackServer server([](ServerConnection& connection) {
    while (connection.readCommand()) {
    }
  });
  EXPECT_EQ(IoResourceManager().Open(server.socketAddress(), 1234ms)->Timeout(), 1234ms);
  EXPECT_EQ(IoResourceManager().Open(server.socketAddress())->Timeout(), defaultIoTimeout());
}

TEST(BoundedOpen, HostByNameAndByNumber) {
  LoopbackServer server([](ServerConnection& connection) {
    while (const auto command = connection.readCommand()) connection.send("1\n");
  });
  for (const char* host : {"127.0.0.1", "localhost"}) {
    const auto session = IoResourceManager().Open(
        "TCPIP::" + std::string(host) + "::" + std::to_string(server.port()) + "::SOCKET", 2s);
    EXPECT_EQ(session->QueryText("*OPC?"), "1") << host;
  }
}

TEST(BoundedOpen, ConnectToASilentlyDroppingAddressEndsAtTheTimeOut) {
  FullBacklogListener listener;
  EXPECT_EQ(errorNumberOf([&] { IoResourceManager().Open(listener.socketAddress(), 100ms); }),
            status::Timeout);
}

TEST(BoundedOpen, ConnectWaitsForTheGivenTimeOutRatherThanTheDefault) {
  // A default this short would end the connect long before the kernel retries it.
  const ScopedEnvironment shortDefault("TRV3_IO_TIMEOUT_MS", "1");
  FullBacklogListener listener;
  auto opening = std::async(std::launch::async, [&] {
    return IoResourceManager().Open(listener.socketAddress(), 10s);
  });
  ASSERT_TRUE(listener.awaitDroppedClient());
  ::close(listener.acceptOne());  // room in the queue for the retried request
  EXPECT_NE(opening.get(), nullptr);
}

}  // namespace
}  // namespace trv3::io
