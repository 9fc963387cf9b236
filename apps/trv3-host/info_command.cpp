// `trv3-host info`: what a host can learn about the add-in without fetching anything.
#include <exception>
#include <iostream>

#include "addin_loader.h"
#include "host_commands.h"
#include "platform/settings/settings_store.h"
#include "waveform_client.h"

namespace trv3::host {

namespace {

constexpr const char* Application = "Velmora\\Quorvalis\\Arb Application";
constexpr const char* Section = "TRV3 series";

void printRememberedSettings() {
  std::cout << "remembered settings (" << settings::storePath().string() << "):\n";
  for (const char* key : {"Addr", "Chan", "Cbo_Idx"}) {
    const std::string value = settings::GetSetting(Application, Section, key);
    std::cout << "  " << key << ": " << (value.empty() ? "(none)" : value) << '\n';
  }
}

}  // namespace

int runInfo(const InfoRequest& request) {
  std::cout << "registration: " << registrationText() << '\n';
  if (request.addinFile) std::cout << "loading " << request.addinFile->string() << " instead\n";
  // Read before the instance exists: its release saves the apartment's values again.
  printRememberedSettings();
  try {
    WaveformClient waveform(createWaveformObject(request.addinFile));
    waveform.setCountryCode(request.countryCode);
    std::cout << "ComponentID: " << waveform.componentId() << '\n';
    std::cout << "CType: " << waveform.cType() << '\n';
    std::cout << "countryCode: " << waveform.countryCode() << '\n';
    std::cout << "WaveFormResult: " << waveform.waveFormResult() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "trv3-host: " << error.what() << '\n';
    return ExitFailure;
  }
  return ExitDelivered;
}

}  // namespace trv3::host
