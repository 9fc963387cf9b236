// The fixed pauses of the instrument dialogue go through this clock: real in the product, instant
// (and recorded) in tests.
#pragma once

#include <cstdint>
#include <vector>

namespace trv3 {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleep(int32_t milliseconds) = 0;
};

// The clock of the calling thread; the real one unless a test installed another.
Clock& currentClock();

// Pauses the calling thread through its clock (the platform's Sleep).
inline void Sleep(int32_t milliseconds) { currentClock().sleep(milliseconds); }

// Installs a clock for the calling thread while the guard lives.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// A clock that returns at once and remembers every pause asked of it.
class RecordingClock : public Clock {
 public:
  void sleep(int32_t milliseconds) override { pauses.push_back(milliseconds); }
  std::vector<int32_t> pauses;
};

}  // namespace trv3
