// One "*IDN?" query and its reply, through our session, the C loop and pyvisa-py, over both
// transports.
#include <chrono>
#include <iostream>

#include "bench_context.h"
#include "c_loop_client.h"
#include "child_process.h"
#include "figures.h"
#include "platform/io/io_session.h"

namespace trv3::bench {
namespace {

using Clock = std::chrono::steady_clock;

void compare(BenchContext& context, const std::string& transport, const std::string& resource,
             CLoopClient cLoop) {
  const int repetitions = context.repetitions(300);
  const io::IoSessionRef session = io::IoResourceManager().Open(resource);
  std::vector<char> buffer(256);
  std::vector<double> cSeconds, oursSeconds;
  // Alternating, so that both see the same state of the machine.
  for (int i = 0; i < repetitions; ++i) {
    auto started = Clock::now();
    cLoop.write("*IDN?");
    cLoop.read(buffer);
    cSeconds.push_back(secondsSince(started));
    started = Clock::now();
    session->QueryText("*IDN?");
    oursSeconds.push_back(secondsSince(started));
  }
  const Figures c = summarize(cSeconds), ours = summarize(oursSeconds);
  const Figures pyvisa = summarize(
      runForJson(context.pyvisaPeer() + " " + quoted(resource) + " idn " + std::to_string(repetitions))
          .get<std::vector<double>>());
  const std::string what = "*IDN? round trip, " + transport;
  context.table.addRatio(what, formatSeconds(ours), "C loop " + formatSeconds(c), ours.median / c.median,
                         "ours / C loop", std::nullopt, 1.3);
  context.table.addRatio(what, formatSeconds(ours), "pyvisa-py " + formatSeconds(pyvisa),
                         pyvisa.median / ours.median, "pyvisa-py / ours", std::nullopt, std::nullopt);
}

}  // namespace

void measureRoundTrips(BenchContext& context) {
  std::cerr << "*IDN? round trips\n";
  const auto& simulator = context.simulator;
  compare(context, "SOCKET", simulator.socketResource(),
          CLoopClient::overSocket(simulator.host(), simulator.port()));
  compare(context, "VXI-11", simulator.instrResource(), CLoopClient::overVxi11(simulator.host()));
}

}  // namespace trv3::bench
