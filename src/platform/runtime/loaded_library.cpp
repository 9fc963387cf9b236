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
  return (module ? module->parent_path() : std::filesystem::current_path()) / fileName;
}

}  // namespace trv3
