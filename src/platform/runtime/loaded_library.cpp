#include "platform/runtime/loaded_library.h"

#include <dlfcn.h>

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

}  // namespace trv3
