#include "simulated_scope.h"

#include <stdexcept>

namespace trv3::sim {

std::string SimulatedScope::data() {
  const std::string answer = ask("waveform:data?");
  if (answer.size() < 10 || answer.compare(0, 2, "#8") != 0) {
    throw std::runtime_error("not a #8 block: " + answer.substr(0, 10));
  }
  const std::size_t length = std::stoul(answer.substr(2, 8));
  if (answer.size() != 10 + length) throw std::runtime_error("block length disagrees with header");
  return answer.substr(10);
}

}  // namespace trv3::sim
