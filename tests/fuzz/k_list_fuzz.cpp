// Format "K" replies: a list of fields into texts, and into the doubles of a preamble.
#include <array>
#include <string>

#include "fuzz_target.h"
#include "platform/io/formatted_reply.h"

TRV3_FUZZ_TARGET(k_list) {
  const std::string_view reply = trv3::fuzz::asText(input);
  const auto fields = trv3::io::splitFields(reply);
  // The fields and their separators give back the reply, byte for byte.
  std::string joined;
  for (size_t i = 0; i < fields.size(); ++i) joined += (i ? "," : "") + fields[i];
  if (joined != reply) __builtin_trap();

  std::array<double, 10> preamble;
  preamble.fill(-1.0);
  trv3::io::fillNumbers(preamble, reply);
  // Positions without a field keep what the caller had.
  for (size_t i = fields.size(); i < preamble.size(); ++i)
    if (preamble[i] != -1.0) __builtin_trap();
  trv3::io::isFormat(reply, "K");
}
