// Where the add-in's library file lies: its INI file, its language components and the modules it
// loads on first use are found beside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace trv3 {

// The absolute path of the library file (or program) that holds the code at this address; none
// when the dynamic linker cannot tell.
std::optional<std::filesystem::path> moduleFileHolding(const void* code);

// The file of that name in the folder of the library (or program) that holds the code at `code`,
// found from the running module itself, not from the working directory; where the library was
// loaded through a link and the folder of the link lacks the file, the one beside the file linked to.
std::filesystem::path fileBesideModuleOf(const void* code, const std::string& fileName);

// The file (or folder) of that name beside the add-in's own library file, as text (see
// path_text.h).
std::string fileBesideAddin(const std::string& fileName);

// Lets tests place the add-in elsewhere; an empty path restores the real folder.
void setAddinFolderOverride(const std::filesystem::path& folder);

}  // namespace trv3
