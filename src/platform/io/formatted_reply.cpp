#include "platform/io/formatted_reply.h"

#include <limits>

#include "platform/runtime/conversions.h"

namespace trv3::io {

std::vector<std::string> splitFields(std::string_view reply) {
  std::vector<std::string> fields;
  if (reply.empty()) return fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = reply.find(',', start);
    fields.emplace_back(reply.substr(start, comma - start));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

void fillNumbers(std::span<double> target, std::string_view reply) {
  const auto fields = splitFields(reply);
  for (size_t i = 0; i < fields.size() && i < target.size(); ++i)
    target[i] = parseNumeric(fields[i]).value_or(std::numeric_limits<double>::quiet_NaN());
}

bool isFormat(std::string_view format, std::string_view name) {
  return toUpperAscii(trimBlanks(format, " \t")) == toUpperAscii(name);
}

}  // namespace trv3::io
