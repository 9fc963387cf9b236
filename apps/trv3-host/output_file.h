// One output file of the host, replaced whole or not at all: the bytes go to a temporary file beside
// it, which takes its place only on commit(), so that a write that fails or is interrupted leaves
// the file the user had. A link is followed and stays. The host's own standard output or error (a
// file they were redirected to included) is written through the stream; what is no regular file (a
// device, a pipe) and a file in a folder that takes no new file are written in place.
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

  // All throw std::runtime_error "cannot write FILE: reason". complete() puts the bytes on the
  // disk, putInPlace() then gives the file its name; commit() does both. Outputs that go together
  // are all completed before any is put in place.
  void write(std::string_view bytes);
  void complete();
  void putInPlace();
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
