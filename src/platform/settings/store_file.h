// The store's file: reading as it stands, and read-modify-write under an exclusive lock with an
// atomic replacement of the file.
#pragma once

#include <functional>
#include <memory>

#include <nlohmann/json.hpp>

namespace trv3::settings {

// The document as it stands; a missing or unreadable file reads as an empty tree.
std::shared_ptr<const nlohmann::json> readStore();

// Applies the change to the current document and writes the result. A change that throws leaves
// the file untouched. Raises "Path/File access error" when the file cannot be written.
void updateStore(const std::function<void(nlohmann::json& root)>& change);

}  // namespace trv3::settings
