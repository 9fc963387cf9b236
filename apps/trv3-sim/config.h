// The simulator's configuration: defaults, overridden by a JSON file, overridden by options.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "faults.h"
#include "instrument_state.h"

namespace trv3::sim {

struct Endpoint {
  std::string host;
  uint16_t port = 0;
};

// Raw-socket clients served at once at most, so that no crowd exhausts memory or threads; the next
// ones wait in the listener's backlog.
inline constexpr int kMostRawClients = 64;

struct SimulatorConfig {
  Endpoint listen{"127.0.0.1", 0};
  bool vxi11 = false;
  int clients = 64;  // raw-socket clients served at once; the next ones wait
  uint16_t portmapPort = 111;
  std::string logPath;

  std::string maker = "VELMORA";
  std::string model = "TRV30K4A";
  std::string serial = "MY12345678";
  std::string firmware = "03.10.2026";
  std::optional<std::string> idn;  // replaces the four fields above in the "*IDN?" answer

  std::optional<int> channels;          // otherwise the model's
  std::optional<int64_t> recordLength;  // otherwise the model's
  AcquireType acquireType = AcquireType::Normal;
  int acquireCount = 8;
  std::vector<bool> display{true};  // channels from 1; the ones not listed are off
  bool displayWords = false;
  std::array<bool, 2> pods{};
  std::bitset<16> digital;
  std::map<int, SignalSpec> signals;  // by channel; the others keep their default signal
  double timeSpan = 1.0e-3;
  double verticalRange = 0.8;
  std::vector<FaultSpec> faults;
};

// "HOST:PORT"; throws std::invalid_argument.
Endpoint parseEndpoint(const std::string& text);

// An SCPI acquisition type in any form ("AVER", "average"); throws std::invalid_argument.
AcquireType parseAcquireType(const std::string& text);

// "sine", "square" or "ramp"; throws std::invalid_argument.
SignalShape parseSignalShape(const std::string& text);

// Applies the keys present in a JSON object (README of the simulator lists them); unknown keys
// and wrong types throw std::invalid_argument.
void applyJsonConfig(SimulatorConfig& config, const nlohmann::json& json);
void applyJsonConfigFile(SimulatorConfig& config, const std::string& path);

// The instrument the configuration describes; throws std::invalid_argument for values out of
// range.
InstrumentState buildInstrumentState(const SimulatorConfig& config);

// Every value in range and every fault on a known command, so that a bad setting is refused
// before anything listens; throws std::invalid_argument.
void checkConfig(const SimulatorConfig& config);

}  // namespace trv3::sim
