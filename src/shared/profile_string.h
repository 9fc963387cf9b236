// A reader of INI values with the semantics of the system's profile-string reader, kept small and
// ours because general INI libraries differ on exactly these points: section and key are matched
// without regard to letter case, the first matching section and, in it, the first matching key
// win, blanks around the value are removed, then one pair of matching surrounding quotes (" or '),
// nothing else (a ";" inside a value stays), and the value is cut to fit the caller's buffer.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace trv3 {

// The value, at most bufferSize - 1 characters (the buffer holds the terminator too); empty when
// the file cannot be read or has no such section or key.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, size_t bufferSize);

}  // namespace trv3
