// A host name whose lookup never ends: inside the private network namespace, a child process
// gives itself a resolver configuration that asks 127.0.0.1, where a socket takes the question and
// never answers. Opening by that name must end at the time-out, not at the resolver's own limit.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "platform/io/io_session.h"
#include "platform/io/io_status.h"
#include "platform/runtime/errors.h"

namespace trv3::io {
namespace {

constexpr int kPassed = 0;
constexpr int kFailed = 1;
constexpr int kCannotSetUp = 77;

// A mount namespace of the process's own with /etc/resolv.conf replaced, and a silent resolver.
bool silentResolver() {
  const std::string config = "/tmp/trv3_silent_resolv_" + std::to_string(::getpid());
  std::ofstream(config) << "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n";
  if (::unshare(CLONE_NEWNS) != 0 ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount(config.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
    return false;
  std::remove(config.c_str());  // the mount keeps it
  // Open for the rest of the process: questions arrive and stay unanswered.
  const int sink = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(53);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::bind(sink, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

int openByHungName() {
  if (!silentResolver()) return kCannotSetUp;
  const auto start = std::chrono::steady_clock::now();
  int32_t outcome = 0;
  try {
    IoResourceManager().Open("TCPIP::scope.invalid::5025::SOCKET", std::chrono::milliseconds{1500});
  } catch (const RuntimeError& error) {
    outcome = error.number();
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("lookup ended after %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
  // Well short of the resolver's first try (5 s), with room for a busy machine.
  return outcome == status::Timeout && elapsed <= std::chrono::milliseconds{4000} ? kPassed
                                                                                   : kFailed;
}

TEST(HungNameLookup, OpeningEndsAtTheTimeOut) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(openByHungName());
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotSetUp) GTEST_SKIP() << "no mount namespace for the resolver";
  EXPECT_EQ(WEXITSTATUS(status), kPassed);
}

}  // namespace
}  // namespace trv3::io
