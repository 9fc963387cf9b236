// The per-user settings file, whatever it holds: it is read, a setting is saved over it (which sets
// an unreadable file aside), and the saved value must read back.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fuzz_target.h"
#include "platform/runtime/errors.h"
#include "platform/settings/settings_store.h"

namespace {

std::filesystem::path privateConfigHome() {
  const auto home = std::filesystem::temp_directory_path() /
                    ("trv3-settings-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(home);
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  // Most inputs are unreadable files; telling each one on stderr would only slow the run.
  trv3::settings::unreadableStoreNotice() = [](const std::filesystem::path&,
                                               const std::filesystem::path&) {};
  return home;
}

}  // namespace

TRV3_FUZZ_TARGET(settings_file) {
  static const std::filesystem::path home = privateConfigHome();
  const auto store = trv3::settings::storePath();
  std::filesystem::remove_all(store.parent_path());
  std::filesystem::create_directories(store.parent_path());
  std::ofstream(store, std::ios::binary)
      .write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));

  const char* app = "Velmora\\Quorvalis\\Arb Application";
  trv3::settings::GetSetting(app, "TRV3 series", "Addr", "");
  trv3::settings::QueryValue("Software\\Velmora", "");
  trv3::settings::SaveSetting(app, "TRV3 series", "Chan", "2");
  if (trv3::settings::GetSetting(app, "TRV3 series", "Chan", "") != "2") __builtin_trap();
}
