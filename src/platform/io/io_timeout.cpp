#include <charconv>
#include <cstdlib>
#include <string_view>

#include "platform/io/io_session.h"

namespace trv3::io {

std::chrono::milliseconds defaultIoTimeout() {
  constexpr std::chrono::milliseconds kDefault{5000};
  const char* text = std::getenv("TRV3_IO_TIMEOUT_MS");
  if (text == nullptr) return kDefault;
  const std::string_view value(text);
  int32_t milliseconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), milliseconds);
  if (error != std::errc{} || end != value.data() + value.size() || milliseconds <= 0) return kDefault;
  return std::chrono::milliseconds{milliseconds};
}

}  // namespace trv3::io
