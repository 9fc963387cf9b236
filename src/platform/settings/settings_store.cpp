#include "platform/settings/settings_store.h"

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
  if (auto value = QueryValue(sectionPath(appName, section), key)) return *value;
  return std::string(defaultValue);
}

void SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                 std::string_view value) {
  requireName(appName);
  requireName(section);
  if (key.empty()) raise(rt::InvalidProcedureCall);
  const ValueWrite write{sectionPath(appName, section), std::string(key), std::string(value)};
  SetValues({&write, 1});
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
  const nlohmann::json root = readStore();
  const nlohmann::json* key = findKey(root, keyPath);
  if (key == nullptr) return std::nullopt;
  return readValue(*key, name);
}

void SetValues(std::span<const ValueWrite> writes) {
  updateStore([&](nlohmann::json& root) {
    for (const ValueWrite& write : writes)
      writeValue(createKey(root, write.keyPath), write.name, write.value);
  });
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
