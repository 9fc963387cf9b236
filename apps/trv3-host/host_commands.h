// The two commands of trv3-host, with their inputs already checked by the command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "dialog_script.h"
#include "ui_choice.h"

namespace trv3::host {

// Exit status: 0 when a waveform was delivered (and every file asked for holds it), 2 when
// WaveFormResult is 2, 3 when a waveform came but an output could not be written, 1 for a usage
// error or when the add-in cannot be loaded or driven.
constexpr int ExitDelivered = 0;
constexpr int ExitFailure = 1;
constexpr int ExitNoWaveform = 2;
constexpr int ExitNotWritten = 3;

struct FetchRequest {
  std::optional<std::filesystem::path>
      addinFile;  // load this library instead of the registered one
  int32_t countryCode = 1;
  UiMode ui = UiMode::Script;
  DialogChoices choices;
  bool json = false;
  std::optional<std::filesystem::path> csvFile;
  std::optional<std::filesystem::path> plotFile;
};

struct DiscoverRequest {
  std::optional<std::filesystem::path> addinFile;  // whose model table says what is supported
  bool json = false;
};

struct InfoRequest {
  std::optional<std::filesystem::path> addinFile;
  int32_t countryCode = 1;
};

int runFetch(const FetchRequest& request);
int runInfo(const InfoRequest& request);
int runDiscover(const DiscoverRequest& request);

}  // namespace trv3::host
