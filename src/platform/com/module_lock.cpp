#include "platform/com/module_lock.h"

#include <atomic>

namespace trv3::com {
namespace {
std::atomic<long> moduleLocks{0};
}

void lockModule() { ++moduleLocks; }
void unlockModule() { --moduleLocks; }
bool moduleInUse() { return moduleLocks.load() != 0; }

}  // namespace trv3::com
