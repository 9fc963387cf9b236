// Instrument addresses as users type them and discovery reports them.
#include "fuzz_target.h"
#include "platform/io/resource_string.h"
#include "platform/runtime/errors.h"

TRV3_FUZZ_TARGET(resource_string) {
  try {
    const auto parsed = trv3::io::parseResourceString(trv3::fuzz::asText(input));
    // Whatever is accepted must name something to connect to.
    if (parsed.kind != trv3::io::InterfaceKind::Usb && parsed.kind != trv3::io::InterfaceKind::Gpib &&
        parsed.host.empty())
      __builtin_trap();
  } catch (const trv3::RuntimeError&) {
  }
}
