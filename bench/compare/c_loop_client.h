// The C loop of c_loop.h behind one C++ face for both transports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct cloop_vxi11;

namespace trv3::bench {

class CLoopClient {
 public:
  static CLoopClient overSocket(const std::string& host, uint16_t port);
  static CLoopClient overVxi11(const std::string& host);
  CLoopClient(CLoopClient&& other) noexcept;
  ~CLoopClient();

  void write(const std::string& message);
  // One whole reply into the buffer; its length.
  size_t read(std::vector<char>& buffer);

 private:
  CLoopClient() = default;
  int fd_ = -1;
  cloop_vxi11* link_ = nullptr;
};

}  // namespace trv3::bench
