#include "platform/io/fd_wait.h"

#include <poll.h>

#include <cerrno>

namespace trv3::io {

int waitUntilReady(int fd, short events, const Deadline& deadline) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const auto left = deadline.remaining();
    const int ready = left.count() == 0 ? 0 : ::poll(&entry, 1, static_cast<int>(left.count()));
    if (ready > 0) return 0;
    if (ready == 0) return ETIMEDOUT;
    if (errno != EINTR) return errno;
  }
}

}  // namespace trv3::io
