#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/automation.h"
#include "platform/com/utf.h"
#include "platform/runtime/errors.h"

namespace {

// The prefix holds the length in bytes, without the terminator.
uint32_t* prefixOf(BSTR text) { return reinterpret_cast<uint32_t*>(text) - 1; }

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length) {
  constexpr uint32_t maxLength =
      (std::numeric_limits<uint32_t>::max() - sizeof(uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR);
  if (length > maxLength) return nullptr;
  const size_t bytes = size_t{length} * sizeof(OLECHAR);
  auto* block = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  *block = static_cast<uint32_t>(bytes);
  auto* chars = reinterpret_cast<OLECHAR*>(block + 1);
  if (text != nullptr)
    std::memcpy(chars, text, bytes);
  else
    std::memset(chars, 0, bytes);
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  uint32_t length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(prefixOf(text));
}

uint32_t SysStringByteLen(BSTR text) { return text == nullptr ? 0 : *prefixOf(text); }

uint32_t SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

}  // extern "C"

namespace trv3::com {

BSTR allocBstr(std::string_view utf8) {
  const std::u16string wide = utf8ToUtf16(utf8);
  if (wide.size() > std::numeric_limits<uint32_t>::max() / sizeof(OLECHAR)) raise(7, "Out of memory");
  BSTR text = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                                static_cast<uint32_t>(wide.size()));
  if (text == nullptr) raise(7, "Out of memory");
  return text;
}

std::string bstrToUtf8(BSTR text) {
  return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

}  // namespace trv3::com
