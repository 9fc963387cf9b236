#include "scpi_errors.h"

namespace trv3::sim {

void ErrorQueue::push(const ScpiError& error) {
  if (entries_.size() < kCapacity) {
    entries_.push_back(error);
  } else {
    entries_.back() = kQueueOverflow;
  }
}

std::string ErrorQueue::pop() {
  if (entries_.empty()) return "+0,\"No error\"";
  const ScpiError error = entries_.front();
  entries_.pop_front();
  return std::to_string(error.code) + ",\"" + error.text + "\"";
}

}  // namespace trv3::sim
