// Activation for hosts, as the component model's CoCreateInstance does it: the class (named by
// CLSID or ProgID) is looked up in the per-user registration, its library file loaded, and the
// library's class factory asked for an instance. Failures return the status and leave this thread's
// error info with a description that says what went wrong.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/com/abi.h"

namespace trv3::com {

// CO_E_CLASSSTRING when the ProgID is not registered.
HRESULT classIdFromProgId(std::string_view progId, CLSID& classId);

// REGDB_E_CLASSNOTREG when the class is not registered, CO_E_CLASSSTRING for an unknown ProgID,
// E_FAIL when its library cannot be loaded or is not a server.
HRESULT createInstance(const CLSID& classId, const IID& iid, void** object);
HRESULT createInstance(std::string_view progId, const IID& iid, void** object);

// Loads the given library file and asks its class factory directly, without registration.
HRESULT createInstanceFromFile(const std::filesystem::path& library, const CLSID& classId,
                               const IID& iid, void** object);

}  // namespace trv3::com
