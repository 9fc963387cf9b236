#include "platform/runtime/clock.h"

#include <chrono>
#include <thread>

namespace trv3 {
namespace {

class RealClock : public Clock {
 public:
  void sleep(int32_t milliseconds) override {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

RealClock realClock;
thread_local Clock* installedClock = nullptr;

}  // namespace

Clock& currentClock() { return installedClock ? *installedClock : realClock; }

ScopedClock::ScopedClock(Clock& clock) : previous_(installedClock) { installedClock = &clock; }
ScopedClock::~ScopedClock() { installedClock = previous_; }

}  // namespace trv3
