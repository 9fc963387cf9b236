#include "simulated_scope.h"

namespace trv3::testing {

std::string SimulatedScopeTest::simulate(std::vector<std::string> options) {
  simulator = std::make_unique<test::SimulatorProcess>(std::move(options));
  instruments.letThrough(simulator->socketResource());
  return simulator->socketResource();
}

}  // namespace trv3::testing
