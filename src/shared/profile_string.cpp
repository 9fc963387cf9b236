#include "shared/profile_string.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/com/utf.h"
#include "platform/runtime/bounded_file.h"
#include "platform/runtime/conversions.h"

namespace trv3 {
namespace {

// Far above what a table of models takes.
constexpr size_t kLargestProfile = size_t{1} << 20;

std::string_view trimProfileBlanks(std::string_view text) { return trimBlanks(text, " \t"); }

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

// The file's text in UTF-8. A Windows editor's "Unicode" file is UTF-16 behind its byte order mark,
// and the profile functions read it there as they read any other.
std::string profileText(std::string bytes) {
  const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
  if (!little && !big) return bytes;
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(little ? first | second << 8 : first << 8 | second));
  }
  return com::utf16ToUtf8(units);
}

}  // namespace

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, size_t bufferSize) {
  BoundedFile read = readBoundedFile(file, kLargestProfile);
  if (read.outcome != BoundedFile::Outcome::Read) return {};
  const std::string text = profileText(std::move(read.text));
  bool inSection = false;
  bool sectionSeen = false;
  bool firstLine = true;
  for (size_t start = 0; start < text.size();) {
    // A line ends at LF, CR LF or a CR alone, as older editors end it: read at LF alone, a whole
    // table became one line and its models were lost. As 8-bit text, a line's text ends at a NUL.
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    std::string_view line = std::string_view(text).substr(start, end - start);
    line = line.substr(0, line.find('\0'));
    start = end + 1;
    if (firstLine && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // UTF-8 mark
    firstLine = false;
    line = trimProfileBlanks(line);
    if (const auto name = sectionName(line)) {
      // Only the first section of the name counts; a later one of the same name is ignored.
      if (inSection) break;
      inSection = !sectionSeen && sameNoCase(*name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || !sameNoCase(trimProfileBlanks(line.substr(0, equals)), key))
      continue;
    const std::string_view value = withoutQuotes(trimProfileBlanks(line.substr(equals + 1)));
    return std::string(value.substr(0, bufferSize == 0 ? 0 : bufferSize - 1));
  }
  return {};
}

}  // namespace trv3
