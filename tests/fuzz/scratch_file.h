// Fuzz inputs for readers that take a file: each input is written to one private file in memory,
// reused for every run so that the file system is not filled.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_target.h"

namespace trv3::fuzz {

class ScratchFile {
 public:
  explicit ScratchFile(const char* name) : fd_(::memfd_create(name, MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
  }
  ~ScratchFile() { ::close(fd_); }

  // The file now holds exactly the input; readers open it by this path.
  const std::filesystem::path& write(Input input) {
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, input.data(), input.size(), 0) !=
                                        static_cast<ssize_t>(input.size()))
      std::abort();
    return path_;
  }

 private:
  int fd_;
  std::filesystem::path path_ = "/proc/self/fd/" + std::to_string(fd_);
};

}  // namespace trv3::fuzz
