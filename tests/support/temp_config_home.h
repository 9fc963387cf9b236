// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the guard, so that tests never
// touch the user's real settings store.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace trv3::testing {

class TempConfigHome {
 public:
  TempConfigHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trv3-config-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) previous_ = old;
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  ~TempConfigHome() {
    if (previous_)
      setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path storeFile() const { return folder_ / "velmora" / "registry.json"; }

 private:
  std::filesystem::path folder_;
  std::optional<std::string> previous_;
};

}  // namespace trv3::testing
