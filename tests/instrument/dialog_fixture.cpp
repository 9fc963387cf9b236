#include "dialog_fixture.h"

#include <cstdlib>
#include <fstream>

#include "platform/runtime/module_path.h"

namespace trv3::testing {

std::map<int32_t, std::string> englishTexts() {
  return {{200, "&Ok"},
          {201, "&Cancel"},
          {202, "&Close"},
          {500, "WaveForm"},
          {501, "Connect To Scope"},
          {502, "Currently connected Oscilloscope"},
          {503, "Channel"},
          {504, "Oscilloscope Waveform Setup"},
          {505, "Number of Points"},
          {506, "Oscilloscope Address:"},
          {507, "Connect to Oscilloscope"},
          {508, "Unable to transfer the waveform."},
          {509, "No Instrument Selected"},
          {510, "Not a supported oscilloscope:"},
          {512, "Unsupported acquisition mode."},
          {514, "Velmora LX2xx Scope Waveform"},
          {515, "No answer:"},
          {516, "Unusable answers:"}};
}

DialogTest::DialogTest() {
  std::string pattern = (std::filesystem::temp_directory_path() / "trv3-addin-XXXXXX").string();
  addinFolder_ = mkdtemp(pattern.data());
  setAddinFolderOverride(addinFolder_);
  languages.add(1, englishTexts(), "DejaVu Sans", 8);
  play("");
  state.setInstrumentAddress("");
  state.setSourceLabel("");
  state.setChannelNumber(0);
  state.setPointCount(int32_t{0});
  state.setPointsIndex(int32_t{0});
  state.setAcquireNew(0);
  state.setWaveFormResult(int32_t{1});
  state.setCountryCode(int32_t{1});
}

DialogTest::~DialogTest() {
  setAddinFolderOverride({});
  std::error_code ignored;
  std::filesystem::remove_all(addinFolder_, ignored);
}

void DialogTest::play(const std::string& script) {
  useBackend_.reset();
  backend = std::make_unique<ui::ScriptUserInterface>(script, notices_);
  useBackend_.emplace(*backend);
}

void DialogTest::writeModelTable(const std::string& models, const std::string& channels) {
  std::ofstream ini(addinFolder_ / "vlmTRV3SERdc.ini");
  ini << "[TRV3 series]\nModel=" << models << "\nChannels=" << channels << "\n";
}

std::shared_ptr<ScriptedSession> DialogTest::addScope(const std::string& address, const std::string& idn, int channels,
                                                      const std::string& display) {
  auto scope = instruments.add(address);
  scope->reply("*IDN?", idn).reply(":acq:TYPE?", "NORM");
  for (int channel = 1; channel <= channels; ++channel) scope->reply("CHAN" + std::to_string(channel) + ":DISP?", display);
  return scope;
}

std::unique_ptr<Fsetup> DialogTest::createSetup(const std::string& address) {
  state.setInstrumentAddress(address);
  return std::make_unique<Fsetup>();
}

std::unique_ptr<Fsetup> DialogTest::runSetup(const std::string& address, const std::string& script) {
  state.setWaveFormResult(int32_t{2});
  auto dialog = createSetup(address);
  play(script);
  dialog->form.showModal();
  return dialog;
}

std::shared_ptr<ScriptedSession> DialogTest::openModel(const std::string& model, const std::string& firmware) {
  setup = createSetup();
  auto scope = instruments.add("FAKE::1");
  scope->reply("*IDN?", "VELMORA," + model + ",SN1," + firmware);
  setup->openScope("FAKE::1");
  scope->commands.clear();
  clock.pauses.clear();
  return scope;
}

std::vector<std::string> DialogTest::messages() const {
  std::vector<std::string> texts;
  for (const auto& message : backend->messages()) texts.push_back(message.text);
  return texts;
}

}  // namespace trv3::testing
