#include "platform/runtime/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

namespace trv3 {
namespace {

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool sameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

timespec timeOf(const statx_timestamp& time) { return {time.tv_sec, time.tv_nsec}; }

FileVersion versionOf(const struct statx& status) {
  return {makedev(status.stx_dev_major, status.stx_dev_minor), static_cast<ino_t>(status.stx_ino),
          static_cast<off_t>(status.stx_size), timeOf(status.stx_mtime), timeOf(status.stx_ctime)};
}

}  // namespace

bool FileVersion::operator==(const FileVersion& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

std::optional<FileVersion> currentVersion(const std::string& file) {
  // Asked of the server itself where the file system is remote: another machine may have changed
  // the file since the client last looked.
  struct statx status {};
  if (::statx(AT_FDCWD, file.c_str(), AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &status) != 0 ||
      !S_ISREG(status.stx_mode))
    return std::nullopt;
  return versionOf(status);
}

BoundedFile readBoundedFile(const std::string& file, size_t limit) {
  using Outcome = BoundedFile::Outcome;
  // Opened without waiting, so that a pipe with no writer does not hold us before the check.
  const Descriptor opened{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
  if (opened.fd < 0)
    return {errno == ENOENT || errno == ENOTDIR ? Outcome::Missing : Outcome::Unreadable, {}, {}};
  struct statx status {};
  if (::statx(opened.fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &status) != 0)
    return {Outcome::Unreadable, {}, {}};
  if (!S_ISREG(status.stx_mode)) return {Outcome::NotAFile, {}, {}};
  if (status.stx_size > limit) return {Outcome::TooLarge, {}, {}};
  // Sized by what is there; the file may grow while it is read, so no more than the limit is taken.
  BoundedFile read{Outcome::Read, {}, versionOf(status)};
  read.text.reserve(static_cast<size_t>(status.stx_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(opened.fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {Outcome::Unreadable, {}, {}};
    if (n == 0) break;
    if (read.text.size() + static_cast<size_t>(n) > limit) return {Outcome::TooLarge, {}, {}};
    read.text.append(chunk, static_cast<size_t>(n));
  }
  return read;
}

}  // namespace trv3
