// UTF-8 inside, UTF-16 at the component boundary. Malformed input never fails a conversion: each
// broken sequence (or lone surrogate) becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace trv3::com {

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace trv3::com
