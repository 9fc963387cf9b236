#include "platform/settings/registry_tree.h"

#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3::settings {
namespace {

template <class Json>
auto findMember(Json& key, std::string_view name) -> decltype(&key[""]) {
  if (!key.is_object()) return nullptr;
  const std::string wanted = toLowerAscii(name);
  for (auto it = key.begin(); it != key.end(); ++it)
    if (toLowerAscii(it.key()) == wanted) return &it.value();
  return nullptr;
}

std::string memberName(const nlohmann::json& key, std::string_view name) {
  const std::string wanted = toLowerAscii(name);
  for (auto it = key.begin(); it != key.end(); ++it)
    if (toLowerAscii(it.key()) == wanted) return it.key();
  return std::string(name);
}

}  // namespace

std::vector<std::string> splitKeyPath(std::string_view keyPath) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= keyPath.size()) {
    size_t end = keyPath.find('\\', start);
    if (end == std::string_view::npos) end = keyPath.size();
    if (end > start) parts.emplace_back(keyPath.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

const nlohmann::json* findKey(const nlohmann::json& root, std::string_view keyPath) {
  const nlohmann::json* key = &root;
  for (const std::string& part : splitKeyPath(keyPath)) {
    key = findMember(*key, part);
    if (key == nullptr || !key->is_object()) return nullptr;
  }
  return key;
}

nlohmann::json& createKey(nlohmann::json& root, std::string_view keyPath) {
  const std::vector<std::string> parts = splitKeyPath(keyPath);
  // The document itself is one level, and every key one more.
  if (parts.size() >= static_cast<size_t>(kDeepestNesting))
    raise(rt::InvalidProcedureCall, "A key path of " + std::to_string(parts.size()) + " parts lies too deep");
  nlohmann::json* key = &root;
  for (const std::string& part : parts) {
    nlohmann::json* child = findMember(*key, part);
    if (child == nullptr) {
      child = &((*key)[part] = nlohmann::json::object());
    } else if (!child->is_object()) {
      raise(rt::InvalidProcedureCall, "A value named \"" + part + "\" stands where a key is needed");
    }
    key = child;
  }
  return *key;
}

std::optional<std::string> readValue(const nlohmann::json& key, std::string_view name) {
  const nlohmann::json* value = findMember(key, name);
  if (value == nullptr) return std::nullopt;
  if (value->is_string()) return value->get<std::string>();
  if (value->is_number() || value->is_boolean()) return value->dump();
  return std::nullopt;
}

bool holdsText(const nlohmann::json& key, std::string_view name, std::string_view value) {
  const nlohmann::json* existing = findMember(key, name);
  return existing != nullptr && existing->is_string() &&
         existing->get_ref<const std::string&>() == value;
}

void writeValue(nlohmann::json& key, std::string_view name, std::string_view value) {
  const nlohmann::json* existing = findMember(key, name);
  if (existing != nullptr && existing->is_object())
    raise(rt::InvalidProcedureCall, "A key named \"" + std::string(name) + "\" already exists");
  key[memberName(key, name)] = std::string(value);
}

void removeMember(nlohmann::json& key, std::string_view name) {
  if (key.is_object() && findMember(key, name) != nullptr) key.erase(memberName(key, name));
}

}  // namespace trv3::settings
