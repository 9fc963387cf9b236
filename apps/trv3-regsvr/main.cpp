// trv3-regsvr [-u] FILE: registers (or with -u unregisters) an in-process server library for the
// current user by calling its DllRegisterServer (DllUnregisterServer).
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/com/abi.h"
#include "platform/settings/settings_store.h"

namespace {

constexpr const char* Usage =
    "usage: trv3-regsvr [-u] FILE\n"
    "  Registers the in-process server library FILE for the current user;\n"
    "  -u unregisters it.\n";

int fail(const std::string& message) {
  std::fprintf(stderr, "trv3-regsvr: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      std::fputs(Usage, stdout);
      return 0;
    }
    if (argument == "-u") {
      unregister = true;
    } else if (file.empty() && !argument.empty() && argument.front() != '-') {
      file = argument;
    } else {
      std::fputs(Usage, stderr);
      return 1;
    }
  }
  if (file.empty()) {
    std::fputs(Usage, stderr);
    return 1;
  }

  // The library records its own path, so it must be loaded by an absolute one.
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(file, error).lexically_normal();
  if (error || !std::filesystem::is_regular_file(path, error))
    return fail(file + ": no such library file");
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    return fail("cannot load " + path.string() + ": " + (why ? why : "unknown error"));
  }
  const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto entry = reinterpret_cast<DllRegisterServerFn>(dlsym(library, entryName));
  if (entry == nullptr)
    return fail(path.string() + " is not a self-registering library (it has no " + entryName + ")");
  const HRESULT status = entry();
  if (FAILED(status)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status));
    // The registry file is where a registration fails (unwritable, or a value where a key stands).
    return fail(std::string(entryName) + " in " + path.string() + " failed with " + code +
                " (per-user registry " + trv3::settings::storePath().string() + ")");
  }
  std::printf("%s in %s succeeded (per-user registry %s).\n", entryName, path.c_str(),
              trv3::settings::storePath().c_str());
  return 0;
}
