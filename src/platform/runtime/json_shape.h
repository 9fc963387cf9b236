// A look at a JSON text before it is parsed: the parsed document costs some hundred bytes for each
// value, so a file within its size limit can still take the host's memory (a run of "[" is a
// million arrays in 1 MiB). Files that others leave are checked here first.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace trv3 {

struct JsonShape {
  // What in the text no document of its kind holds: a NUL, brackets outside strings nested deeper
  // than allowed, or more values than allowed; none when it has none of these.
  std::optional<std::string> fault;
  // The members and elements of all objects and arrays as written: a parsed document holding fewer
  // named a member twice in one object.
  size_t entries = 0;
};

// Exact for valid JSON; the parser refuses the rest.
JsonShape jsonShape(std::string_view text, int deepestNesting, size_t mostValues);

// The members and elements of all objects and arrays of a parsed document, nested at most as deep
// as jsonShape allowed.
template <class Json>
size_t jsonEntries(const Json& value) {
  if (!value.is_structured()) return 0;
  size_t entries = value.size();
  for (const auto& inner : value) entries += jsonEntries(inner);
  return entries;
}

}  // namespace trv3
