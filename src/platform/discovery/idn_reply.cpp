#include "platform/discovery/idn_reply.h"

#include <array>

#include "platform/runtime/conversions.h"

namespace trv3::discovery {

IdnFields parseIdnReply(std::string_view reply) {
  // The first three commas separate the fields; firmware texts may hold commas of their own.
  std::array<std::string_view, 4> fields;
  size_t field = 0;
  size_t start = 0;
  while (field < 3) {
    const size_t comma = reply.find(',', start);
    if (comma == std::string_view::npos) break;
    fields[field++] = reply.substr(start, comma - start);
    start = comma + 1;
  }
  fields[field] = reply.substr(start);

  IdnFields result;
  result.maker = std::string(trimBlanks(fields[0]));
  result.rawModel = std::string(fields[1]);
  result.model = std::string(trimBlanks(fields[1]));
  result.serialNumber = std::string(trimBlanks(fields[2]));
  result.firmware = std::string(trimBlanks(fields[3]));
  return result;
}

bool namesOurMaker(std::string_view reply) {
  const std::string lower = toLowerAscii(reply);
  return contains(lower, "velmora") || contains(lower, "dornick");
}

}  // namespace trv3::discovery
