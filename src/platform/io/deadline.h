// The end of one operation's time budget; each piece of a longer exchange gets what is left of it.
#pragma once

#include <chrono>

namespace trv3::io {

class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Deadline(std::chrono::milliseconds budget) : end_(Clock::now() + budget) {}

  // The same end moved later by a fixed grace: a step that waits for another party's own
  // time-out answer still ends a bounded time after the operation's deadline.
  Deadline withGrace(std::chrono::milliseconds grace) const { return Deadline(end_ + grace); }

  // Whole milliseconds left, rounded up so that a wait never ends just before the deadline;
  // 0 once it has passed.
  std::chrono::milliseconds remaining() const {
    const auto left = end_ - Clock::now();
    if (left <= Clock::duration::zero()) return std::chrono::milliseconds{0};
    return std::chrono::ceil<std::chrono::milliseconds>(left);
  }
  bool expired() const { return Clock::now() >= end_; }

 private:
  explicit Deadline(Clock::time_point end) : end_(end) {}

  Clock::time_point end_;
};

}  // namespace trv3::io
