// The modules the add-in loads on first use are found beside it, also when a host loads the
// add-in through a link that lives in a folder of the host's own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/io/vxi11_opener.h"
#include "platform/runtime/module_path.h"

namespace {

namespace fs = std::filesystem;

// Runs in a fresh process (the add-in cannot be unloaded): where the add-in, loaded through a
// link in `folder`, looks for the VXI-11 module.
fs::path moduleFileSeenThroughLink(const fs::path& folder) {
  const fs::path addin = fs::canonical(TRV3_ADDIN_MODULE);
  fs::create_symlink(addin, folder / addin.filename());
  void* handle = dlopen((folder / addin.filename()).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) std::exit(2);
  return trv3::fileBesideModuleOf(dlsym(handle, "DllGetClassObject"), trv3::io::Vxi11ModuleFileName);
}

TEST(ModulesBesideTheAddin, AreLookedForBesideTheLinkThenBesideTheAddin) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path realFolder = fs::canonical(TRV3_ADDIN_MODULE).parent_path();
  const struct {
    const char* layout;
    bool moduleBesideLink;
  } cases[] = {{"only the add-in linked", false}, {"a module of the host's own beside the link", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    const fs::path folder = fs::path(::testing::TempDir()) / ("linked-addin-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (c.moduleBesideLink) std::ofstream(folder / trv3::io::Vxi11ModuleFileName) << "";
    const fs::path expected = (c.moduleBesideLink ? folder : realFolder) / trv3::io::Vxi11ModuleFileName;
    EXPECT_EXIT(std::exit(moduleFileSeenThroughLink(folder) == expected ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
    fs::remove_all(folder);
  }
}

}  // namespace
