// trv3-host: a small host program that loads the waveform add-in and drives it exactly as a
// waveform editor does. Read fetch_command.cpp and waveform_client.cpp for how a host creates the
// class, sets its language, calls getWaveform and reads the result.
#include <iostream>
#include <limits>
#include <string>

#include <CLI/CLI.hpp>

#include "host_commands.h"
#include "output_paths.h"

using namespace trv3::host;

namespace {

const char* const Description =
    "Loads the TRV3 series waveform add-in (vlmWFRM_TRV3.CWaveForm) and fetches a waveform from an "
    "oscilloscope through it, as a waveform editor does.";

const char* const FetchDescription =
    "Creates the add-in's class, sets its countryCode, calls getWaveform and reads WaveFormResult; "
    "exit status 0 when a waveform was delivered, 2 when none was (cancelled, refused or failed), "
    "3 when a waveform came but --csv or --plot could not be written (nothing is then printed on "
    "stdout, and both files keep what they held), 1 for a usage error (an output file that cannot "
    "be written among them, found before any instrument is touched) or when the add-in cannot be "
    "loaded.\n"
    "With --ui script the dialog runs its real logic without a window and the options below become "
    "the user's actions, in this order: --connect (Connect, pick entry N once the search has "
    "ended, Close) or --address (tab 1, type it, back to tab 0, which reconnects), --channel, "
    "--points, --acquire-new, then OK (or Cancel with --cancel). Without them the remembered "
    "choices are confirmed as they are. Every message box of the add-in is printed on stderr as "
    "one line \"message: <text>\".\n"
    "With --ui qt the real dialog appears and the user makes the choices; --address then only "
    "becomes the remembered address that the dialog opens with. It needs a screen: not Qt's "
    "offscreen or minimal platform, and for xcb a DISPLAY.\n"
    "The --ui default is TRV3_UI when set, else qt when a screen is available, else script.";

const char* const DiscoverDescription =
    "Lists the instruments that the add-in's connect dialog would find, in its order: the "
    "configured addresses (section \"Discovery\", key \"Addresses\"), the remembered address, "
    "usbtmc devices, and the local network only when \"NetworkSearch\" is \"1\". Each entry gives "
    "its number for fetch --connect, address, maker, model and whether the add-in supports the "
    "model. The search lasts at most a few seconds. Exit status 0, or 1 when it cannot run.";

void addAddinOption(CLI::App& command, std::optional<std::filesystem::path>& file) {
  command
      .add_option("--addin", file,
                  "Load this add-in library file (DllGetClassObject) instead of the class "
                  "registered for the current user")
      ->check(CLI::ExistingFile);
}

void addCountryOption(CLI::App& command, int32_t& code) {
  command
      .add_option("--country", code,
                  "countryCode: the language of the add-in's texts (1 English, 33 French, 49 "
                  "German; a code without a language component falls back to 1)")
      ->default_val(1);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{Description, "trv3-host"};
  app.require_subcommand(1);
  app.footer(
      "Environment: the host sets TRV3_UI (script or qt) and, for the script backend, "
      "TRV3_UI_SCRIPT (the dialog actions, \";\"-separated) before it loads the add-in. The "
      "registration and the remembered settings live in the per-user registry under "
      "$XDG_CONFIG_HOME (default ~/.config); register the add-in with trv3-regsvr FILE.\n"
      "Run \"trv3-host fetch --help\" and \"trv3-host discover --help\" for their options.");

  FetchRequest fetch;
  std::string uiName;
  CLI::App* fetchCommand = app.add_subcommand(
      "fetch", "Fetch a waveform through the add-in, as a waveform editor does (fetch --help)");
  fetchCommand->footer(FetchDescription);
  addAddinOption(*fetchCommand, fetch.addinFile);
  CLI::Option* connect =
      fetchCommand
          ->add_option("--connect", fetch.choices.connect,
                       "Press Connect, pick instrument N (1-based) of the connect dialog's list "
                       "(as trv3-host discover shows it) and press Close")
          ->check(CLI::Range(1, std::numeric_limits<int>::max()));
  addCountryOption(*fetchCommand, fetch.countryCode);
  fetchCommand
      ->add_option("--ui", uiName,
                   "script or qt; default: TRV3_UI when set, else qt when a display is available, "
                   "else script")
      ->check(CLI::IsMember({"script", "qt"}));
  fetchCommand
      ->add_option("--address", fetch.choices.address,
                   "Instrument address to type, e.g. TCPIP::127.0.0.1::5025::SOCKET")
      ->excludes(connect);
  CLI::Option* channel = fetchCommand
                             ->add_option("--channel", fetch.choices.channel,
                                          "Pick channel entry N of the channel list (1-based)")
                             ->check(CLI::Range(1, std::numeric_limits<int>::max()));
  CLI::Option* points =
      fetchCommand
          ->add_option("--points", fetch.choices.points,
                       "Pick the points entry whose value is N; when N is not offered the "
                       "offered values are printed and the dialog is cancelled");
  CLI::Option* acquireNew = fetchCommand->add_flag("--acquire-new", fetch.choices.acquireNew,
                                                   "Tick \"Always acquire new waveform\"");
  CLI::Option* cancel =
      fetchCommand->add_flag("--cancel", fetch.choices.cancel, "Press Cancel instead of OK");
  fetchCommand->add_flag("--json", fetch.json,
                         "Print one JSON object on stdout: {\"result\", \"wTime\", \"count\", "
                         "\"wform\"} (the last three only when a waveform was delivered)");
  fetchCommand->add_option("--csv", fetch.csvFile, "Write the samples as \"index,code\" lines");
  fetchCommand->add_option("--plot", fetch.plotFile,
                           "Draw the samples against time into this PNG file (sample i at "
                           "wTime * i / (count - 1))");

  DiscoverRequest discover;
  CLI::App* discoverCommand = app.add_subcommand(
      "discover", "List the instruments the connect dialog would find (discover --help)");
  discoverCommand->footer(DiscoverDescription);
  addAddinOption(*discoverCommand, discover.addinFile);
  discoverCommand->add_flag("--json", discover.json,
                            "Print one JSON array of {\"address\", \"maker\", \"model\", "
                            "\"supported\"}");

  InfoRequest info;
  CLI::App* infoCommand = app.add_subcommand(
      "info",
      "Show ComponentID, CType and countryCode of the add-in, its registration (library file, "
      "CLSID) and the remembered settings (Addr, Chan, Cbo_Idx)");
  addAddinOption(*infoCommand, info.addinFile);
  addCountryOption(*infoCommand, info.countryCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help
    std::cerr << "trv3-host: " << error.what() << "\ntrv3-host: run with --help for more\n";
    return ExitFailure;
  }

  if (fetchCommand->parsed()) {
    fetch.ui = uiName.empty() ? defaultUiMode() : *parseUiMode(uiName);
    if (fetch.choices.address) {
      if (auto problem = addressProblem(*fetch.choices.address)) {
        std::cerr << "trv3-host: " << *problem << '\n';
        return ExitFailure;
      }
    }
    if (fetch.ui == UiMode::Qt) {
      for (const CLI::Option* scripted : {connect, channel, points, acquireNew, cancel}) {
        if (scripted->count() > 0) {
          std::cerr << "trv3-host: " << scripted->get_name()
                    << " is a scripted user action and needs --ui script; with the Qt dialog "
                       "the user makes the choice\n";
          return ExitFailure;
        }
      }
      if (!screenForDialog()) {
        std::cerr << "trv3-host: the Qt dialog needs a display to appear on, and there is none "
                     "(no DISPLAY and no Wayland compositor's socket, xcb without DISPLAY, or the "
                     "offscreen or minimal platform); use --ui script\n";
        return ExitFailure;
      }
    }
    for (const auto& file : {fetch.csvFile, fetch.plotFile}) {
      if (!file) continue;
      if (auto problem = outputProblem(*file)) {
        std::cerr << "trv3-host: " << *problem << '\n';
        return ExitFailure;
      }
    }
    if (fetch.csvFile && fetch.plotFile) {
      if (auto problem = sharedOutputProblem(*fetch.csvFile, *fetch.plotFile)) {
        std::cerr << "trv3-host: " << *problem << '\n';
        return ExitFailure;
      }
    }
    return runFetch(fetch);
  }
  if (discoverCommand->parsed()) return runDiscover(discover);
  return runInfo(info);
}
