#include "platform/runtime/loaded_library.h"

#include <dlfcn.h>

#include "platform/runtime/module_path.h"

namespace trv3 {
namespace {

std::string lastLoaderError(const std::string& otherwise) {
  const char* why = dlerror();
  return why ? why : otherwise;
}

}  // namespace

LoadedLibrary::LoadedLibrary(const std::string& file) : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) failure_ = lastLoaderError("cannot load " + file);
}

void* LoadedLibrary::symbol(const char* name) {
  if (handle_ == nullptr) return nullptr;
  dlerror();
  void* found = dlsym(handle_, name);
  if (found == nullptr) failure_ = lastLoaderError(std::string("no ") + name);
  return found;
}

std::filesystem::path fileBesideModuleOf(const void* code, const std::string& fileName) {
  const std::optional<std::filesystem::path> module = moduleFileHolding(code);
  if (!module) return std::filesystem::current_path() / fileName;
  const std::filesystem::path besideAsLoaded = module->parent_path() / fileName;
  // A host may load the module through a link in a folder of its own; the files it needs were
  // installed beside the real one.
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(*module, error);
  if (error || std::filesystem::exists(besideAsLoaded, error)) return besideAsLoaded;
  return real.parent_path() / fileName;
}

}  // namespace trv3
