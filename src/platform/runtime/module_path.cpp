#include "platform/runtime/module_path.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/runtime/path_text.h"

namespace trv3 {
namespace {
// Plain text and system calls rather than the file-system library, for the reason in path_text.h.
std::string overrideFolder;

using MallocedText = std::unique_ptr<char, decltype(&std::free)>;

std::string workingFolder() {
  const MallocedText folder(::getcwd(nullptr, 0), &std::free);
  // Where the system cannot tell, the library's call raises its error with the reason.
  return folder ? std::string(folder.get()) : std::filesystem::current_path().native();
}

std::string folderOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  if (slash == std::string::npos) return {};
  const size_t end = file.find_last_not_of('/', slash);
  return end == std::string::npos ? "/" : file.substr(0, end + 1);
}

std::optional<std::string> moduleFileName(const void* code) {
  Dl_info info{};
  if (dladdr(code, &info) == 0 || info.dli_fname == nullptr) return std::nullopt;
  if (info.dli_fname[0] == '/') return std::string(info.dli_fname);
  return joinedPath(workingFolder(), info.dli_fname);
}

std::string fileNameBesideModuleOf(const void* code, const std::string& fileName) {
  const std::optional<std::string> module = moduleFileName(code);
  if (!module) return joinedPath(workingFolder(), fileName);
  std::string besideAsLoaded = joinedPath(folderOf(*module), fileName);
  // A host may load the module through a link in a folder of its own; the files it needs were
  // installed beside the real one.
  struct stat status {};
  if (::stat(besideAsLoaded.c_str(), &status) == 0) return besideAsLoaded;
  const MallocedText real(::realpath(module->c_str(), nullptr), &std::free);
  return real ? joinedPath(folderOf(real.get()), fileName) : besideAsLoaded;
}
}  // namespace

std::optional<std::filesystem::path> moduleFileHolding(const void* code) {
  if (auto name = moduleFileName(code)) return std::filesystem::path(std::move(*name));
  return std::nullopt;
}

std::filesystem::path fileBesideModuleOf(const void* code, const std::string& fileName) {
  return fileNameBesideModuleOf(code, fileName);
}

std::string fileBesideAddin(const std::string& fileName) {
  if (!overrideFolder.empty()) return joinedPath(overrideFolder, fileName);
  return fileNameBesideModuleOf(reinterpret_cast<const void*>(&fileBesideAddin), fileName);
}

void setAddinFolderOverride(const std::filesystem::path& folder) {
  overrideFolder = folder.native();
}

}  // namespace trv3
