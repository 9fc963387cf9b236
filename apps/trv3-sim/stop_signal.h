// Tells server threads to end: it cuts their waits (answer delays) short and wakes their poll
// loops through a file descriptor that becomes readable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "socket_util.h"

namespace trv3::sim {

class StopSignal {
 public:
  StopSignal();

  void raise();
  bool raised();

  // Waits up to `milliseconds`; true when the wait ended because of the stop.
  bool waitFor(int64_t milliseconds);

  // Readable once raised; for poll().
  int pollFd() const { return event_.get(); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool raised_ = false;
  UniqueFd event_;
};

}  // namespace trv3::sim
