#include "platform/language/json_component.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include <nlohmann/json.hpp>

#include "platform/runtime/bounded_file.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/json_shape.h"

namespace trv3::language {
namespace {

// Far above what the texts of one language take.
constexpr size_t kLargestComponent = size_t{1} << 20;
// A component is two levels deep and holds a value for each text: what a file nests deeper or
// holds more of would only cost the host's memory (a megabyte of "[" parses to 80 MB).
constexpr int kDeepestComponent = 8;
constexpr size_t kMostComponentValues = 10000;

[[noreturn]] void raiseInvalid(const std::string& file, const std::string& why) {
  raise(rt::ObjectErrorBase + 1, "Not a language component: " + file + ": " + why,
        "language");
}

int32_t parseId(const std::string& text, const std::string& file) {
  int32_t id = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (error != std::errc() || end != text.data() + text.size())
    raiseInvalid(file, "text id \"" + text + "\" is not a 32-bit whole number");
  return id;
}

// A number the file states, as a 32-bit integer; none past that range.
std::optional<int32_t> inInt32(double value) {
  if (!(value >= INT32_MIN && value <= INT32_MAX)) return std::nullopt;
  return static_cast<int32_t>(value);
}

// Only a whole number: the parser's own conversion would take true as 1, cut 1.7 to 1 and wrap
// 4294967297 to 1, so that such a component would pass for the fallback language.
int32_t countryCode(const nlohmann::json& document, const std::string& file) {
  const nlohmann::json& value = document.at("countryCode");
  if (value.is_number_integer())
    if (const auto code = inInt32(value.get<double>())) return *code;
  raiseInvalid(file, "countryCode is not a 32-bit whole number");
}

// A size in points such as 8.25 is rounded, as a form's font size is; only what is no size at all
// (not a number, or past 32 bits) makes the file no component.
int32_t fontSize(const nlohmann::json& document, const std::string& file) {
  const nlohmann::json& value = document.at("fontSize");
  if (value.is_number())
    if (const auto points = inInt32(roundHalfEven(value.get<double>()))) return *points;
  raiseInvalid(file, "fontSize is not a number of points within 32 bits");
}

}  // namespace

std::shared_ptr<JsonComponent> JsonComponent::load(const std::string& file) {
  using Outcome = BoundedFile::Outcome;
  // Parsed from memory: the parser's stream input takes several times as long for the same text.
  const BoundedFile read = readBoundedFile(file, kLargestComponent);
  if (read.outcome == Outcome::Missing || read.outcome == Outcome::Unreadable)
    raise(rt::FileNotFound, "File not found: " + file, "language");
  if (read.outcome == Outcome::NotAFile) raiseInvalid(file, "not a regular file");
  if (read.outcome == Outcome::TooLarge) raiseInvalid(file, "larger than 1 MiB");
  if (const auto fault = jsonShape(read.text, kDeepestComponent, kMostComponentValues).fault)
    raiseInvalid(file, "holds " + *fault);
  const nlohmann::json document = nlohmann::json::parse(read.text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) raiseInvalid(file, "not a JSON object");
  try {
    auto component = std::make_shared<JsonComponent>();
    component->countryCode_ = countryCode(document, file);
    component->fontName_ = document.at("fontName").get<std::string>();
    component->fontSize_ = fontSize(document, file);
    const nlohmann::json& texts = document.at("texts");
    if (!texts.is_object()) raiseInvalid(file, "texts is not an object");
    for (const auto& [id, text] : texts.items())
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
