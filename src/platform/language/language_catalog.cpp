#include "platform/language/language_catalog.h"

#include <dirent.h>

#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/language/json_component.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/module_path.h"
#include "platform/runtime/path_text.h"

namespace trv3::language {
namespace {

std::mutex folderMutex;
// Text, and the listing below the system's own calls, for the reason in path_text.h.
std::string folderOverride;

thread_local ComponentSource installedSource;

bool isComponentFileName(std::string_view name) {
  // What the file-system library calls a ".json" extension: not the whole name of a hidden file.
  constexpr std::string_view extension = ".json";
  return name.size() > extension.size() && name.ends_with(extension);
}

std::vector<std::string> installedFiles(std::string_view category) {
  const std::string folder = joinedPath(catalogFolder(), category);
  std::vector<std::string> names;
  if (DIR* listing = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(listing))
      if (isComponentFileName(entry->d_name)) names.emplace_back(entry->d_name);
    ::closedir(listing);
  }
  std::sort(names.begin(), names.end());
  for (std::string& name : names) name = joinedPath(folder, name);
  return names;
}

}  // namespace

ComponentCollection::ComponentCollection(std::vector<LanguageComponentRef> components)
    : components_(std::move(components)) {}

ComponentCollection::ComponentCollection(std::vector<std::string> files)
    : files_(std::move(files)) {}

LanguageComponentRef ComponentCollection::Next() {
  if (position_ < components_.size()) return components_[position_++];
  while (position_ < files_.size()) {
    LanguageComponentRef component;
    resumeNext([&] { component = JsonComponent::load(files_[position_]); });
    ++position_;
    if (component) return component;
  }
  return nullptr;
}

ComponentCollection LanguageCatalog::FindComponents(std::string_view category) const {
  if (installedSource) return ComponentCollection(installedSource(category));
  return ComponentCollection(installedFiles(category));
}

void setCatalogFolder(const std::filesystem::path& folder) {
  std::lock_guard lock(folderMutex);
  folderOverride = folder.native();
}

std::string catalogFolder() {
  {
    std::lock_guard lock(folderMutex);
    if (!folderOverride.empty()) return folderOverride;
  }
  return fileBesideAddin("languages");
}

ScopedComponentSource::ScopedComponentSource(ComponentSource source)
    : previous_(std::exchange(installedSource, std::move(source))) {}

ScopedComponentSource::~ScopedComponentSource() { installedSource = std::move(previous_); }

}  // namespace trv3::language
