#include "platform/language/language_catalog.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "platform/language/json_component.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/module_path.h"

namespace trv3::language {
namespace {

std::mutex folderMutex;
std::filesystem::path folderOverride;

thread_local ComponentSource installedSource;

std::vector<std::filesystem::path> installedFiles(std::string_view category) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(catalogFolder() / category, error))
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

ComponentCollection::ComponentCollection(std::vector<LanguageComponentRef> components)
    : components_(std::move(components)) {}

ComponentCollection::ComponentCollection(std::vector<std::filesystem::path> files)
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
  folderOverride = folder;
}

std::filesystem::path catalogFolder() {
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
