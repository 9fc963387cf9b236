// The configured faults, tied to the commands they strike and counting down their strikes.
#pragma once

#include <vector>

#include "command_table.h"
#include "faults.h"

namespace trv3::sim {

class FaultBook {
 public:
  // Throws std::invalid_argument for a fault whose command the simulator does not know.
  explicit FaultBook(std::vector<FaultSpec> faults);

  // The first fault that applies to the command and still has strikes left, counting the strike;
  // nullptr when none does. A fault written with a suffix ("CHAN2:DISP?") strikes only that
  // suffix; one written without strikes every suffix. A fault lets its first `after` occurrences
  // pass, counting them even while another fault strikes them.
  const FaultSpec* strike(const ResolvedCommand& command);

 private:
  struct Armed {
    FaultSpec spec;
    ResolvedCommand target;
    int strikesLeft;  // negative: without limit
    int passesLeft;   // occurrences still to let pass before the first strike
  };
  std::vector<Armed> faults_;
};

}  // namespace trv3::sim
