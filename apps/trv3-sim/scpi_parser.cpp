#include "scpi_parser.h"

#include <algorithm>
#include <cctype>

#include "scpi_errors.h"

namespace trv3::sim {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string upper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return result;
}

bool isMnemonicChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Splits at `separator` outside quoted strings ("..." or '...').
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

Mnemonic::Mnemonic(std::string_view pattern) {
  constexpr std::string_view kSuffix = "<n>";
  if (pattern.ends_with(kSuffix)) {
    takesSuffix_ = true;
    pattern.remove_suffix(kSuffix.size());
  }
  longForm_ = upper(pattern);
  for (char c : pattern) {
    if (std::islower(static_cast<unsigned char>(c))) break;
    shortForm_ += c;
  }
}

Mnemonic::Match Mnemonic::match(std::string_view written) const {
  std::string text = upper(written);
  std::optional<int> suffix;
  if (takesSuffix_) {
    std::size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1]))) --digits;
    // More digits than any suffix needs would overflow; such a header is simply unknown.
    if (digits < text.size() && text.size() - digits <= 6) {
      suffix = std::stoi(text.substr(digits));
      text.resize(digits);
    } else if (digits < text.size()) {
      return {};
    }
  }
  if (text != shortForm_ && text != longForm_) return {};
  return {true, suffix};
}

std::vector<std::string_view> splitProgramUnits(std::string_view message) {
  return splitOutsideQuotes(message, ';');
}

ProgramUnit parseProgramUnit(std::string_view unit) {
  unit = trim(unit);
  const std::size_t headerEnd =
      std::find_if(unit.begin(), unit.end(), isBlank) - unit.begin();
  std::string_view header = unit.substr(0, headerEnd);
  const std::string_view rest = trim(unit.substr(headerEnd));

  ProgramUnit result;
  if (header.ends_with('?')) {
    result.query = true;
    header.remove_suffix(1);
  }
  if (header.starts_with('*')) {
    result.common = true;
    if (header.size() < 2 ||
        !std::all_of(header.begin() + 1, header.end(),
                     [](char c) { return std::isalpha(static_cast<unsigned char>(c)); })) {
      throw kSyntaxError;
    }
    result.nodes.emplace_back(header);
  } else {
    if (header.starts_with(':')) {
      result.absolute = true;
      header.remove_prefix(1);
    }
    for (std::string_view node : splitOutsideQuotes(header, ':')) {
      if (node.empty() || !std::all_of(node.begin(), node.end(), isMnemonicChar)) {
        throw kSyntaxError;
      }
      result.nodes.emplace_back(node);
    }
  }
  if (!rest.empty()) {
    for (std::string_view argument : splitOutsideQuotes(rest, ',')) {
      result.arguments.emplace_back(trim(argument));
    }
  }
  return result;
}

std::vector<std::string> HeaderPath::resolve(const ProgramUnit& unit) const {
  if (unit.common || unit.absolute) return unit.nodes;
  std::vector<std::string> full = current_;
  full.insert(full.end(), unit.nodes.begin(), unit.nodes.end());
  return full;
}

void HeaderPath::advance(const ProgramUnit& unit, const std::vector<std::string>& fullNodes) {
  if (unit.common) return;
  current_.assign(fullNodes.begin(), fullNodes.end() - 1);
}

}  // namespace trv3::sim
