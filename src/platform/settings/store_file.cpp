#include "platform/settings/store_file.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/runtime/bounded_file.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/json_shape.h"
#include "platform/runtime/path_text.h"
#include "platform/settings/registry_tree.h"
#include "platform/settings/settings_store.h"

namespace trv3::settings {
namespace {

constexpr int32_t PathFileAccessError = 75;

[[noreturn]] void raiseAccess(const std::filesystem::path& path, const char* what) {
  raise(PathFileAccessError, std::string("Path/File access error: cannot ") + what + " " +
                                 path.string());
}

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return std::filesystem::current_path().native();
}

// As text, for the reason in path_text.h: creating the add-in reads the store.
std::string storePathText() {
  // A relative folder is no setting: it would name another store in each working folder, so the
  // host would not find what trv3-regsvr registered elsewhere.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string base = configHome && *configHome == '/' ? std::string(configHome)
                                                      : joinedPath(homeFolder(), ".config");
  return joinedPath(std::move(base), "velmora/registry.json");
}

// A writer holds the lock for two waits for the disk, or for the few seconds in which it lets
// another program finish writing the store in place; a holder that keeps it longer is stuck, and the
// change is given up rather than the caller held.
constexpr auto kLongestLockWait = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(20);

// Holds an exclusive flock on the lock file beside the store for as long as it lives. The store
// itself is replaced by rename, so it cannot carry the lock.
class StoreLock {
 public:
  explicit StoreLock(const std::filesystem::path& store) {
    std::error_code ignored;
    std::filesystem::create_directories(store.parent_path(), ignored);
    const std::filesystem::path lockPath = store.string() + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) raiseAccess(lockPath, "open");
    const auto giveUp = std::chrono::steady_clock::now() + kLongestLockWait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      const bool held = errno == EWOULDBLOCK;
      if ((held && std::chrono::steady_clock::now() >= giveUp) || (!held && errno != EINTR)) {
        ::close(fd_);
        raiseAccess(lockPath, held ? "lock, another program holds" : "lock");
      }
      if (held) std::this_thread::sleep_for(kLockRetry);
    }
  }
  ~StoreLock() { ::close(fd_); }  // closing releases the lock
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int fd_ = -1;
};

enum class FileState { Missing, Parsed, Unparsable };

// Far above what the settings of every program of a user take.
constexpr size_t kLargestStore = size_t{16} << 20;

// Values beyond what the settings of every program of a user hold: the parsed document takes
// some hundred bytes for each, so a file within the size limit cannot take the host's memory.
constexpr size_t kMostValues = 100000;

// A NUL (where the parser would stop and a save drop what follows), too deep or too many values.
JsonShape storeShape(std::string_view text) { return jsonShape(text, kDeepestNesting, kMostValues); }

// The document, or none when the text is no JSON object or names one member twice in an object: the
// parser keeps only the last, and the next save would drop the others from the user's file.
std::optional<nlohmann::json> parseStore(const std::string& text, size_t entriesWritten) {
  nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object() || jsonEntries(parsed) != entriesWritten)
    return std::nullopt;
  return parsed;
}

FileState load(const std::string& path, nlohmann::json& root,
               FileVersion* version = nullptr) {
  root = nlohmann::json::object();
  const BoundedFile file = readBoundedFile(path, kLargestStore);
  if (version) *version = file.version;
  if (file.outcome == BoundedFile::Outcome::Missing) return FileState::Missing;
  // Not a file, too large or unreadable: set aside like a file that does not parse.
  if (file.outcome != BoundedFile::Outcome::Read) return FileState::Unparsable;
  const JsonShape shape = storeShape(file.text);
  if (shape.fault) return FileState::Unparsable;
  std::optional<nlohmann::json> parsed = parseStore(file.text, shape.entries);
  if (!parsed) return FileState::Unparsable;
  root = std::move(*parsed);
  return FileState::Parsed;
}

// The file the store's path leads to: a store that is a link (into a folder of configuration the
// user keeps elsewhere, say) is replaced and set aside where the link leads, and the link stays.
// Only a link to a regular file, or to a file yet to be made in a folder that is there, is
// followed, and only where that folder can be written; any other link (to /dev/null, to a folder,
// in a loop) is itself the store, set aside or replaced as a file would be.
std::filesystem::path storeFileBehind(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  std::filesystem::path target = std::filesystem::read_symlink(path, error);
  if (error) return path;
  if (target.is_relative()) target = path.parent_path() / target;
  const std::filesystem::file_status status = std::filesystem::status(target, error);
  const bool followable = status.type() == std::filesystem::file_type::regular ||
                          (status.type() == std::filesystem::file_type::not_found &&
                           std::filesystem::is_directory(target.parent_path(), error));
  if (!followable || ::access(target.parent_path().c_str(), W_OK) != 0) return path;
  return target;
}

// Keeps an unreadable store (the file behind its path) for the user to inspect instead of
// overwriting it, under a name that says what is wrong with it, and tells the user once: the next
// reader finds no file to complain of. False when it could not be kept.
bool setAside(const std::filesystem::path& path, const std::filesystem::path& file) {
  const auto stamp = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  const std::string suffix = ".unreadable-" + std::to_string(stamp) + "-" + std::to_string(getpid());
  // A name the folder cannot hold with the suffix is shortened, not left to be overwritten.
  std::string name = file.filename().string();
  if (name.size() + suffix.size() > NAME_MAX) {
    name.resize(NAME_MAX - suffix.size());
    // Not inside a UTF-8 character: its continuation bytes go with the byte that leads them.
    while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
    if (!name.empty() && (static_cast<unsigned char>(name.back()) & 0x80) != 0) name.pop_back();
  }
  const std::filesystem::path aside = file.parent_path() / (name + suffix);
  std::error_code failed;
  std::filesystem::rename(file, aside, failed);
  if (failed) return false;
  unreadableStoreNotice()(path, aside);
  return true;
}

// A program that writes the store in place (a shell's redirection, an editor) leaves it empty or
// half written for moments: a file that does not parse is read again while it keeps changing, and
// counts as unparsable only once it has stayed the same between two readings.
constexpr auto kChangeRecheck = std::chrono::milliseconds(250);
constexpr auto kLongestChangeWait = std::chrono::seconds(3);

FileState loadOnceStill(const std::filesystem::path& path, nlohmann::json& root) {
  FileVersion seen;
  FileState state = load(path, root, &seen);
  for (const auto giveUp = std::chrono::steady_clock::now() + kLongestChangeWait;
       state == FileState::Unparsable && std::chrono::steady_clock::now() + kChangeRecheck <= giveUp;) {
    std::this_thread::sleep_for(kChangeRecheck);
    FileVersion now;
    state = load(path, root, &now);
    if (now == seen) break;
    seen = now;
  }
  return state;
}

// A writer killed in the middle of a save leaves its temporary file; under the lock no other
// writer is at work, so every temporary left is such a remnant.
void removeRemnants(const std::filesystem::path& path) {
  const std::string prefix = path.filename().string() + ".tmp-";
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), ignored))
    if (entry.path().filename().string().starts_with(prefix)) std::filesystem::remove(entry, ignored);
}

void writeAll(int fd, const std::string& text, const std::filesystem::path& path) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) raiseAccess(path, "write");
    written += static_cast<size_t>(n);
  }
}

void syncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The document as the store holds it: indented for the user to read, or compact where indenting
// would take it past what a reading accepts. Raises when even that is too long.
std::string storeText(const std::filesystem::path& path, const nlohmann::json& root) {
  using nlohmann::json;
  std::string text = root.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
  if (text.size() > kLargestStore) text = root.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  if (text.size() > kLargestStore || storeShape(text).fault)
    raise(PathFileAccessError, "Path/File access error: cannot write " + path.string() +
                                   ": the settings would be more than a reading takes (16 MiB, " +
                                   std::to_string(kMostValues) + " values)");
  return text;
}

void replaceAtomically(const std::filesystem::path& path, const nlohmann::json& root) {
  const std::string text = storeText(path, root);
  const std::filesystem::path temporary = path.string() + ".tmp-" + std::to_string(getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) raiseAccess(temporary, "create");
  try {
    writeAll(fd, text, temporary);
    if (::fsync(fd) != 0) raiseAccess(temporary, "flush");
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  ::close(fd);
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    raiseAccess(path, "replace");
  }
  syncFolder(path.parent_path());
}

// The document last read, kept while its file stays that version: a host that creates and releases
// the add-in reads the store twice in a row.
struct KeptStore {
  std::string path;
  FileVersion version;
  std::shared_ptr<const nlohmann::json> root;
};
std::mutex lastReadMutex;
// Never destroyed: a host may release the add-in in its own exit handlers, after this library's
// statics are gone, and the release saves.
KeptStore& lastRead() {
  static auto* kept = new KeptStore;
  return *kept;
}

// A file changed in place within the tick of the file system's clock in which it was read keeps
// its modification time; only a version modified before any such tick (two seconds covers the
// coarsest) can stand for its content.
bool settled(const FileVersion& version) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec - version.modified.tv_sec > 2;
}

}  // namespace

UnreadableStoreNotice& unreadableStoreNotice() {
  static auto* notice = new UnreadableStoreNotice([](const std::filesystem::path& store,
                                                     const std::filesystem::path& aside) {
    if (aside.empty())
      std::fprintf(stderr, "trv3: the settings file %s could not be read, nor kept under another "
                           "name; it is left as it is, and the settings start afresh without being "
                           "saved.\n", store.c_str());
    else
      std::fprintf(stderr, "trv3: the settings file %s could not be read; it was kept as %s and the "
                           "settings start afresh.\n", store.c_str(), aside.c_str());
  });
  return *notice;  // never destroyed, as lastRead()
}

std::filesystem::path storePath() { return storePathText(); }

// No lock is needed to read: every write replaces the whole file by rename, so a reader sees either
// the old or the new document, never a mixture. Only an unreadable file takes the lock, to be set
// aside by one reader or writer alone.
std::shared_ptr<const nlohmann::json> readStore() {
  const std::string path = storePathText();
  {
    std::lock_guard lock(lastReadMutex);
    const KeptStore& kept = lastRead();
    if (kept.root && kept.path == path && currentVersion(path) == kept.version) return kept.root;
  }
  auto root = std::make_shared<nlohmann::json>();
  FileVersion version;
  const FileState state = load(path, *root, &version);
  if (state == FileState::Parsed && settled(version)) {
    std::lock_guard lock(lastReadMutex);
    lastRead() = {path, version, root};
  }
  if (state != FileState::Unparsable) return root;
  bool readOrSetAside = false;
  resumeNext([&] {
    StoreLock lock(path);
    const std::filesystem::path file = storeFileBehind(path);
    readOrSetAside = loadOnceStill(file, *root) != FileState::Unparsable || setAside(path, file);
  });
  if (readOrSetAside) return root;
  // Left where it is (a folder that cannot be written, say): the user is told once, and the empty
  // document is kept for this version, so that later readings neither wait for it nor tell again.
  unreadableStoreNotice()(path, {});
  if (const auto now = currentVersion(path); now && settled(*now)) {
    std::lock_guard lock(lastReadMutex);
    lastRead() = {path, *now, root};
  }
  return root;
}

void updateStore(const std::function<void(nlohmann::json& root)>& change) {
  const std::filesystem::path path = storePath();
  StoreLock lock(path);
  const std::filesystem::path file = storeFileBehind(path);
  removeRemnants(file);
  nlohmann::json root;
  const FileState state = loadOnceStill(file, root);
  // What cannot be kept is not overwritten either.
  if (state == FileState::Unparsable && !setAside(path, file)) raiseAccess(file, "set aside the unreadable");
  const nlohmann::json before = root;
  change(root);
  // Each replacement waits for the disk twice; a host that releases the add-in saves the same
  // remembered values time after time.
  if (state == FileState::Parsed && root == before) return;
  replaceAtomically(file, root);
}

}  // namespace trv3::settings
