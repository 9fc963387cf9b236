// A whole getWaveform of 20,000 points in-process: the fetch procedure behind the method, with the
// script backend confirming the dialog and the fixed pauses made instant by the injected clock.
// Its peers: the same exchange (the messages the instrument logged during one fetch) replayed by
// the C loop, and pyvisa_fetch.py.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "acquisition/FetchWaveform.h"
#include "bench_context.h"
#include "c_loop_client.h"
#include "child_process.h"
#include "figures.h"
#include "platform/language/language_catalog.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/module_path.h"
#include "platform/ui/script_user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"

namespace trv3::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kPoints = 20000;

// The script backend lives as long as the thread, as the product's does, and plays its script at
// every fetch.
double fetchOnce(const std::string& resource) {
  SessionState& state = MGlobal::state();
  state.setInstrumentAddress(com::Variant(resource));
  state.setChannelNumber(0);
  static std::ostringstream notices;
  static ui::ScriptUserInterface userInterface("points " + std::to_string(kPoints) + "; ok", notices);
  ui::ScopedUserInterface scopedUserInterface(userInterface);
  RecordingClock instant;
  ScopedClock scopedClock(instant);
  com::Variant wform;
  double wTime = 0;
  const auto started = Clock::now();
  FetchWaveform(wform, wTime);
  const double seconds = secondsSince(started);
  if (state.WaveFormResult() != 1 || wform.int32Elements().size() != size_t(kPoints))
    throw std::runtime_error("the fetch did not deliver " + std::to_string(kPoints) +
                             " points: " + notices.str());
  return seconds;
}

// The C loop connects and sends every message; a query waits for its reply.
double replay(const test::SimulatorProcess& simulator, const std::vector<std::string>& exchange) {
  std::vector<char> buffer(size_t{1} << 20);
  const auto started = Clock::now();
  CLoopClient cLoop = CLoopClient::overSocket(simulator.host(), simulator.port());
  for (const std::string& message : exchange) {
    cLoop.write(message);
    if (message.find('?') != std::string::npos) cLoop.read(buffer);
  }
  return secondsSince(started);
}

}  // namespace

void measureWholeFetch(BenchContext& context) {
  std::cerr << "whole getWaveform of " << kPoints << " points\n";
  const auto& simulator = context.simulator;
  // The models that offer 20,000 points are not among the built-in ones: a model table beside the
  // "add-in" (here, a folder of the bench's own) adds the simulated one.
  const std::filesystem::path folder = TRV3_FETCH_FOLDER;
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "vlmTRV3SERdc.ini") << "[TRV3 series]\nModel=LX280\nChannels=4\n";
  setAddinFolderOverride(folder);
  language::setCatalogFolder(TRV3_LANGUAGE_FOLDER);
  int32_t english = 1;
  MLocaleGen::loadLanguage(english);

  const size_t logged = simulator.loggedMessages().size();
  fetchOnce(simulator.socketResource());
  const auto log = simulator.loggedMessages();
  const std::vector<std::string> exchange(log.begin() + static_cast<long>(logged), log.end());

  std::vector<double> oursSeconds, cSeconds, pyvisaSeconds;
  for (int i = 0, repetitions = context.repetitions(30); i < repetitions; ++i) {
    oursSeconds.push_back(fetchOnce(simulator.socketResource()));
    cSeconds.push_back(replay(simulator, exchange));
  }
  for (int i = 0, repetitions = context.repetitions(10); i < repetitions; ++i)
    pyvisaSeconds.push_back(runForJson(context.pyvisaFetch() + " " + quoted(simulator.socketResource()) +
                                       " " + std::to_string(kPoints) + " --seconds")
                                .get<double>());
  MLocaleGen::releaseLanguage();
  setAddinFolderOverride({});

  const Figures ours = summarize(oursSeconds), c = summarize(cSeconds), pyvisa = summarize(pyvisaSeconds);
  const std::string what = "Whole getWaveform, 20,000 points, SOCKET, pauses instant";
  context.table.addRatio(what, formatSeconds(ours),
                         "C loop, the same " + std::to_string(exchange.size()) + " messages " + formatSeconds(c),
                         ours.median / c.median, "ours / C loop", std::nullopt, 1.5);
  context.table.addRatio(what, formatSeconds(ours), "pyvisa_fetch.py " + formatSeconds(pyvisa),
                         pyvisa.median / ours.median, "pyvisa-py / ours", 5.0, std::nullopt);
}

}  // namespace trv3::bench
