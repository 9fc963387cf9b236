// The soak: 1,000 getWaveform calls in a row in one process against the simulator, on each
// transport, with the dialogue's fixed pauses made instant. Prints resident memory and open
// descriptors at the start and after calls 100, 500 and 1,000, and fails when either grows after
// the warm-up of the first 100 calls. VXI-11 needs the portmapper's port: run it in a private
// network namespace, as the "soak" target does.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "acquisition/FetchWaveform.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "platform/ui/user_interface.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "support/fake_languages.h"
#include "support/simulator_process.h"

namespace trv3 {
namespace {

constexpr int kCalls = 1000;
// Allocator caches and the like may move a little; a leak of one record a call would not.
constexpr long kToleratedGrowthKb = 2048;

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  return -1;
}

long openDescriptors() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                       std::filesystem::directory_iterator{});
}

struct Sample {
  int call;
  long rssKb;
  long descriptors;
};

// Runs the calls; false when one of them did not deliver or the process grew.
bool soak(const char* transport, const std::string& address) {
  SessionState& state = MGlobal::state();
  RecordingClock clock;
  ScopedClock scopedClock(clock);
  std::vector<Sample> samples{{0, residentKilobytes(), openDescriptors()}};
  for (int call = 1; call <= kCalls; ++call) {
    state.setInstrumentAddress(com::Variant(address));
    state.setChannelNumber(0);
    state.setPointsIndex(com::Variant(int32_t{3}));  // 600 points
    std::ostringstream notices;
    ui::ScriptUserInterface userInterface("ok", notices);
    ui::ScopedUserInterface scopedUserInterface(userInterface);
    com::Variant wform;
    double wTime = 0;
    FetchWaveform(wform, wTime);
    if (state.WaveFormResult() != 1 || !userInterface.messages().empty()) {
      std::fprintf(stderr, "%s: call %d delivered nothing\n", transport, call);
      return false;
    }
    if (call == 100 || call == 500 || call == kCalls)
      samples.push_back({call, residentKilobytes(), openDescriptors()});
  }
  for (const Sample& sample : samples)
    std::printf("| %s | %d | %ld | %ld |\n", transport, sample.call, sample.rssKb, sample.descriptors);
  const Sample& warm = samples[1];
  const Sample& last = samples.back();
  return last.rssKb - warm.rssKb <= kToleratedGrowthKb && last.descriptors == samples[0].descriptors;
}

}  // namespace
}  // namespace trv3

int main() {
  using namespace trv3;
  testing::FakeLanguages languages;
  languages.add(1, {{508, "The waveform could not be read"}, {509, "(no instrument)"}}, "DejaVu Sans", 8);
  int32_t code = 1;
  MLocaleGen::loadLanguage(code);
  test::SimulatorProcess simulator({"--vxi11", "--model", "TRV30K2A", "--display", "1,0"});
  std::printf("| transport | call | resident kB | open descriptors |\n|---|---|---|---|\n");
  const bool socketFlat = soak("raw socket", simulator.socketResource());
  const bool vxi11Flat = soak("VXI-11", simulator.instrResource());
  MLocaleGen::releaseLanguage();
  return socketFlat && vxi11Flat ? 0 : 1;
}
