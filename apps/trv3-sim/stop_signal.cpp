#include "stop_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace trv3::sim {

StopSignal::StopSignal() : event_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (event_.get() < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
}

void StopSignal::raise() {
  {
    std::lock_guard lock(mutex_);
    raised_ = true;
  }
  changed_.notify_all();
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(event_.get(), &one, sizeof one);
}

bool StopSignal::raised() {
  std::lock_guard lock(mutex_);
  return raised_;
}

bool StopSignal::waitFor(int64_t milliseconds) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return raised_; });
}

}  // namespace trv3::sim
