// GUIDs in their registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/abi.h"

bool operator==(const GUID& a, const GUID& b);

namespace trv3::com {

std::string guidToString(const GUID& guid);

// Accepts the braced form in either letter case; anything else gives nothing.
std::optional<GUID> parseGuid(std::string_view text);

}  // namespace trv3::com
