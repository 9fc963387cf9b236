#include "config.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "fault_book.h"
#include "model_catalog.h"
#include "scpi_arguments.h"
#include "scpi_errors.h"

namespace trv3::sim {
namespace {

using Json = nlohmann::json;

constexpr int kMostChannels = 4;
constexpr int64_t kLongestRecord = 99'999'999;  // what the eight length digits can state

std::invalid_argument invalid(const std::string& what) { return std::invalid_argument(what); }

// A whole number that fits the setting; nlohmann's own conversion would wrap one that does not
// (a port of 70000 became 4464) and cut the fraction off another.
template <typename Integer>
Integer wholeNumber(const Json& json) {
  if (json.is_number_unsigned()) {
    const auto value = json.get<uint64_t>();
    if (std::in_range<Integer>(value)) return static_cast<Integer>(value);
  } else if (json.is_number_integer()) {
    const auto value = json.get<int64_t>();
    if (std::in_range<Integer>(value)) return static_cast<Integer>(value);
  } else {
    throw invalid("expected a whole number, got " + json.dump());
  }
  throw invalid(json.dump() + " is out of range");
}

SignalSpec jsonSignal(const Json& json, SignalSpec signal) {
  for (const auto& [key, value] : json.items()) {
    if (key == "shape") signal.shape = parseSignalShape(value.get<std::string>());
    else if (key == "frequency") signal.frequency = value.get<double>();
    else if (key == "amplitude") signal.amplitude = value.get<double>();
    else if (key == "offset") signal.offset = value.get<double>();
    else if (key == "phase") signal.phase = value.get<double>();
    else if (key == "noise") signal.noise = value.get<double>();
    else if (key == "seed") signal.seed = wholeNumber<uint32_t>(value);
    else throw invalid("unknown signal key: " + key);
  }
  return signal;
}

int channelNumber(const std::string& key) {
  if (key.size() != 1 || key[0] < '1' || key[0] > '4') throw invalid("signal channel must be 1 to 4");
  return key[0] - '0';
}

FaultSpec jsonFault(const Json& json) {
  FaultSpec spec;
  bool valueGiven = false;
  for (const auto& [key, value] : json.items()) {
    if (key == "command") spec.command = value.get<std::string>();
    else if (key == "kind") spec.kind = parseFaultKind(value.get<std::string>());
    else if (key == "value") { spec.value = wholeNumber<int64_t>(value); valueGiven = true; }
    else if (key == "text") spec.text = value.get<std::string>();
    else if (key == "times") spec.times = wholeNumber<int>(value);
    else if (key == "after") spec.after = wholeNumber<int>(value);
    else throw invalid("unknown fault key: " + key);
  }
  if (!json.contains("kind")) throw invalid("fault without a kind");
  return completeFaultSpec(std::move(spec), valueGiven);
}

using KeyHandler = std::function<void(SimulatorConfig&, const Json&)>;

const std::vector<std::pair<std::string_view, KeyHandler>>& keyHandlers() {
  static const std::vector<std::pair<std::string_view, KeyHandler>> handlers{
      {"listen", [](auto& c, const Json& j) { c.listen = parseEndpoint(j.get<std::string>()); }},
      {"vxi11", [](auto& c, const Json& j) { c.vxi11 = j.get<bool>(); }},
      {"clients", [](auto& c, const Json& j) { c.clients = wholeNumber<int>(j); }},
      {"portmap_port", [](auto& c, const Json& j) { c.portmapPort = wholeNumber<uint16_t>(j); }},
      {"log", [](auto& c, const Json& j) { c.logPath = j.get<std::string>(); }},
      {"maker", [](auto& c, const Json& j) { c.maker = j.get<std::string>(); }},
      {"model", [](auto& c, const Json& j) { c.model = j.get<std::string>(); }},
      {"serial", [](auto& c, const Json& j) { c.serial = j.get<std::string>(); }},
      {"firmware", [](auto& c, const Json& j) { c.firmware = j.get<std::string>(); }},
      {"idn", [](auto& c, const Json& j) { c.idn = j.get<std::string>(); }},
      {"channels", [](auto& c, const Json& j) { c.channels = wholeNumber<int>(j); }},
      {"record_length", [](auto& c, const Json& j) { c.recordLength = wholeNumber<int64_t>(j); }},
      {"acquire_type",
       [](auto& c, const Json& j) { c.acquireType = parseAcquireType(j.get<std::string>()); }},
      {"acquire_count", [](auto& c, const Json& j) { c.acquireCount = wholeNumber<int>(j); }},
      {"display", [](auto& c, const Json& j) { c.display = j.get<std::vector<bool>>(); }},
      {"display_words", [](auto& c, const Json& j) { c.displayWords = j.get<bool>(); }},
      {"pods", [](auto& c, const Json& j) { c.pods = j.get<std::array<bool, 2>>(); }},
      {"digital",
       [](auto& c, const Json& j) {
         if (!j.is_array()) throw invalid("expected a list of line numbers");
         c.digital.reset();
         for (const Json& line : j) {
           const int number = wholeNumber<int>(line);
           if (number < 0 || number > 15) throw invalid("digital lines are 0 to 15");
           c.digital.set(static_cast<std::size_t>(number));
         }
       }},
      {"signals",
       [](auto& c, const Json& j) {
         for (const auto& [channel, signal] : j.items()) {
           const int number = channelNumber(channel);
           c.signals[number] = jsonSignal(signal, defaultSignal(number));
         }
       }},
      {"time_span", [](auto& c, const Json& j) { c.timeSpan = j.get<double>(); }},
      {"vertical_range", [](auto& c, const Json& j) { c.verticalRange = j.get<double>(); }},
      {"faults",
       [](auto& c, const Json& j) {
         for (const Json& fault : j) c.faults.push_back(jsonFault(fault));
       }},
  };
  return handlers;
}

std::vector<bool> sized(std::vector<bool> states, int count) {
  states.resize(static_cast<std::size_t>(count), false);
  return states;
}

}  // namespace

Endpoint parseEndpoint(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) throw invalid("expected HOST:PORT, got " + text);
  std::size_t used = 0;
  int port = -1;
  try {
    port = std::stoi(text.substr(colon + 1), &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() - colon - 1 || port < 0 || port > 65535) {
    throw invalid("bad port in " + text);
  }
  return {text.substr(0, colon), static_cast<uint16_t>(port)};
}

AcquireType parseAcquireType(const std::string& text) {
  constexpr AcquireType kTypes[] = {AcquireType::Normal, AcquireType::Average, AcquireType::Peak,
                                    AcquireType::HighResolution};
  try {
    return kTypes[parseKeyword(text, {"NORMal", "AVERage", "PEAK", "HRESolution"})];
  } catch (const ScpiError&) {
    throw invalid("unknown acquisition type: " + text);
  }
}

SignalShape parseSignalShape(const std::string& text) {
  if (text == "sine") return SignalShape::Sine;
  if (text == "square") return SignalShape::Square;
  if (text == "ramp") return SignalShape::Ramp;
  throw invalid("unknown signal shape: " + text);
}

void applyJsonConfig(SimulatorConfig& config, const Json& json) {
  if (!json.is_object()) throw invalid("the configuration must be a JSON object");
  for (const auto& item : json.items()) {
    // Named, not bound, so that the lambda below may capture it with every compiler we build with.
    const std::string& key = item.key();
    const Json& value = item.value();
    const auto& handlers = keyHandlers();
    const auto handler = std::find_if(handlers.begin(), handlers.end(),
                                      [&](const auto& entry) { return entry.first == key; });
    if (handler == handlers.end()) throw invalid("unknown configuration key: " + key);
    try {
      handler->second(config, value);
    } catch (const std::exception& error) {
      throw invalid("configuration key " + key + ": " + error.what());
    }
  }
}

void applyJsonConfigFile(SimulatorConfig& config, const std::string& path) {
  std::ifstream file(path);
  if (!file) throw invalid("cannot read configuration " + path);
  Json json;
  try {
    json = Json::parse(file);
  } catch (const Json::exception& error) {
    throw invalid("configuration " + path + ": " + error.what());
  }
  applyJsonConfig(config, json);
}

InstrumentState buildInstrumentState(const SimulatorConfig& config) {
  const ModelInfo model = lookUpModel(config.model);
  InstrumentProfile profile;
  profile.idnReply = config.idn.value_or(config.maker + "," + config.model + "," + config.serial +
                                         "," + config.firmware);
  profile.channels = config.channels.value_or(model.channels);
  profile.hasPods = model.hasPods;
  profile.recordLength = config.recordLength.value_or(model.recordLength);
  profile.displayWords = config.displayWords;
  profile.timeSpan = config.timeSpan;
  profile.verticalRange = config.verticalRange;

  if (profile.channels < 1 || profile.channels > kMostChannels) {
    throw invalid("channels must be 1 to 4");
  }
  if (profile.recordLength < 1 || profile.recordLength > kLongestRecord) {
    throw invalid("record length must be 1 to 99999999");
  }
  if (!(profile.timeSpan > 0.0) || !(profile.verticalRange > 0.0)) {
    throw invalid("time span and vertical range must be positive");
  }
  if (config.acquireCount < 1 || config.acquireCount > 65536) {
    throw invalid("acquisition count must be 1 to 65536");
  }
  if (static_cast<int>(config.display.size()) > profile.channels) {
    throw invalid("display lists more channels than the instrument has");
  }
  for (int channel = 1; channel <= profile.channels; ++channel) {
    profile.signals.push_back(defaultSignal(channel));
  }
  for (const auto& [channel, signal] : config.signals) {
    if (channel < 1 || channel > profile.channels) {
      throw invalid("signal for channel " + std::to_string(channel) + " which does not exist");
    }
    profile.signals[static_cast<std::size_t>(channel - 1)] = signal;
  }

  InstrumentSettings settings;
  settings.acquireType = config.acquireType;
  settings.acquireCount = config.acquireCount;
  settings.channelDisplay = sized(config.display, profile.channels);
  settings.podDisplay = config.pods;
  settings.digitalLines = config.digital;
  return {std::move(profile), settings, settings, 0};
}

void checkConfig(const SimulatorConfig& config) {
  if (config.clients < 1 || config.clients > kMostRawClients) {
    throw invalid("clients must be 1 to " + std::to_string(kMostRawClients));
  }
  buildInstrumentState(config);
  FaultBook{config.faults};
}

}  // namespace trv3::sim
