// Dialog tests against the oscilloscope simulator: each case starts one configured as it needs,
// lets the dialog's sessions reach it, and reads back the exact commands it received.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "support/simulator_process.h"

namespace trv3::testing {

class SimulatedScopeTest : public DialogTest {
 protected:
  // Starts a simulator on 127.0.0.1 with these options; returns its resource address.
  std::string simulate(std::vector<std::string> options);
  // The commands the simulator received, in order.
  std::vector<std::string> received() const { return simulator->loggedMessages(); }

  std::unique_ptr<test::SimulatorProcess> simulator;
};

}  // namespace trv3::testing
