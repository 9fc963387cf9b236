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

std::filesystem::path fileBesideModuleOf(const void* code, const std::string& fileName) {
  const std::optional<std::filesystem::path> module = moduleFileHolding(code);
  if (!module) return std::filesystem::current_path() / fileName;
  const std::filesystem::path besideAsLoaded = module->parent_path() / fileName;
  // A host may load the module through a link in a folder of its own; the files it needs were
  // installed beside the real one.
  std::error_code error;
  if (std::filesystem::exists(besideAsLoaded, error)) return besideAsLoaded;
  const std::filesystem::path real = std::filesystem::canonical(*module, error);
  return error ? besideAsLoaded : real.parent_path() / fileName;
}

std::filesystem::path fileBesideAddin(const std::string& fileName) {
  if (!overrideFolder().empty()) return overrideFolder() / fileName;
  return fileBesideModuleOf(reinterpret_cast<const void*>(&fileBesideAddin), fileName);
}

void setAddinFolderOverride(const std::filesystem::path& folder) { overrideFolder() = folder; }

}  // namespace trv3
