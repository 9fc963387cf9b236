// A locale whose decimal separator is ",", made for the test in a folder of its own (the machine
// need not have it installed): what a German user's Qt host sets for the whole process.
#pragma once

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace trv3::testing {

struct CommaDecimalLocale {
  static constexpr const char* Name = "de_DE.UTF-8";
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("trv3-locale-" + std::to_string(::getpid()));

  CommaDecimalLocale() {
    std::filesystem::create_directories(folder);
    if (std::system(("localedef -i de_DE -f UTF-8 " + (folder / Name).string() + " >/dev/null 2>&1").c_str()) != 0)
      throw std::runtime_error("localedef cannot make the locale");
    ::setenv("LOCPATH", folder.c_str(), 1);
  }
  ~CommaDecimalLocale() {
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(folder);
  }
};

}  // namespace trv3::testing
