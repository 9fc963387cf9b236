// The run-time's conversions of instrument and user texts, and banker's rounding at its edges: the
// first eight bytes are also taken as a double.
#include <cmath>
#include <cstring>

#include "fuzz_target.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace {

template <class Conversion>
void tolerateRuntimeErrors(Conversion&& conversion) {
  try {
    conversion();
  } catch (const trv3::RuntimeError&) {
  }
}

void checkRounding(double value) {
  if (!std::isfinite(value)) return;
  const double rounded = trv3::roundHalfEven(value);
  const double distance = std::fabs(rounded - value);
  if (rounded != std::nearbyint(rounded) || distance > 0.5) __builtin_trap();
  if (distance == 0.5 && std::fmod(rounded, 2.0) != 0.0) __builtin_trap();
}

}  // namespace

TRV3_FUZZ_TARGET(runtime_conversions) {
  const std::string_view text = trv3::fuzz::asText(input);
  trv3::leadingNumber(text);
  const auto numeric = trv3::parseNumeric(text);
  // A text that reads as a number converts to that same number.
  if (numeric && trv3::textToDouble(text) != *numeric && !std::isnan(*numeric)) __builtin_trap();
  tolerateRuntimeErrors([&] { trv3::textToBool(text); });
  tolerateRuntimeErrors([&] { trv3::textToDouble(text); });
  tolerateRuntimeErrors([&] { trv3::textToInt32(text); });
  if (numeric) checkRounding(*numeric);
  if (input.size() >= sizeof(double)) {
    double value;
    std::memcpy(&value, input.data(), sizeof value);
    checkRounding(value);
    tolerateRuntimeErrors([&] { trv3::toInt32(value); });
    tolerateRuntimeErrors([&] { trv3::toInt16(value); });
  }
}
