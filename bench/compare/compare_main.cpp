// One run of the whole comparison against trv3-sim on 127.0.0.1, with VXI-11 served too (run it in
// a private network namespace: compare.sh does). Progress goes to stderr; the table to stdout.
// Usage: compare_bench [--quick] [PART...], PART being blocks, round-trips, fetch, memory or load
// (all of them when none is named).
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

#include "bench_context.h"
#include "child_process.h"

namespace trv3::bench {

std::string BenchContext::pyvisaPeer() const {
  return "/usr/bin/python3 " + quoted(TRV3_BENCH_FOLDER "/compare/pyvisa_peer.py");
}

std::string BenchContext::pyvisaFetch() const {
  return "/usr/bin/python3 " + quoted(TRV3_BENCH_FOLDER "/fetch/pyvisa_fetch.py");
}

namespace {

// A full-scale sine with a little noise: code 10 and its neighbours occur as in a real capture.
// LX280 with two channels shown and firmware 3.10 offers 20,000 points in the set-up dialog.
std::vector<std::string> simulatorArguments() {
  return {"--vxi11", "--model", "LX280", "--firmware", "03.10", "--display", "1,1",
          "--record-length", "16000000", "--signal", "1=sine:2000:0.39:0:0:0.01"};
}

std::string machineLoad() {
  std::ifstream loadavg("/proc/loadavg");
  std::string one, five;
  loadavg >> one >> five;
  return one + " (1 min), " + five + " (5 min) on " + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) +
         " cores";
}

}  // namespace
}  // namespace trv3::bench

int main(int argc, char** argv) {
  using namespace trv3::bench;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool quick = std::erase(arguments, "--quick") > 0;
  const std::vector<std::pair<std::string, void (*)(BenchContext&)>> parts{
      {"blocks", measureBlockReads}, {"round-trips", measureRoundTrips}, {"fetch", measureWholeFetch},
      {"memory", measureFetchMemory}, {"load", measureLoadCost}};
  for (const std::string& name : arguments) {
    if (std::none_of(parts.begin(), parts.end(), [&](const auto& part) { return part.first == name; })) {
      std::cerr << "usage: compare_bench [--quick] [blocks|round-trips|fetch|memory|load]...\n";
      return 1;
    }
  }
  try {
    trv3::test::SimulatorProcess simulator(simulatorArguments());
    ReportTable table;
    BenchContext context{simulator, table, quick};
    const std::string loadBefore = machineLoad();
    for (const auto& [name, measure] : parts)
      if (arguments.empty() || std::find(arguments.begin(), arguments.end(), name) != arguments.end())
        measure(context);
    std::cout << "Medians with min–max; load average before " << loadBefore << ", after "
              << machineLoad() << ".\n\n";
    table.print(std::cout);
    std::cout << "\n" << table.missed() << " target(s) missed\n";
    return table.missed() == 0 ? 0 : 3;
  } catch (const std::exception& error) {
    std::cerr << "compare_bench: " << error.what() << "\n";
    return 1;
  }
}
