#include "platform/com/module_lock.h"

#include <atomic>

namespace trv3::com {
namespace {
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};
}  // namespace

void lockModule() { ++liveObjects; }
void unlockModule() { --liveObjects; }

void lockServer() { ++serverLocks; }
void unlockServer() {
  long locks = serverLocks.load();
  while (locks > 0 && !serverLocks.compare_exchange_weak(locks, locks - 1)) {
  }
}

bool moduleInUse() { return liveObjects.load() != 0 || serverLocks.load() != 0; }

}  // namespace trv3::com
