#include "shared/profile_string.h"

#include <algorithm>
#include <optional>

#include "platform/runtime/bounded_file.h"
#include "platform/runtime/conversions.h"

namespace trv3 {
namespace {

// Far above what a table of models takes.
constexpr size_t kLargestProfile = size_t{1} << 20;

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
  const BoundedFile read = readBoundedFile(file, kLargestProfile);
  if (read.outcome != BoundedFile::Outcome::Read) return {};
  bool inSection = false;
  bool sectionSeen = false;
  bool firstLine = true;
  for (size_t start = 0; start < read.text.size();) {
    const size_t end = std::min(read.text.find('\n', start), read.text.size());
    std::string_view text = std::string_view(read.text).substr(start, end - start);
    start = end + 1;
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
