#include "shared/profile_string.h"

#include <fstream>
#include <optional>

#include "platform/runtime/conversions.h"

namespace trv3 {
namespace {

// The profile reader's blanks: a line's own end has gone already.
std::string_view trimProfileBlanks(std::string_view text) { return trimBlanks(text, " \t\r"); }

bool sameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toLowerAscii(a) == toLowerAscii(b);
}

std::string_view withoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// The section name of a "[name]" line, up to its last "]".
std::optional<std::string_view> sectionName(std::string_view line) {
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.rfind(']');
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(1, close - 1);
}

}  // namespace

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, size_t bufferSize) {
  std::ifstream input(file, std::ios::binary);
  std::string line;
  bool inSection = false;
  bool sectionSeen = false;
  bool firstLine = true;
  while (input && std::getline(input, line)) {
    std::string_view text(line);
    if (firstLine && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 mark
    firstLine = false;
    text = trimProfileBlanks(text);
    if (const auto name = sectionName(text)) {
      // Only the first section of the name counts; a later one of the same name is ignored.
      if (inSection) break;
      inSection = !sectionSeen && sameNoCase(*name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || !sameNoCase(trimProfileBlanks(text.substr(0, equals)), key))
      continue;
    const std::string_view value = withoutQuotes(trimProfileBlanks(text.substr(equals + 1)));
    return std::string(value.substr(0, bufferSize == 0 ? 0 : bufferSize - 1));
  }
  return {};
}

}  // namespace trv3
