// Where the add-in's library file lies: the INI file and the language components are found beside it.
#pragma once

#include <filesystem>
#include <optional>

namespace trv3 {

// The absolute path of the library file (or program) that holds the code at this address; none
// when the dynamic linker cannot tell.
std::optional<std::filesystem::path> moduleFileHolding(const void* code);

// Folder of the module (shared library or executable) that holds this code, found from the running
// module itself, not from the working directory.
std::filesystem::path addinFolder();

// Lets tests place the add-in elsewhere; an empty path restores the real folder.
void setAddinFolderOverride(const std::filesystem::path& folder);

}  // namespace trv3
