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

std::vector<LanguageComponentRef> installedComponents(std::string_view category) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(catalogFolder() / category, error))
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<LanguageComponentRef> components;
  for (const auto& file : files)
    resumeNext([&] { components.push_back(JsonComponent::load(file)); });
  return components;
}

}  // namespace

std::vector<LanguageComponentRef> LanguageCatalog::FindComponents(std::string_view category) const {
  if (installedSource) return installedSource(category);
  return installedComponents(category);
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
