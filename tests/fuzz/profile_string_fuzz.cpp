// The INI file beside the add-in, as a user may have edited it.
#include "fuzz_target.h"
#include "scratch_file.h"
#include "shared/profile_string.h"

TRV3_FUZZ_TARGET(profile_string) {
  static trv3::fuzz::ScratchFile file("profile");
  const auto& path = file.write(input);
  for (const char* key : {"Model", "Channels"}) {
    const std::string value = trv3::readProfileString(path, "TRV3 series", key, 500);
    if (value.size() > 499) __builtin_trap();
  }
  if (!trv3::readProfileString(path, "TRV3 series", "Model", 1).empty()) __builtin_trap();
}
