// Reads a file that a user or another program may have put in our way: only a regular file, and
// only up to a limit, so that a pipe or a device cannot block the host and a runaway file cannot
// take its memory.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace trv3 {

struct BoundedFile {
  enum class Outcome { Read, Missing, NotAFile, TooLarge, Unreadable };
  Outcome outcome = Outcome::Missing;
  std::string text;  // the whole file when read
};

BoundedFile readBoundedFile(const std::filesystem::path& file, size_t limit);

}  // namespace trv3
