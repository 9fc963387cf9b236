#include "platform/io/io_status.h"

#include "platform/runtime/errors.h"

namespace trv3::io {

void raiseIoError(int32_t status, std::string description, const std::string& address) {
  if (!address.empty()) description += " (" + address + ")";
  throw RuntimeError(status, std::move(description), kErrorSource);
}

}  // namespace trv3::io
