#include "platform/runtime/bounded_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace trv3 {
namespace {

namespace fs = std::filesystem;
using Outcome = BoundedFile::Outcome;

TEST(BoundedFile, OnlyARegularFileWithinTheLimitIsRead) {
  const fs::path folder = fs::temp_directory_path() / ("trv3-bounded-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "a folder");
  std::ofstream(folder / "at the limit", std::ios::binary) << std::string(16, 'x');
  std::ofstream(folder / "over the limit", std::ios::binary) << std::string(17, 'x');
  ASSERT_EQ(::mkfifo((folder / "a pipe").c_str(), 0600), 0);  // no writer: opening must not wait
  const struct {
    const char* name;
    Outcome outcome;
    size_t size;
  } cases[] = {{"at the limit", Outcome::Read, 16},  {"over the limit", Outcome::TooLarge, 0},
               {"a folder", Outcome::NotAFile, 0},   {"a pipe", Outcome::NotAFile, 0},
               {"missing", Outcome::Missing, 0},     {"missing/below", Outcome::Missing, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BoundedFile file = readBoundedFile(folder / c.name, 16);
    EXPECT_EQ(file.outcome, c.outcome);
    EXPECT_EQ(file.text.size(), c.size);
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace trv3
