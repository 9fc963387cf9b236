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

class CommaDecimalLocale {
 public:
  static constexpr const char* Name = "de_DE.UTF-8";

  CommaDecimalLocale()
      : folder_(std::filesystem::temp_directory_path() / ("trv3-locale-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder_);
    const std::string make = "localedef -i de_DE -f UTF-8 " + (folder_ / Name).string() + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) throw std::runtime_error("localedef cannot make " + std::string(Name));
    ::setenv("LOCPATH", folder_.c_str(), 1);
  }
  ~CommaDecimalLocale() {
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(folder_);
  }
  CommaDecimalLocale(const CommaDecimalLocale&) = delete;
  CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

 private:
  std::filesystem::path folder_;
};

}  // namespace trv3::testing
