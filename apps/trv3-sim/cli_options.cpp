#include "cli_options.h"

#include <cmath>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "scpi_arguments.h"
#include "scpi_errors.h"

namespace trv3::sim {
namespace {

constexpr const char* kDescription =
    "trv3-sim: a simulated oscilloscope of the Velmora Quorvalis TRV3 series (and the legacy LX2xx\n"
    "models) answering SCPI over a raw TCP socket and, with --vxi11, over VXI-11.\n"
    "Prints the raw-socket resource (TCPIP::HOST::PORT::SOCKET) as its first line, then with\n"
    "--vxi11 the VXI-11 resource (TCPIP::HOST::INSTR), and runs until SIGTERM or SIGINT (exit 0).\n"
    "Exit status 2 for bad options or configuration, 1 when it cannot serve (e.g. a port taken).";

constexpr const char* kFooter = R"(
Settings come from the defaults, then the --config file, then the options given here.

Waveform points: while the acquisition runs (after *RST or :RUN), and in NORMal points mode,
at most 1000 points are available; once stopped (:STOP or :SINGle), RAW and MAXimum modes offer
the whole record of the model. The preamble and the data block carry the requested count capped
at what is available. While running, every :WAVeform:DATA? delivers a new acquisition; once
stopped the data repeat until :SINGle takes a new one. Each client has its own error queue.

Faults (--fault COMMAND[+AFTER]=KIND[:VALUE][@TIMES]; AFTER normal answers, then TIMES strikes,
then normal answers):
  silent           no answer
  delay:MS         the answer after MS milliseconds
  close_after:N    the connection is dropped after N bytes of the answer (VXI-11: the link)
  nan_preamble     preamble fields from the x increment on read NAN
  huge_points[:N]  the preamble states N points (default 2147483647)
  lying_block[:D]  the block header states the true length plus D (default 100)
  garbage[:TEXT]   TEXT instead of the answer
  trickle[:MS]     the answer one byte at a time, MS milliseconds apart (default 50)
  no_newline       the answer without its ending newline (VXI-11: END still marks its end)
e.g. --fault 'WAV:DATA?=close_after:100@1' --fault '*IDN?=delay:3000' --fault '*IDN?+2=silent@1'

JSON configuration keys: listen, vxi11, clients, portmap_port, log, maker, model, serial, firmware,
idn, channels, record_length, acquire_type, acquire_count, display [bools], display_words,
pods [bool, bool], digital [line numbers], signals {"N": {shape, frequency, amplitude, offset,
phase, noise, seed}}, time_span, vertical_range, faults [{command, kind, value, text, times,
after}].
)";

constexpr int kBadSettings = 2;

double parseDouble(const std::string& text) {
  std::size_t used = 0;
  double value = 0.0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) throw std::invalid_argument("not a number: " + text);
  return value;
}

bool parseOnOff(const std::string& text) {
  try {
    return parseBoolean(text);
  } catch (const ScpiError&) {
    throw std::invalid_argument("expected 1, 0, ON or OFF: " + text);
  }
}

// Options are kept aside and applied after the configuration file, so that they win over it.
class OverrideList {
 public:
  explicit OverrideList(CLI::App& app) : app_(app) {}

  template <typename T>
  CLI::Option* add(const std::string& name, const std::string& help,
                   std::function<void(SimulatorConfig&, const T&)> apply) {
    auto value = std::make_shared<T>();
    CLI::Option* option = app_.add_option(name, *value, help);
    overrides_.push_back([option, value, apply](SimulatorConfig& config) {
      if (option->count() > 0) apply(config, *value);
    });
    return option;
  }

  void flag(const std::string& name, const std::string& help,
            std::function<void(SimulatorConfig&)> apply) {
    CLI::Option* option = app_.add_flag(name, help);
    overrides_.push_back([option, apply](SimulatorConfig& config) {
      if (option->count() > 0) apply(config);
    });
  }

  void applyTo(SimulatorConfig& config) const {
    for (const auto& apply : overrides_) apply(config);
  }

 private:
  CLI::App& app_;
  std::vector<std::function<void(SimulatorConfig&)>> overrides_;
};

using Strings = std::vector<std::string>;

void defineOptions(OverrideList& o) {
  o.add<std::string>("--listen", "HOST:PORT for raw SCPI (default 127.0.0.1:0, 0 = a free port)",
                     [](auto& c, const auto& v) { c.listen = parseEndpoint(v); });
  o.flag("--vxi11", "also serve VXI-11 with its own portmapper",
         [](auto& c) { c.vxi11 = true; });
  o.add<uint16_t>("--portmap-port", "port of the portmapper for VXI-11 (default 111)",
                  [](auto& c, const auto& v) { c.portmapPort = v; });
  o.add<std::string>("--log", "write every message received to FILE, one per line",
                     [](auto& c, const auto& v) { c.logPath = v; });
  o.add<int>("--clients",
             "raw-socket clients served at once, 1 to 64 (default 64); a further client waits until "
             "one leaves, as at an instrument that serves one connection at a time",
             [](auto& c, const auto& v) { c.clients = v; });
  o.add<std::string>("--model", "model number (default TRV30K4A); sets channels, pods, record",
                     [](auto& c, const auto& v) { c.model = v; });
  o.add<std::string>("--maker", "maker field of *IDN? (default VELMORA)",
                     [](auto& c, const auto& v) { c.maker = v; });
  o.add<std::string>("--serial", "serial field of *IDN? (default MY12345678)",
                     [](auto& c, const auto& v) { c.serial = v; });
  o.add<std::string>("--firmware", "firmware field of *IDN? (default 03.10.2026)",
                     [](auto& c, const auto& v) { c.firmware = v; });
  o.add<std::string>("--idn", "the whole *IDN? answer, replacing maker, model, serial, firmware",
                     [](auto& c, const auto& v) { c.idn = v; });
  o.add<int>("--channels", "analog channels, 1 to 4 (default: the model's)",
             [](auto& c, const auto& v) { c.channels = v; });
  o.add<int64_t>("--record-length", "points of the stopped raw record (default: the model's)",
                 [](auto& c, const auto& v) { c.recordLength = v; });
  o.add<std::string>("--acquire-type", "NORMal, AVERage, PEAK or HRESolution (default NORMal)",
                     [](auto& c, const auto& v) { c.acquireType = parseAcquireType(v); });
  o.add<int>("--acquire-count", "averaging count (default 8)",
             [](auto& c, const auto& v) { c.acquireCount = v; });
  o.add<Strings>("--display", "channel display states from channel 1, e.g. 1,0,1,0 (default 1)",
                 [](auto& c, const auto& v) {
                   c.display.clear();
                   for (const auto& state : v) c.display.push_back(parseOnOff(state));
                 })
      ->delimiter(',');
  o.flag("--display-words", "display queries answer ON/OFF instead of 1/0",
         [](auto& c) { c.displayWords = true; });
  o.add<Strings>("--pods", "display states of POD1,POD2 on pod models, e.g. 1,0",
                 [](auto& c, const auto& v) {
                   if (v.size() > 2) throw std::invalid_argument("there are two pods");
                   c.pods = {};
                   for (std::size_t i = 0; i < v.size(); ++i) c.pods[i] = parseOnOff(v[i]);
                 })
      ->delimiter(',');
  o.add<std::vector<int>>("--digital", "digital lines that are on (0 to 15), e.g. 5,9",
                          [](auto& c, const auto& v) {
                            c.digital.reset();
                            for (int line : v) {
                              if (line < 0 || line > 15) {
                                throw std::invalid_argument("digital lines are 0 to 15");
                              }
                              c.digital.set(static_cast<std::size_t>(line));
                            }
                          })
      ->delimiter(',');
  o.add<Strings>("--signal",
                 "N=SHAPE[:FREQUENCY[:AMPLITUDE[:OFFSET[:PHASE[:NOISE[:SEED]]]]]] for channel N; "
                 "SHAPE sine, square or ramp (repeatable)",
                 [](auto& c, const auto& v) {
                   for (const auto& text : v) {
                     const auto [channel, signal] = parseSignalOption(text);
                     c.signals.insert_or_assign(channel, signal);
                   }
                 });
  o.add<double>("--time-span", "seconds across the record (default 0.001)",
                [](auto& c, const auto& v) { c.timeSpan = v; });
  o.add<double>("--vertical-range", "volts across the 256 codes (default 0.8)",
                [](auto& c, const auto& v) { c.verticalRange = v; });
  o.add<Strings>("--fault", "COMMAND[+AFTER]=KIND[:VALUE][@TIMES], see below (repeatable)",
                 [](auto& c, const auto& v) {
                   for (const auto& text : v) c.faults.push_back(parseFaultSpec(text));
                 });
}

}  // namespace

std::pair<int, SignalSpec> parseSignalOption(const std::string& text) {
  const std::size_t equals = text.find('=');
  if (equals != 1 || text[0] < '1' || text[0] > '4') {
    throw std::invalid_argument("signal must start with a channel 1 to 4 and '=': " + text);
  }
  const int channel = text[0] - '0';
  std::vector<std::string> fields;
  std::stringstream rest(text.substr(2));
  for (std::string field; std::getline(rest, field, ':');) fields.push_back(field);
  if (fields.empty() || fields.size() > 7) throw std::invalid_argument("bad signal: " + text);

  SignalSpec signal = defaultSignal(channel);
  signal.shape = parseSignalShape(fields[0]);
  double* const numbers[] = {&signal.frequency, &signal.amplitude, &signal.offset, &signal.phase,
                             &signal.noise};
  for (std::size_t i = 1; i < fields.size() && i <= 5; ++i) *numbers[i - 1] = parseDouble(fields[i]);
  if (fields.size() == 7) {
    // Converting a double outside the seed's range would be undefined, not an error.
    const double seed = parseDouble(fields[6]);
    if (!(seed >= 0.0 && seed <= std::numeric_limits<uint32_t>::max()) || seed != std::floor(seed)) {
      throw std::invalid_argument("seed must be a whole number 0 to 4294967295: " + fields[6]);
    }
    signal.seed = static_cast<uint32_t>(seed);
  }
  return {channel, signal};
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CLI::App app(kDescription, "trv3-sim");
  app.footer(kFooter);
  std::string configPath;
  app.add_option("--config", configPath, "JSON configuration file (keys below)")
      ->check(CLI::ExistingFile);
  OverrideList overrides(app);
  defineOptions(overrides);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Prints the help, or the error with a hint; every refused command line ends the same way.
    return {std::nullopt, app.exit(error) == 0 ? 0 : kBadSettings};
  }
  try {
    SimulatorConfig config;
    if (!configPath.empty()) applyJsonConfigFile(config, configPath);
    overrides.applyTo(config);
    checkConfig(config);
    return {std::move(config), 0};
  } catch (const std::exception& error) {
    std::cerr << "trv3-sim: " << error.what() << "\n";
    return {std::nullopt, kBadSettings};
  }
}

}  // namespace trv3::sim
