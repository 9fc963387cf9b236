// One output file of the host, replaced whole or not at all: the bytes go to a temporary file beside
// it, which takes its place only on commit(), so that a write that fails or is interrupted leaves
// the file the user had. A link is followed and stays. What is no regular file (a device, a pipe,
// /dev/stdout) is written in place, as is a file in a folder that takes no new file.
#pragma once

#include <filesystem>
#include <string_view>

namespace trv3::host {

class OutputFile {
 public:
  // Throws std::runtime_error "cannot write FILE: reason" when the file cannot be opened.
  explicit OutputFile(const std::filesystem::path& file);
  ~OutputFile();  // an uncommitted temporary file is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Both throw std::runtime_error "cannot write FILE: reason".
  void write(std::string_view bytes);
  void commit();

 private:
  [[noreturn]] void fail(int error) const;

  std::filesystem::path named_;        // as the user named it, for messages
  std::filesystem::path destination_;  // the file behind any link
  std::filesystem::path temporary_;    // empty when written in place
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace trv3::host
