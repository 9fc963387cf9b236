// How a host gets an instance of the add-in's class: by its ProgID through the classes registered
// for the current user, or straight from a given library file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "com_ref.h"
#include "platform/com/abi.h"

namespace trv3::host {

// Creates a CWaveForm and returns its IDispatch. With a library file, that file is loaded and its
// class factory asked directly; otherwise the per-user registration of the ProgID names the file.
// Throws std::runtime_error saying why the class could not be created and, when it is not
// registered, how to register it.
ComRef<IDispatch> createWaveformObject(const std::optional<std::filesystem::path>& libraryFile);

// The library file that createWaveformObject would load: the given one, or the registered one;
// nothing when neither is known.
std::optional<std::filesystem::path> addinLibraryFile(const std::optional<std::filesystem::path>& libraryFile);

// The registration of the ProgID, as one line for a person.
std::string registrationText();

}  // namespace trv3::host
