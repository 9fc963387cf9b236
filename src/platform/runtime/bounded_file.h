// Reads a file that a user or another program may have put in our way: only a regular file, and
// only up to a limit, so that a pipe or a device cannot block the host and a runaway file cannot
// take its memory.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>

namespace trv3 {

// What tells one content of a file from another without reading it: a replacement by rename
// brings another inode, a change in place another modification or change time or size.
struct FileVersion {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  bool operator==(const FileVersion& other) const;
};

// Paths are text (see path_text.h); a std::filesystem::path converts.

// The version of the regular file at the path as it stands, or none.
std::optional<FileVersion> currentVersion(const std::string& file);

struct BoundedFile {
  enum class Outcome { Read, Missing, NotAFile, TooLarge, Unreadable };
  Outcome outcome = Outcome::Missing;
  std::string text;     // the whole file when read
  FileVersion version;  // of the file read
};

BoundedFile readBoundedFile(const std::string& file, size_t limit);

}  // namespace trv3
