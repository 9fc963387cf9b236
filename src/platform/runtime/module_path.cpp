#include "platform/runtime/module_path.h"

#include <dlfcn.h>

namespace trv3 {
namespace {
std::filesystem::path& overrideFolder() {
  static std::filesystem::path folder;
  return folder;
}
}  // namespace

std::filesystem::path addinFolder() {
  if (!overrideFolder().empty()) return overrideFolder();
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&addinFolder), &info) != 0 && info.dli_fname != nullptr)
    return std::filesystem::absolute(info.dli_fname).parent_path();
  return std::filesystem::current_path();
}

void setAddinFolderOverride(const std::filesystem::path& folder) { overrideFolder() = folder; }

}  // namespace trv3
