#include "platform/settings/settings_store.h"

#include <algorithm>
#include <vector>

#include "platform/runtime/errors.h"
#include "platform/settings/registry_tree.h"
#include "platform/settings/store_file.h"

namespace trv3::settings {
namespace {

// Where program settings live beneath the user's hive.
std::string sectionPath(std::string_view appName, std::string_view section) {
  return "Software\\Program Settings\\" + std::string(appName) + "\\" + std::string(section);
}

void requireName(std::string_view name) {
  if (splitKeyPath(name).empty()) raise(rt::InvalidProcedureCall);
}

}  // namespace

std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
  Setting setting{std::string(key), std::string(defaultValue)};
  GetSettings(appName, section, {&setting, 1});
  return setting.value;
}

void GetSettings(std::string_view appName, std::string_view section, std::span<Setting> settings) {
  const auto root = readStore();
  const nlohmann::json* key = findKey(*root, sectionPath(appName, section));
  if (key == nullptr) return;
  for (Setting& setting : settings)
    if (auto value = readValue(*key, setting.key)) setting.value = std::move(*value);
}

void SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                 std::string_view value) {
  const Setting setting{std::string(key), std::string(value)};
  SaveSettings(appName, section, {&setting, 1});
}

void SaveSettings(std::string_view appName, std::string_view section, std::span<const Setting> settings) {
  requireName(appName);
  requireName(section);
  std::vector<ValueWrite> writes;
  for (const Setting& setting : settings) {
    if (setting.key.empty()) raise(rt::InvalidProcedureCall);
    writes.push_back({sectionPath(appName, section), setting.key, setting.value});
  }
  SetValues(writes);
}

void DeleteSetting(std::string_view appName, std::string_view section, std::string_view key) {
  requireName(appName);
  requireName(section);
  const std::string path = sectionPath(appName, section);
  if (key.empty()) {
    DeleteKeys({&path, 1});
    return;
  }
  updateStore([&](nlohmann::json& root) {
    if (findKey(root, path) != nullptr) removeMember(createKey(root, path), key);
  });
}

std::optional<std::string> QueryValue(std::string_view keyPath, std::string_view name) {
  const auto root = readStore();
  const nlohmann::json* key = findKey(*root, keyPath);
  if (key == nullptr) return std::nullopt;
  return readValue(*key, name);
}

void SetValues(std::span<const ValueWrite> writes) {
  const auto change = [&](nlohmann::json& root) {
    for (const ValueWrite& write : writes)
      writeValue(createKey(root, write.keyPath), write.name, write.value);
  };
  // A host that releases the add-in saves the same remembered values time after time: when the
  // store holds them already, as any reader sees it, it needs neither the lock nor a write.
  const auto root = readStore();
  const bool held = std::all_of(writes.begin(), writes.end(), [&](const ValueWrite& write) {
    const nlohmann::json* key = findKey(*root, write.keyPath);
    return key != nullptr && holdsText(*key, write.name, write.value);
  });
  if (!held) updateStore(change);
}

void DeleteKeys(std::span<const std::string> keyPaths) {
  updateStore([&](nlohmann::json& root) {
    for (const std::string& keyPath : keyPaths) {
      std::vector<std::string> parts = splitKeyPath(keyPath);
      if (parts.empty()) continue;  // never the whole hive
      const std::string name = parts.back();
      parts.pop_back();
      std::string parentPath;
      for (const std::string& part : parts) parentPath += part + "\\";
      if (findKey(root, keyPath) != nullptr) removeMember(createKey(root, parentPath), name);
    }
  });
}

}  // namespace trv3::settings
