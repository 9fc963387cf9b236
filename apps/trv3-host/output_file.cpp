#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace trv3::host {
namespace {

std::filesystem::path behindLinks(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(file, error);
  return error ? file : real;
}

// A pipe without a reader refuses at once instead of holding the host until one comes.
int openInPlace(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

void syncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

OutputFile::OutputFile(const std::filesystem::path& file)
    : named_(file), destination_(behindLinks(file)) {
  struct stat existing {};
  const bool exists = ::stat(destination_.c_str(), &existing) == 0;
  if (!exists || S_ISREG(existing.st_mode)) {
    temporary_ = destination_.string() + ".tmp-" + std::to_string(::getpid());
    ::unlink(temporary_.c_str());  // left by a killed run that had the same process id
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      if (exists) ::fchmod(fd_, existing.st_mode & 07777);
      return;
    }
    temporary_.clear();
  }
  fd_ = openInPlace(destination_);
  if (fd_ < 0) fail(errno);
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

void OutputFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail(written < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

void OutputFile::commit() {
  // The bytes are on the disk before the name leads to them: a crash leaves the old file or the
  // new one, never an empty one.
  if (!temporary_.empty() && ::fsync(fd_) != 0) fail(errno);
  if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) fail(errno);
  if (!temporary_.empty()) {
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0) fail(errno);
    syncFolder(destination_.has_parent_path() ? destination_.parent_path() : ".");
  }
  committed_ = true;
}

void OutputFile::fail(int error) const {
  throw std::runtime_error("cannot write " + named_.string() + ": " + std::strerror(error));
}

}  // namespace trv3::host
