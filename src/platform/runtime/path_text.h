// Paths as plain text. Creating the add-in finds, lists and reads its files in a fresh process,
// where any use of std::filesystem (even making a path) first binds and pages in the library's
// code, which costs more than the work itself: the paths on that way are strings, handled with
// the system's own calls.
#pragma once

#include <string>
#include <string_view>

namespace trv3 {

// `name` (relative) inside `folder`, with one separator between them; `name` alone when the
// folder is empty.
inline std::string joinedPath(std::string folder, std::string_view name) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  folder += name;
  return folder;
}

}  // namespace trv3
