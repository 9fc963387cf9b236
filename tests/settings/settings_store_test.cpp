#include "platform/settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <functional>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/runtime/errors.h"
#include "support/runtime_error_matchers.h"
#include "support/scoped_environment.h"
#include "support/temp_config_home.h"

namespace trv3::settings {
namespace {

using testing::errorNumberOf;
using testing::TempConfigHome;

constexpr const char* App = "Velmora\\Quorvalis\\Arb Application";
constexpr const char* Section = "TRV3 series";

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
  return files;
}

TEST(SettingsStore, SavedValuesReadBackAndMissingOnesGiveTheDefault) {
  TempConfigHome home;
  EXPECT_EQ(GetSetting(App, Section, "Chan", "1"), "1");
  SaveSetting(App, Section, "Chan", "abc");
  SaveSetting(App, Section, "Addr", "TCPIP0::127.0.0.1::inst0::INSTR");
  EXPECT_EQ(GetSetting(App, Section, "Chan", "1"), "abc");
  EXPECT_EQ(GetSetting(App, Section, "chan"), "abc");  // names ignore letter case
  EXPECT_EQ(GetSetting(App, Section, "Addr"), "TCPIP0::127.0.0.1::inst0::INSTR");
  EXPECT_EQ(GetSetting(App, "Other section", "Chan", "d"), "d");
  EXPECT_EQ(storePath(), home.storeFile());
  // The application name nests keys, as a registry path would.
  EXPECT_EQ(QueryValue("Software\\Program Settings\\Velmora\\Quorvalis\\Arb Application\\TRV3 series",
                       "Chan"),
            "abc");
}

TEST(SettingsStore, SeveralKeysAreSavedInOneChangeAndReadWithTheirDefaults) {
  TempConfigHome home;
  SaveSettings(App, Section, std::vector<Setting>{{"Addr", "a"}, {"Chan", "2"}});
  std::vector<Setting> read = {{"addr", "none"}, {"Chan", "1"}, {"Cbo_Idx", "0"}};
  GetSettings(App, Section, read);
  EXPECT_EQ(read[0].value, "a");
  EXPECT_EQ(read[1].value, "2");
  EXPECT_EQ(read[2].value, "0");
  // A bad key among them leaves the store as it was.
  EXPECT_EQ(errorNumberOf([] { SaveSettings(App, Section, std::vector<Setting>{{"Chan", "3"}, {"", "x"}}); }),
            rt::InvalidProcedureCall);
  EXPECT_EQ(GetSetting(App, Section, "Chan"), "2");
}

TEST(SettingsStore, FollowsTheConfigFolderAtEveryCall) {
  TempConfigHome first;
  SaveSetting(App, Section, "Addr", "first");
  {
    TempConfigHome second;
    EXPECT_EQ(GetSetting(App, Section, "Addr", "none"), "none");
    SaveSetting(App, Section, "Addr", "second");
  }
  EXPECT_EQ(GetSetting(App, Section, "Addr"), "first");
}

TEST(SettingsStore, AConfigFolderThatIsNotAbsoluteIsIgnored) {
  TempConfigHome home;
  const testing::ScopedEnvironment homeFolder("HOME", home.folder().c_str());
  for (const char* folder : {"relative/dir", ""}) {
    const testing::ScopedEnvironment configFolder("XDG_CONFIG_HOME", folder);
    EXPECT_EQ(storePath(), home.folder() / ".config" / "velmora" / "registry.json") << folder;
  }
}

TEST(SettingsStore, DeletingAValueOrASection) {
  TempConfigHome home;
  SaveSetting(App, Section, "Addr", "a");
  SaveSetting(App, Section, "Chan", "2");
  DeleteSetting(App, Section, "Addr");
  EXPECT_EQ(GetSetting(App, Section, "Addr", "gone"), "gone");
  EXPECT_EQ(GetSetting(App, Section, "Chan"), "2");
  DeleteSetting(App, Section, "Addr");  // already gone: no change, no error
  DeleteSetting(App, Section, "");
  EXPECT_EQ(GetSetting(App, Section, "Chan", "gone"), "gone");
}

TEST(SettingsStore, RefusesEmptyNamesAndValuesWhereKeysStand) {
  TempConfigHome home;
  EXPECT_EQ(errorNumberOf([] { SaveSetting("", Section, "Chan", "1"); }), rt::InvalidProcedureCall);
  EXPECT_EQ(errorNumberOf([] { SaveSetting(App, Section, "", "1"); }), rt::InvalidProcedureCall);
  const ValueWrite key{"Software\\A\\B", "v", "1"};
  SetValues({&key, 1});
  const ValueWrite clash{"Software\\A", "B", "text"};
  EXPECT_EQ(errorNumberOf([&] { SetValues({&clash, 1}); }), rt::InvalidProcedureCall);
  // Deeper than any reader would take the store.
  std::string deepPath;
  for (int level = 0; level < 64; ++level) deepPath += "K\\";
  const ValueWrite deep{deepPath, "v", "1"};
  EXPECT_EQ(errorNumberOf([&] { SetValues({&deep, 1}); }), rt::InvalidProcedureCall);
  EXPECT_EQ(QueryValue("Software\\A\\B", "v"), "1");
}

TEST(SettingsStore, WritesInOneChangeOrNotAtAll) {
  TempConfigHome home;
  const ValueWrite blocker{"Software\\A", "B", "text"};
  SetValues({&blocker, 1});
  const std::vector<ValueWrite> writes = {{"Software\\C", "", "kept?"}, {"Software\\A\\B", "x", "1"}};
  EXPECT_NE(errorNumberOf([&] { SetValues(writes); }), 0);
  EXPECT_EQ(QueryValue("Software\\C", ""), std::nullopt);
  const std::vector<std::string> keys = {"Software\\A"};
  DeleteKeys(keys);
  EXPECT_EQ(QueryValue("Software\\A", "B"), std::nullopt);
}

TEST(SettingsStore, DeletingKeysLeavesValuesOfTheSameNameAlone) {
  TempConfigHome home;
  const std::vector<ValueWrite> writes = {{"Software\\A", "B", "value"}, {"Software\\A\\C", "x", "1"}};
  SetValues(writes);
  const std::vector<std::string> keys = {"Software\\A\\B", "software\\a\\c"};
  DeleteKeys(keys);
  EXPECT_EQ(QueryValue("Software\\A", "B"), "value");
  EXPECT_EQ(QueryValue("Software\\A\\C", "x"), std::nullopt);
}

TEST(SettingsStore, ReadingCreatesNothing) {
  TempConfigHome home;
  EXPECT_EQ(GetSetting(App, Section, "Addr", "none"), "none");
  EXPECT_FALSE(std::filesystem::exists(home.storeFile().parent_path()));
}

TEST(SettingsStore, SavingTheStoredValueAgainLeavesTheFileAloneAndAChangeReplacesIt) {
  TempConfigHome home;
  SaveSetting(App, Section, "Chan", "1");
  const auto inodeOf = [&] {
    struct stat status{};
    ::stat(home.storeFile().c_str(), &status);
    return status.st_ino;
  };
  const auto first = inodeOf();
  SaveSetting(App, Section, "Chan", "1");
  DeleteSetting(App, Section, "Addr");
  EXPECT_EQ(inodeOf(), first);
  SaveSetting(App, Section, "Chan", "2");
  EXPECT_NE(inodeOf(), first);
  EXPECT_EQ(GetSetting(App, Section, "Chan"), "2");
}

TEST(SettingsStore, AnUnwritableStoreRaisesPathFileAccessError) {
  TempConfigHome home;
  // A file where the store's folder should be makes every write fail.
  std::ofstream(home.folder() / "velmora") << "in the way";
  EXPECT_EQ(errorNumberOf([] { SaveSetting(App, Section, "Chan", "1"); }), 75);
  EXPECT_EQ(GetSetting(App, Section, "Chan", "default"), "default");

  // Nor is a store written that a reading would refuse for its size.
  TempConfigHome fresh;
  SaveSetting(App, Section, "Chan", "2");
  EXPECT_EQ(errorNumberOf([] { SaveSetting(App, Section, "Addr", std::string(size_t{17} << 20, 'a')); }), 75);
  EXPECT_EQ(GetSetting(App, Section, "Chan"), "2");
}

TEST(SettingsStore, AnUnparsableFileIsSetAsideTheUserToldOnceAndTreatedAsEmpty) {
  TempConfigHome home;
  std::filesystem::create_directories(home.storeFile().parent_path());
  std::ofstream(home.storeFile()) << "{ \"Software\": broken";
  std::vector<std::filesystem::path> told;
  const UnreadableStoreNotice previous = std::exchange(
      unreadableStoreNotice(),
      [&](const std::filesystem::path&, const std::filesystem::path& aside) { told.push_back(aside); });
  EXPECT_EQ(GetSetting(App, Section, "Chan", "1"), "1");
  EXPECT_EQ(GetSetting(App, Section, "Addr", "a"), "a");
  SaveSetting(App, Section, "Chan", "3");
  unreadableStoreNotice() = previous;
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(GetSetting(App, Section, "Chan"), "3");
  int setAside = 0, temporaries = 0;
  for (const auto& file : filesIn(home.storeFile().parent_path())) {
    const std::string name = file.filename().string();
    if (name.starts_with("registry.json.unreadable-")) {
      ++setAside;
      EXPECT_EQ(file, told[0]);
      std::ifstream in(file);
      std::string text((std::istreambuf_iterator<char>(in)), {});
      EXPECT_EQ(text, "{ \"Software\": broken");
    }
    if (name.find(".tmp-") != std::string::npos) ++temporaries;
  }
  EXPECT_EQ(setAside, 1);
  EXPECT_EQ(temporaries, 0);
}

// A store read before is kept while its file stays as it was. Whatever others then do to the file,
// or leave in its place, the next reading sees what it holds or sets it aside whole, and a save works.
TEST(SettingsStore, TheNextReadingSeesWhatOthersDidToTheFile) {
  using Path = std::filesystem::path;
  const auto age = [](const Path& file) {
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  };
  std::thread writer;
  const struct {
    const char* what;
    std::function<void(const Path& store, const std::string& chan8)> change;
    const char* read;  // "Chan" as the next reading finds it
    int setAside;
  } cases[] = {
      {"replaced by rename",
       [&](const Path& store, const std::string& chan8) {
         std::ofstream(store.string() + ".other") << chan8;
         age(store.string() + ".other");
         std::filesystem::rename(store.string() + ".other", store);
       },
       "8", 0},
      {"rewritten in place, same size, modification time put back",
       [&](const Path& store, const std::string& chan8) {
         std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past a coarse clock tick
         std::ofstream(store, std::ios::in | std::ios::out) << chan8;
         age(store);
       },
       "8", 0},
      {"removed", [](const Path& store, const std::string&) { std::filesystem::remove(store); }, "1", 0},
      {"being written in place, a piece at a time",
       [&](const Path& store, const std::string& chan8) {
         auto halfWritten = std::make_shared<std::promise<void>>();
         writer = std::thread([store, chan8, halfWritten] {
           std::ofstream out(store);
           const size_t half = chan8.size() / 2, piece = (chan8.size() - half) / 8 + 1;
           out << chan8.substr(0, half) << std::flush;
           halfWritten->set_value();
           for (size_t at = half; at < chan8.size(); at += piece) {
             std::this_thread::sleep_for(std::chrono::milliseconds(40));
             out << chan8.substr(at, piece) << std::flush;
           }
         });
         halfWritten->get_future().wait();
       },
       "8", 0},
      {"nested deeper than any store",
       [](const Path& store, const std::string& chan8) {
         std::ofstream(store) << "{\"deep\": " << std::string(100000, '[') << std::string(100000, ']')
                              << ", " << chan8.substr(chan8.find('{') + 1);
       },
       "1", 1},
      {"a link to a store kept elsewhere",
       [](const Path& store, const std::string& chan8) {
         const Path elsewhere = store.parent_path().parent_path() / "dotfiles";
         std::filesystem::create_directories(elsewhere);
         std::ofstream(elsewhere / "registry.json") << chan8;
         std::filesystem::remove(store);
         std::filesystem::create_symlink(elsewhere / "registry.json", store);
       },
       "8", 0},
      {"holding a NUL with more after it",
       [](const Path& store, const std::string& chan8) {
         std::ofstream(store, std::ios::binary) << chan8 << '\0' << "{\"Other\": 1}";
       },
       "1", 1},
      {"holding more values than any store",
       [](const Path& store, const std::string& chan8) {
         std::string many;
         for (int i = 0; i < 100000; ++i) many += "0,";
         std::ofstream(store) << "{\"many\": [" << many << "0], " << chan8.substr(chan8.find('{') + 1);
       },
       "1", 1},
      {"naming a key twice, which a save would leave only once",
       [](const Path& store, const std::string& chan8) {
         std::ofstream(store) << chan8.substr(0, chan8.rfind('}')) << R"(, "Software": {"Other": "1"}})";
       },
       "1", 1},
      {"an unreadable store kept elsewhere under a name too long to take a suffix",
       [](const Path& store, const std::string&) {
         const Path elsewhere = store.parent_path().parent_path() / "dotfiles" / (std::string(240, 'c') + ".json");
         std::filesystem::create_directories(elsewhere.parent_path());
         std::ofstream(elsewhere) << "{ broken";
         std::filesystem::remove(store);
         std::filesystem::create_symlink(elsewhere, store);
       },
       "1", 1},
      {"a link to /dev/null",
       [](const Path& store, const std::string&) {
         std::filesystem::remove(store);
         std::filesystem::create_symlink("/dev/null", store);
       },
       "1", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempConfigHome home;
    const Path store = home.storeFile();
    SaveSetting(App, Section, "Chan", "7");
    age(store);
    ASSERT_EQ(GetSetting(App, Section, "Chan", "1"), "7");
    std::ifstream in(store);
    std::string chan8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    chan8.replace(chan8.find("\"7\""), 3, "\"8\"");
    const UnreadableStoreNotice previous = std::exchange(unreadableStoreNotice(), [](const Path&, const Path&) {});
    c.change(store, chan8);
    EXPECT_EQ(GetSetting(App, Section, "Chan", "1"), c.read);
    if (writer.joinable()) writer.join();
    SaveSetting(App, Section, "Addr", "saved");
    unreadableStoreNotice() = previous;
    EXPECT_EQ(GetSetting(App, Section, "Addr"), "saved");
    EXPECT_EQ(GetSetting(App, Section, "Chan", "1"), c.read);
    int setAside = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(home.folder()))
      setAside += file.path().filename().string().find(".unreadable-") != std::string::npos;
    EXPECT_EQ(setAside, c.setAside);
    EXPECT_EQ(std::filesystem::is_symlink(store), std::string(c.what).find("elsewhere") != std::string::npos);
  }
}

// A store that can neither be read nor renamed (its folder mounted read-only): it is left as it
// is, the user told once, and a save over it refused. In a child with a mount namespace of its own.
TEST(SettingsStore, AnUnreadableStoreThatCannotBeSetAsideIsLeftAndToldOnce) {
  TempConfigHome home;
  const std::filesystem::path folder = home.storeFile().parent_path();
  std::filesystem::create_directories(folder);
  std::ofstream(home.storeFile()) << "{ broken";
  std::ofstream(home.storeFile().string() + ".lock");  // as an earlier save left it
  const timespec aMinuteAgo[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, home.storeFile().c_str(), aMinuteAgo, 0), 0);
  constexpr int kCannotSetUp = 77;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      _exit(kCannotSetUp);
    std::vector<std::filesystem::path> told;
    unreadableStoreNotice() = [&](const std::filesystem::path&, const std::filesystem::path& aside) {
      told.push_back(aside);
    };
    const bool readAsEmpty =
        GetSetting(App, Section, "Chan", "1") == "1" && GetSetting(App, Section, "Addr").empty();
    const bool saveRefused = errorNumberOf([] { SaveSetting(App, Section, "Chan", "2"); }) == 75;
    std::ifstream in(home.storeFile());
    const bool left = std::string(std::istreambuf_iterator<char>(in), {}) == "{ broken";
    _exit(readAsEmpty && saveRefused && left && told == std::vector<std::filesystem::path>{{}} ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotSetUp) GTEST_SKIP() << "no mount namespace for a read-only folder";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SettingsStore, AChangeGivesUpOnALockHeldByAStuckProgram) {
  TempConfigHome home;
  SaveSetting(App, Section, "Chan", "2");
  const int lock = ::open((home.storeFile().string() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(errorNumberOf([] { SaveSetting(App, Section, "Chan", "3"); }), 75);
  // A holder gets its few seconds, and no more.
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
  ::close(lock);
  EXPECT_EQ(GetSetting(App, Section, "Chan"), "2");
}

TEST(SettingsStore, TextIsKeptExactlyIncludingNonAsciiAndQuotes) {
  TempConfigHome home;
  const std::string value = "µs \"quoted\" \\ back\nline";
  SaveSetting(App, Section, "Addr", value);
  EXPECT_EQ(GetSetting(App, Section, "Addr"), value);
}

TEST(SettingsStore, TwoProcessesSavingAtOnceLoseNothing) {
  TempConfigHome home;
  constexpr int Writers = 2;
  constexpr int KeysEach = 100;
  std::vector<pid_t> children;
  for (int writer = 0; writer < Writers; ++writer) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      for (int i = 0; i < KeysEach; ++i) {
        const std::string key = "w" + std::to_string(writer) + "_" + std::to_string(i);
        if (!resumeNext([&] { SaveSetting(App, Section, key, std::to_string(i)); })) status = 1;
      }
      _exit(status);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int writer = 0; writer < Writers; ++writer)
    for (int i = 0; i < KeysEach; ++i)
      EXPECT_EQ(GetSetting(App, Section, "w" + std::to_string(writer) + "_" + std::to_string(i)),
                std::to_string(i));
}

// A writer killed at a random moment of its saves leaves the last complete file, never a torn one
// and never an older one, and its remnants do not pile up.
TEST(SettingsStore, AWriterKilledAtAnyMomentLeavesACompleteFile) {
  TempConfigHome home;
  constexpr int Rounds = 300;
  // Large enough that a save takes a while to write; the value names its sequence number.
  const auto valueOf = [](long sequence) {
    return std::to_string(sequence) + ":" + std::string(16384, static_cast<char>('a' + sequence % 26));
  };
  SaveSetting(App, Section, "Value", valueOf(0));
  std::mt19937 random(20261207);
  long lastSeen = 0;
  for (int round = 0; round < Rounds; ++round) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (long sequence = lastSeen + 1;; ++sequence) SaveSetting(App, Section, "Value", valueOf(sequence));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
    std::ifstream in(home.storeFile());
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(nlohmann::json::accept(text)) << "torn file in round " << round;
    const std::string value = GetSetting(App, Section, "Value");
    const long sequence = std::stol(value);
    ASSERT_EQ(value, valueOf(sequence)) << "round " << round;
    ASSERT_GE(sequence, lastSeen) << "round " << round;
    lastSeen = sequence;
  }
  SaveSetting(App, Section, "Other", "1");
  for (const auto& file : filesIn(home.storeFile().parent_path()))
    EXPECT_EQ(file.filename().string().find(".tmp-"), std::string::npos) << file;
}

}  // namespace
}  // namespace trv3::settings
