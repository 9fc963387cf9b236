// Waiting on one descriptor within a deadline, for the transports that poll().
#pragma once

#include "platform/io/deadline.h"

namespace trv3::io {

// Waits until the descriptor is ready for the poll events: 0 once it is, ETIMEDOUT when the
// deadline passes first, or the errno with which poll() failed.
int waitUntilReady(int fd, short events, const Deadline& deadline);

}  // namespace trv3::io
