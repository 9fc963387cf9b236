// The peak resident memory of a fetch's transfer of a long record, in a process of its own: the
// preamble, the block of one-byte points widened into the host's array, and the conversion in
// place. Usage: fetch_memory_probe RESOURCE POINTS. Prints {"points", "peak_bytes"} as JSON.
#include <sys/resource.h>

#include <chrono>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "acquisition/MWaveFormModule.h"
#include "shared/MGlobal.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fetch_memory_probe RESOURCE POINTS\n";
    return 1;
  }
  trv3::SessionState& state = trv3::MGlobal::state();
  state.setSourceLabel(" 1");
  state.setPointCount(trv3::com::Variant(static_cast<int32_t>(std::stol(argv[2]))));
  state.setAcquireNew(0);
  const trv3::io::IoSessionRef session =
      trv3::io::IoResourceManager().Open(argv[1], std::chrono::seconds(60));
  trv3::com::Variant wform;
  double wTime = 0;
  trv3::MWaveFormModule::TransferWaveform(*session, wform, wTime);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::cout << nlohmann::json{{"points", wform.int32Elements().size()},
                              {"peak_bytes", static_cast<int64_t>(usage.ru_maxrss) * 1024}}
            << "\n";
}
