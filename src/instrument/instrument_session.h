// The session a procedure talks to, as the run-time treats an object reference: using one that is
// nothing raises "Object variable or With block variable not set".
#pragma once

#include "platform/io/io_session.h"

namespace trv3 {

constexpr int32_t ObjectVariableNotSet = 91;

io::IoSession& sessionOf(const io::IoSessionRef& session);

}  // namespace trv3
