// getWaveform as a host calls it: the built add-in activated by its ProgID from a temporary
// per-user registry, the dialog confirmed by the script backend that the host selects through the
// environment, the waveform read from the simulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "acquisition/simulated_signal.h"
#include "addin/addin_fixture.h"
#include "platform/com/variant.h"
#include "platform/settings/settings_store.h"
#include "support/scoped_environment.h"
#include "support/simulator_process.h"

namespace trv3 {
namespace {

using testing::Held;
using testing::ScopedEnvironment;

class GetWaveformThroughCom : public testing::RegisteredAddin {
 protected:
  // The instrument address the add-in remembers from an earlier session.
  static void rememberAddress(const test::SimulatorProcess& instrument) {
    settings::SaveSetting("Velmora\\Quorvalis\\Arb Application", "TRV3 series", "Addr",
                          instrument.socketResource());
  }

  struct Outcome {
    HRESULT status;
    int32_t waveFormResult;
    com::Variant wform;
    double wTime;
  };

  // One host thread: creates the object, calls getWaveform, reads WaveFormResult.
  Outcome fetchInFreshApartment(const char* actions) {
    ScopedEnvironment userInterface("TRV3_UI", "script");
    ScopedEnvironment script("TRV3_UI_SCRIPT", actions);
    Outcome outcome{E_FAIL, 0, com::Variant("untouched"), -1.0};
    testing::inFreshApartment([&] {
      Held<_CWaveForm> object = create();
      VARIANT wform = outcome.wform.detach();
      outcome.status = object->lpVtbl->getWaveform(object.get(), &wform, &outcome.wTime);
      outcome.wform = com::Variant::adopt(wform);
      object->lpVtbl->get_WaveFormResult(object.get(), &outcome.waveFormResult);
    });
    return outcome;
  }
};

TEST_F(GetWaveformThroughCom, ConfirmedDialogHandsTheHostTheScaledSignal) {
  const test::SimulatorProcess simulator(testing::SimulatedInstrument);
  rememberAddress(simulator);
  const Outcome outcome = fetchInFreshApartment("channel 1; points 600; ok");
  EXPECT_EQ(outcome.status, S_OK);
  EXPECT_EQ(outcome.waveFormResult, 1);
  ASSERT_EQ(outcome.wform.type(), VT_ARRAY | VT_I4);
  const SAFEARRAY* array = outcome.wform.int32Array();
  EXPECT_EQ(array->cDims, 1);
  EXPECT_EQ(array->rgsabound[0].lLbound, 0);
  const auto codes = outcome.wform.int32Elements();
  ASSERT_EQ(codes.size(), testing::Points);
  for (size_t i = 0; i < codes.size(); ++i) {
    ASSERT_EQ(codes[i], testing::hostCode(testing::instrumentCode(i, 0.0))) << "sample " << i;
  }
  EXPECT_DOUBLE_EQ(outcome.wTime, testing::LastSampleTime);
}

// Which of the libraries named are mapped into this process.
std::set<std::string> mappedOf(const std::set<std::string>& names) {
  std::set<std::string> mapped;
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    for (const std::string& name : names)
      if (line.find(name) != std::string::npos) mapped.insert(name);
  return mapped;
}

// Libraries that only the Qt dialogs, the network search and VXI-11 need stay out of a host that
// uses none of them; fontconfig comes with the first font that the dialog looks up. (This test
// program links none of them itself.)
TEST_F(GetWaveformThroughCom, TheScriptPathLoadsNeitherQtNorTheNetworkSearch) {
  const std::set<std::string> fonts = {"libfontconfig", "libfreetype"};
  std::set<std::string> libraries = {"libQt6",   "vlmWFRM_TRV3_qt", "liblxi", "vlmWFRM_TRV3_vxi11",
                                     "libtirpc", "libgssapi"};
  libraries.insert(fonts.begin(), fonts.end());
  // Empty when ctest runs this test in a process of its own; earlier tests may have loaded some.
  std::set<std::string> expected = mappedOf(libraries);
  const test::SimulatorProcess simulator(testing::SimulatedInstrument);
  rememberAddress(simulator);
  testing::inFreshApartment([&] { EXPECT_NE(create(), nullptr); });
  EXPECT_EQ(mappedOf(libraries), expected);
  EXPECT_EQ(fetchInFreshApartment("channel 1; points 600; ok").waveFormResult, 1);
  expected.insert(fonts.begin(), fonts.end());
  EXPECT_EQ(mappedOf(libraries), expected);
}

TEST_F(GetWaveformThroughCom, AbsurdPointCountIsAFailedFetchNotAFailedCall) {
  const test::SimulatorProcess lying(
      {"--model", "TRV30K2A", "--display", "1,0", "--fault", "WAV:PRE?=huge_points:500000000"});
  rememberAddress(lying);
  const Outcome outcome = fetchInFreshApartment("channel 1; points 600; ok");
  EXPECT_EQ(outcome.status, S_OK);
  EXPECT_EQ(outcome.waveFormResult, 2);
  EXPECT_EQ(outcome.wform.toText(), "untouched");
  EXPECT_EQ(outcome.wTime, -1.0);
  const auto log = lying.loggedMessages();
  EXPECT_NE(std::find(log.begin(), log.end(), "waveform:preamble?"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "waveform:data?"), log.end());
}

}  // namespace
}  // namespace trv3
