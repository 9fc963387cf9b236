// BSTRs from and to our UTF-8 text.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/abi.h"

namespace trv3::com {

// A new BSTR holding the text; the caller frees it with SysFreeString. Raises "Out of memory" when
// the heap refuses.
BSTR allocBstr(std::string_view utf8);

// The text of a BSTR (NULL reads as empty text).
std::string bstrToUtf8(BSTR text);

}  // namespace trv3::com
