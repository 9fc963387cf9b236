// Registration of an in-process server's class in the per-user registry, and the lookups that
// activation makes there. Keys live under "Software\Classes": the class under CLSID\{clsid} (with
// InprocServer32 naming the library file and its threading model), the ProgID with its CLSID, the
// interface, and the type library with its version.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/abi.h"

namespace trv3::com {

struct ServerRegistration {
  CLSID classId;
  std::string progId;
  std::string className;
  IID interfaceId;
  std::string interfaceName;
  GUID typeLibraryId;
  std::string typeLibraryName;
  std::string typeLibraryDescription;
  std::string typeLibraryVersion;
  std::string threadingModel;
  std::filesystem::path libraryFile;  // absolute
};

// Both raise a RuntimeError when the store cannot be written; each is one change of the store.
void registerServer(const ServerRegistration& server);
void unregisterServer(const ServerRegistration& server);

std::optional<CLSID> registeredClassOf(std::string_view progId);
std::optional<std::filesystem::path> registeredLibraryOf(const CLSID& classId);

// The absolute path of the library file (or program) that holds the code at this address.
std::filesystem::path moduleFileOf(const void* address);

}  // namespace trv3::com
