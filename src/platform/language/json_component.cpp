#include "platform/language/json_component.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "platform/runtime/bounded_file.h"
#include "platform/runtime/errors.h"

namespace trv3::language {
namespace {

// Far above what the texts of one language take.
constexpr size_t kLargestComponent = size_t{1} << 20;

[[noreturn]] void raiseInvalid(const std::filesystem::path& file, const std::string& why) {
  raise(rt::ObjectErrorBase + 1, "Not a language component: " + file.string() + ": " + why,
        "language");
}

int32_t parseId(const std::string& text, const std::filesystem::path& file) {
  int32_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (error != std::errc() || end != text.data() + text.size())
    raiseInvalid(file, "text id \"" + text + "\" is not a number");
  return id;
}

}  // namespace

std::shared_ptr<JsonComponent> JsonComponent::load(const std::filesystem::path& file) {
  using Outcome = BoundedFile::Outcome;
  // Parsed from memory: the parser's stream input takes several times as long for the same text.
  const BoundedFile read = readBoundedFile(file, kLargestComponent);
  if (read.outcome == Outcome::Missing || read.outcome == Outcome::Unreadable)
    raise(rt::FileNotFound, "File not found: " + file.string(), "language");
  if (read.outcome == Outcome::NotAFile) raiseInvalid(file, "not a regular file");
  if (read.outcome == Outcome::TooLarge) raiseInvalid(file, "larger than 1 MiB");
  const nlohmann::json document = nlohmann::json::parse(read.text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) raiseInvalid(file, "not a JSON object");
  try {
    auto component = std::make_shared<JsonComponent>();
    component->countryCode_ = document.at("countryCode").get<int32_t>();
    component->fontName_ = document.at("fontName").get<std::string>();
    component->fontSize_ = document.at("fontSize").get<int32_t>();
    for (const auto& [id, text] : document.at("texts").items())
      component->texts_[parseId(id, file)] = text.get<std::string>();
    return component;
  } catch (const nlohmann::json::exception& e) {
    raiseInvalid(file, e.what());
  }
}

std::string JsonComponent::GetText(int32_t id) const {
  const auto it = texts_.find(id);
  if (it == texts_.end())
    raise(rt::InvalidProcedureCall, "No text with id " + std::to_string(id), "language");
  return it->second;
}

}  // namespace trv3::language
