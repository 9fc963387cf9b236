// What every part of the comparison shares: the simulated instrument, the programs it runs as
// peers and probes, how many repetitions it takes, and the table it fills.
#pragma once

#include <cstdint>
#include <string>

#include "report_table.h"
#include "support/simulator_process.h"

namespace trv3::bench {

struct BenchContext {
  test::SimulatorProcess& simulator;
  ReportTable& table;
  bool quick = false;  // a third of the repetitions, for a first look

  int repetitions(int full) const { return quick ? (full + 2) / 3 : full; }
  // The python commands that run pyvisa_peer.py and pyvisa_fetch.py.
  std::string pyvisaPeer() const;
  std::string pyvisaFetch() const;
};

// The parts, in the order they run; each adds its rows to the table.
void measureBlockReads(BenchContext& context);
void measureRoundTrips(BenchContext& context);
void measureWholeFetch(BenchContext& context);
void measureFetchMemory(BenchContext& context);
void measureLoadCost(BenchContext& context);

}  // namespace trv3::bench
