// The identification probe's connection is bounded by the search.
#include "platform/discovery/idn_probe.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>
#include <thread>

#include "support/full_backlog_listener.h"
#include "support/loopback_listener.h"
#include "support/scoped_environment.h"

namespace trv3::discovery {
namespace {

using namespace std::chrono_literals;
using trv3::testing::FullBacklogListener;
using trv3::testing::ScopedEnvironment;

// Reads one command from the connection and answers it.
void answerOnce(int connection, std::string_view reply) {
  char c = 0;
  pollfd entry{connection, POLLIN, 0};
  while (::poll(&entry, 1, 5000) == 1 && ::read(connection, &c, 1) == 1 && c != '\n') {
  }
  ASSERT_EQ(::write(connection, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
}

TEST(IdnProbe, ConnectWaitsForTheSearchRatherThanTheLibraryDefault) {
  // A default this short would end the connect long before the kernel retries it.
  const ScopedEnvironment shortDefault("TRV3_IO_TIMEOUT_MS", "1");
  FullBacklogListener listener;
  const SearchLimits limits{std::chrono::steady_clock::now() + 20s, {}};
  auto probe = std::async(std::launch::async,
                          [&] { return probeIdn(listener.socketAddress(), limits); });
  ASSERT_TRUE(listener.awaitDroppedClient());
  ::close(listener.acceptOne());  // room in the queue for the retried request
  const int connection = listener.acceptOne();
  ASSERT_GE(connection, 0);
  answerOnce(connection, "VELMORA,TRV30K2A,SN0001,03.10\n");
  EXPECT_EQ(probe.get(), "VELMORA,TRV30K2A,SN0001,03.10");
  ::close(connection);
}

// An identification far longer than any instrument's is refused, not collected.
TEST(IdnProbe, AnOverlongIdentificationIsRefused) {
  const trv3::testing::LoopbackListener listener = trv3::testing::listenOnLoopback(1);
  std::thread instrument([&] {
    const int connection = ::accept(listener.fd, nullptr, nullptr);
    char c = 0;
    while (::read(connection, &c, 1) == 1 && c != '\n') {
    }
    const std::string reply = "VELMORA," + std::string(LongestIdnReply, 'x') + "\n";
    ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);  // the probe may hang up first
    ::close(connection);
  });
  const SearchLimits limits{std::chrono::steady_clock::now() + 20s, {}};
  EXPECT_EQ(probeIdn("TCPIP::127.0.0.1::" + std::to_string(listener.port) + "::SOCKET", limits), std::nullopt);
  instrument.join();
  ::close(listener.fd);
}

}  // namespace
}  // namespace trv3::discovery
