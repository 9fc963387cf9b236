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

// The file a chain of links leads to, whether it exists yet or not; a link that leads nowhere
// after as many hops as the system follows is left as it stands, and writing it then fails.
std::filesystem::path behindLinks(std::filesystem::path file) {
  std::error_code error;
  for (int hops = 0; hops < 40 && std::filesystem::is_symlink(file, error); ++hops) {
    const std::filesystem::path target = std::filesystem::read_symlink(file, error);
    if (error) break;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return file;
}

// The host's standard output or error when the file is one of them under another name
// (/dev/stdout, or a file they were redirected to); -1 otherwise.
int standardStreamOf(const struct stat& file) {
  for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat open {};
    if (::fstat(stream, &open) == 0 && open.st_dev == file.st_dev && open.st_ino == file.st_ino) return stream;
  }
  return -1;
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
  // Asked of the name as given: the system follows every link, those under /proc included.
  struct stat existing {};
  const bool exists = ::stat(named_.c_str(), &existing) == 0;
  // Written through the stream itself, after what was printed before: replacing or truncating the
  // file would lose what was and will be printed there (a shell's >> included).
  if (const int stream = exists ? standardStreamOf(existing) : -1; stream >= 0) {
    fd_ = ::fcntl(stream, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) fail(errno);
    return;
  }
  const bool replaceable = exists ? S_ISREG(existing.st_mode) : !std::filesystem::is_symlink(destination_);
  if (replaceable) {
    temporary_ = destination_.string() + ".tmp-" + std::to_string(::getpid());
    ::unlink(temporary_.c_str());  // left by a killed run that had the same process id
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      if (exists) ::fchmod(fd_, existing.st_mode & 07777);
      return;
    }
    temporary_.clear();
  }
  fd_ = openInPlace(named_);
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

void OutputFile::complete() {
  // The bytes are on the disk before the name leads to them: a crash leaves the old file or the
  // new one, never an empty one.
  if (!temporary_.empty() && ::fsync(fd_) != 0) fail(errno);
  if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) fail(errno);
}

void OutputFile::putInPlace() {
  if (!temporary_.empty()) {
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0) fail(errno);
    syncFolder(destination_.has_parent_path() ? destination_.parent_path() : ".");
  }
  committed_ = true;
}

void OutputFile::commit() {
  complete();
  putInPlace();
}

void OutputFile::fail(int error) const {
  throw std::runtime_error("cannot write " + named_.string() + ": " + std::strerror(error));
}

}  // namespace trv3::host
