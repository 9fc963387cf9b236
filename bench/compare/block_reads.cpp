// Block reads of one-byte points through our session, the C loop and pyvisa-py, over both
// transports. Each read is timed from the moment the instrument has had time to prepare its
// reply, so that the simulator's generation of the record does not hide the clients' differences.
// The same blocks are then queried whole from a server that holds them ready.
#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <tuple>

#include "bench_context.h"
#include "c_loop_client.h"
#include "child_process.h"
#include "figures.h"
#include "block_fixtures.h"
#include "loopback_server.h"
#include "platform/io/io_session.h"

namespace trv3::bench {
namespace {

using Clock = std::chrono::steady_clock;

class Codes : public io::Int32ArrayTarget {
 public:
  size_t size() const override { return values.size(); }
  int32_t* resize(size_t count) override {
    values.resize(count);
    return values.data();
  }
  std::vector<int32_t> values;
};

struct Transport {
  std::string name;
  std::string resource;
  CLoopClient (*openCLoop)(const test::SimulatorProcess& simulator);
};

CLoopClient socketLoop(const test::SimulatorProcess& simulator) {
  return CLoopClient::overSocket(simulator.host(), simulator.port());
}
CLoopClient vxi11Loop(const test::SimulatorProcess& simulator) {
  return CLoopClient::overVxi11(simulator.host());
}

struct SizeTimes {
  Figures cLoop, ours, pyvisa;
  std::vector<int32_t> codes;  // the block as our session read it
};

// The record of `points` one-byte points of channel 1, stopped, so that every query repeats it.
void selectRecord(const test::SimulatorProcess& simulator, size_t points) {
  CLoopClient setup = CLoopClient::overSocket(simulator.host(), simulator.port());
  for (const std::string command : {":STOP", ":WAVeform:POINts:MODE RAW", ":WAVeform:SOURce CHANnel1",
                                    ":WAVeform:FORMat BYTE"})
    setup.write(command);
  setup.write(":WAVeform:POINts " + std::to_string(points));
  std::vector<char> reply(64);
  setup.write("*OPC?");
  setup.read(reply);
}

double shareOfCode10(const std::vector<int32_t>& codes) {
  return double(std::count(codes.begin(), codes.end(), 10)) / double(codes.size());
}

SizeTimes timeReads(const BenchContext& context, const Transport& transport, size_t points,
                    int repetitions, int pyvisaRepetitions) {
  const auto& simulator = context.simulator;
  std::vector<char> buffer(points + 64);
  CLoopClient cLoop = transport.openCLoop(simulator);
  const io::IoSessionRef session =
      io::IoResourceManager().Open(transport.resource, std::chrono::seconds(30));
  Codes codes;

  // One whole exchange tells how long the instrument needs; the reads wait that long first.
  auto started = Clock::now();
  cLoop.write("waveform:data?");
  cLoop.read(buffer);
  const auto settle = std::chrono::duration<double>(secondsSince(started) * 1.5 + 0.002);

  std::vector<double> cSeconds, oursSeconds;
  for (int i = 0; i < repetitions; ++i) {
    cLoop.write("waveform:data?");
    std::this_thread::sleep_for(settle);
    started = Clock::now();
    const size_t length = cLoop.read(buffer);
    cSeconds.push_back(secondsSince(started));
    if (length < points) throw std::runtime_error("the C loop read a short block");

    session->WriteCommand("waveform:data?");
    std::this_thread::sleep_for(settle);
    started = Clock::now();
    session->ReadFormatted(codes, "I1");
    oursSeconds.push_back(secondsSince(started));
    if (codes.values.size() != points) throw std::runtime_error("our session read a short block");
  }
  if (transport.name == "SOCKET")
    std::cerr << "  " << points << " points: code 10 is " << shareOfCode10(codes.values) * 100
              << " % of the codes\n";

  const auto pyvisa = runForJson(context.pyvisaPeer() + " " + quoted(transport.resource) + " block " +
                                 std::to_string(pyvisaRepetitions) + " " + std::to_string(settle.count()));
  return {summarize(cSeconds), summarize(oursSeconds), summarize(pyvisa.get<std::vector<double>>()),
          std::move(codes.values)};
}

// The whole exchange (command and block) against a server that holds the same block ready, as
// io_bench measures it: here the sending side sets the pace, and the ratio shows what our reading
// adds to an exchange.
std::pair<Figures, Figures> timeReadyExchanges(const std::vector<int32_t>& codes, int repetitions) {
  std::string bytes(codes.begin(), codes.end());
  const std::string reply = io::testing::definiteBlock(bytes) + "\n";
  io::testing::LoopbackServer server([&reply](io::testing::ServerConnection& connection) {
    while (const auto command = connection.readCommand())
      if (*command == "waveform:data?") connection.send(reply);
  });
  CLoopClient cLoop = CLoopClient::overSocket("127.0.0.1", server.port());
  const io::IoSessionRef session = io::IoResourceManager().Open(server.socketAddress(), std::chrono::seconds(30));
  std::vector<char> buffer(reply.size() + 64);
  Codes target;
  std::vector<double> cSeconds, oursSeconds;
  for (int i = 0; i < repetitions; ++i) {
    auto started = Clock::now();
    cLoop.write("waveform:data?");
    cLoop.read(buffer);
    cSeconds.push_back(secondsSince(started));
    started = Clock::now();
    session->WriteCommand("waveform:data?");
    session->ReadFormatted(target, "I1");
    oursSeconds.push_back(secondsSince(started));
  }
  if (target.values != codes) throw std::runtime_error("our session read other codes than were sent");
  return {summarize(cSeconds), summarize(oursSeconds)};
}

// The ratio of the fastest reads too: a read that does more work is more often interrupted on a
// busy machine, which the medians then show.
std::string withMinima(const std::string& meaning, double ratioOfMinima) {
  return meaning + "; of the minima " + formatRatio(ratioOfMinima);
}

std::string sizeName(size_t points) {
  return points >= 1000000 ? std::to_string(points / 1000000) + ",000,000"
                           : std::to_string(points / 1000) + ",000";
}

}  // namespace

void measureBlockReads(BenchContext& context) {
  const std::vector<Transport> transports{{"SOCKET", context.simulator.socketResource(), socketLoop},
                                          {"VXI-11", context.simulator.instrResource(), vxi11Loop}};
  // Points, then repetitions of ours and the C loop, and of pyvisa-py, whose long reads would
  // otherwise take minutes.
  const std::vector<std::tuple<size_t, int, int>> sizes{{20000, 31, 30}, {1000000, 31, 5}, {16000000, 7, 3}};
  for (const auto& [points, fullRepetitions, pyvisaRepetitions] : sizes) {
    std::cerr << "block read of " << points << " points\n";
    selectRecord(context.simulator, points);
    const int repetitions = context.repetitions(fullRepetitions);
    const int pyvisa = context.repetitions(pyvisaRepetitions);
    const SizeTimes socket = timeReads(context, transports[0], points, repetitions, pyvisa);
    const SizeTimes vxi11 = timeReads(context, transports[1], points, repetitions, pyvisa);
    const bool large = points >= 1000000;
    const std::string size = sizeName(points) + " points";
    context.table.addRatio("Block read " + size + ", SOCKET", formatSeconds(socket.ours),
                           "C loop " + formatSeconds(socket.cLoop), socket.cLoop.median / socket.ours.median,
                           withMinima("C loop / ours", socket.cLoop.min / socket.ours.min), large ? std::optional(0.8) : std::nullopt, std::nullopt);
    const auto [cReady, oursReady] = timeReadyExchanges(socket.codes, repetitions);
    context.table.addRatio("Block query " + size + ", SOCKET, from a server holding it ready",
                           formatSeconds(oursReady), "C loop " + formatSeconds(cReady),
                           cReady.median / oursReady.median,
                           withMinima("C loop / ours", cReady.min / oursReady.min), large ? std::optional(0.8) : std::nullopt, std::nullopt);
    context.table.addRatio("Block read " + size + ", SOCKET", formatSeconds(socket.ours),
                           "pyvisa-py " + formatSeconds(socket.pyvisa),
                           socket.pyvisa.median / socket.ours.median, "pyvisa-py / ours", std::nullopt,
                           std::nullopt);
    context.table.addRatio("Block read " + size + ", VXI-11", formatSeconds(vxi11.ours),
                           "our SOCKET read " + formatSeconds(socket.ours),
                           socket.ours.median / vxi11.ours.median,
                           withMinima("SOCKET / VXI-11", socket.ours.min / vxi11.ours.min),
                           large ? std::optional(0.5) : std::nullopt, std::nullopt);
    context.table.addRatio("Block read " + size + ", VXI-11", formatSeconds(vxi11.ours),
                           "C loop " + formatSeconds(vxi11.cLoop), vxi11.cLoop.median / vxi11.ours.median,
                           "C loop / ours", std::nullopt, std::nullopt);
    context.table.addRatio("Block read " + size + ", VXI-11", formatSeconds(vxi11.ours),
                           "pyvisa-py " + formatSeconds(vxi11.pyvisa), vxi11.pyvisa.median / vxi11.ours.median,
                           "pyvisa-py / ours", large ? std::optional(10.0) : std::nullopt, std::nullopt);
  }
}

}  // namespace trv3::bench
