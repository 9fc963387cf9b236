#include "instrument/instrument_session.h"

#include "platform/runtime/errors.h"

namespace trv3 {

io::IoSession& sessionOf(const io::IoSessionRef& session) {
  if (!session) raise(ObjectVariableNotSet, "Object variable or With block variable not set");
  return *session;
}

}  // namespace trv3
