#include "platform/runtime/module_path.h"

#include <dlfcn.h>

namespace trv3 {
namespace {
std::filesystem::path& overrideFolder() {
  static std::filesystem::path folder;
  return folder;
}
}  // namespace

std::optional<std::filesystem::path> moduleFileHolding(const void* code) {
  Dl_info info{};
  if (dladdr(code, &info) == 0 || info.dli_fname == nullptr) return std::nullopt;
  return std::filesystem::absolute(info.dli_fname);
}

std::filesystem::path addinFolder() {
  if (!overrideFolder().empty()) return overrideFolder();
  const auto module = moduleFileHolding(reinterpret_cast<const void*>(&addinFolder));
  return module ? module->parent_path() : std::filesystem::current_path();
}

void setAddinFolderOverride(const std::filesystem::path& folder) { overrideFolder() = folder; }

}  // namespace trv3
