// A folder holding a bound compositor's socket, "wayland-0", for tests of the screen checks.
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace trv3::testing {

class WaylandRuntimeFolder {
 public:
  WaylandRuntimeFolder() {
    char pattern[] = "/tmp/trv3-wayland-XXXXXX";
    folder_ = mkdtemp(pattern);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/wayland-0", folder_.c_str());
    socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ~WaylandRuntimeFolder() {
    ::close(socket_);
    std::filesystem::remove_all(folder_);
  }
  const std::string& path() const { return folder_; }

 private:
  std::string folder_;
  int socket_ = -1;
};

}  // namespace trv3::testing
