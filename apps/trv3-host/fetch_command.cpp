// `trv3-host fetch`: the whole of what a waveform editor does to take a waveform through the
// add-in.
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "addin_loader.h"
#include "host_commands.h"
#include "platform/settings/settings_store.h"
#include "waveform_client.h"
#include "waveform_outputs.h"
#include "waveform_plot.h"

namespace trv3::host {

namespace {

// The add-in picks its user interface when its dialogs are first needed; the host says which one
// through the environment before the library is loaded.
void chooseUserInterface(const FetchRequest& request) {
  setenv("TRV3_UI", uiModeName(request.ui).c_str(), 1);
  if (request.ui == UiMode::Script) {
    setenv("TRV3_UI_SCRIPT", dialogScript(request.choices).c_str(), 1);
    return;
  }
  // The real dialog opens on the remembered address, so an address given for it is stored where
  // the add-in reads it at creation.
  unsetenv("TRV3_UI_SCRIPT");
  if (request.choices.address)
    settings::SaveSetting("Velmora\\Quorvalis\\Arb Application", "TRV3 series", "Addr",
                          *request.choices.address);
}

FetchOutcome fetchThroughAddin(const FetchRequest& request) {
  // 1. Create the class. 2. Choose the language. 3. getWaveform runs the dialog and the transfer.
  // 4. WaveFormResult tells whether wform and wTime hold a waveform. 5. Release the instance,
  // which saves the remembered address, channel and points choice.
  WaveformClient waveform(createWaveformObject(request.addinFile));
  waveform.setCountryCode(request.countryCode);
  FetchOutcome outcome;
  const bool holdsArray = waveform.getWaveform(outcome.codes, outcome.wTime);
  outcome.result = waveform.waveFormResult();
  waveform.release();
  if (outcome.delivered() && !holdsArray)
    throw std::runtime_error(
        "getWaveform reported a waveform but wform holds no array of 32-bit integers");
  return outcome;
}

void printOutcome(const FetchRequest& request, const FetchOutcome& outcome) {
  if (request.json)
    writeJson(std::cout, outcome);
  else
    writeSummary(std::cout, outcome);
}

// The files go out only with a waveform, and before anything is printed: a waveform counts as
// delivered only once every file asked for holds it.
int reportOutcome(const FetchRequest& request, const FetchOutcome& outcome) {
  if (!outcome.delivered()) {
    printOutcome(request, outcome);
    if (request.csvFile || request.plotFile)
      std::cerr << "trv3-host: no waveform, so no file was written\n";
    return ExitNoWaveform;
  }
  try {
    std::optional<OutputFile> csv, plot;
    if (request.csvFile) writeCsv(csv.emplace(*request.csvFile), outcome);
    if (request.plotFile) plotWaveform(outcome, plot.emplace(*request.plotFile));
    // Each file takes its place only once both are written and on the disk.
    for (auto* file : {&csv, &plot})
      if (*file) (*file)->complete();
    for (auto* file : {&csv, &plot})
      if (*file) (*file)->putInPlace();
  } catch (const std::exception& error) {
    std::cerr << "trv3-host: " << error.what() << "; the waveform was fetched but not delivered\n";
    return ExitNotWritten;
  }
  printOutcome(request, outcome);
  if (!request.json) {
    if (request.csvFile) std::cout << "samples written to " << request.csvFile->string() << '\n';
    if (request.plotFile) std::cout << "plot written to " << request.plotFile->string() << '\n';
  }
  if (!std::cout.flush()) {
    std::cerr << "trv3-host: cannot write the standard output; the waveform was fetched but not delivered\n";
    return ExitNotWritten;
  }
  return ExitDelivered;
}

}  // namespace

int runFetch(const FetchRequest& request) {
  // A reader that went away (a pipe to "head", say) makes a write fail rather than end the host
  // by SIGPIPE, so that a waveform not handed on is reported as such with exit status 3.
  std::signal(SIGPIPE, SIG_IGN);
  FetchOutcome outcome;
  try {
    chooseUserInterface(request);
    outcome = fetchThroughAddin(request);
  } catch (const std::exception& error) {
    std::cerr << "trv3-host: " << error.what() << '\n';
    return ExitFailure;
  }
  return reportOutcome(request, outcome);
}

}  // namespace trv3::host
