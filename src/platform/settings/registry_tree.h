// The key tree inside the store's document: a key is a JSON object, its values are its text members
// and its subkeys its object members. Names compare ignoring ASCII letter case and keep the case in
// which they were first written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace trv3::settings {

// How deep a store's document may nest: the tree of every program's settings is far shallower, and
// copying, comparing and writing a document recurse once per level.
constexpr int kDeepestNesting = 64;

// "A\B\\C\" -> {"A", "B", "C"}: empty parts are dropped.
std::vector<std::string> splitKeyPath(std::string_view keyPath);

// The key at the path, or nullptr.
const nlohmann::json* findKey(const nlohmann::json& root, std::string_view keyPath);

// The key at the path, created with its parents; raises InvalidProcedureCall when a value stands
// where a key is needed, or when the key would lie deeper than a store may nest.
nlohmann::json& createKey(nlohmann::json& root, std::string_view keyPath);

// A value of a key: text as it stands, numbers and Booleans as their JSON text.
std::optional<std::string> readValue(const nlohmann::json& key, std::string_view name);

// Whether the key holds the name as that very text, so that writing it would change nothing.
bool holdsText(const nlohmann::json& key, std::string_view name, std::string_view value);

// Raises InvalidProcedureCall when a subkey already has the name.
void writeValue(nlohmann::json& key, std::string_view name, std::string_view value);

// Removes the member (value or subkey) of that name, if any.
void removeMember(nlohmann::json& key, std::string_view name);

}  // namespace trv3::settings
