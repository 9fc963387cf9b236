// A look at a JSON text before it is parsed: the parsed document costs some hundred bytes for each
// value, so a file within its size limit can still take the host's memory (a run of "[" is a
// million arrays in 1 MiB). Files that others leave are checked here first.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace trv3 {

// What in the text no document of its kind holds: a NUL, brackets outside strings nested deeper
// than `deepestNesting`, or more than `mostValues` values; none when it has none of these. Exact
// for valid JSON; the parser refuses the rest.
std::optional<std::string> jsonShapeFault(std::string_view text, int deepestNesting, size_t mostValues);

}  // namespace trv3
