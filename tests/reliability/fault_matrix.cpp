#include "fault_matrix.h"

#include <cctype>

namespace trv3::reliability {
namespace {

// The instrument of the matrix names its model by the bare series, which the default model table
// accepts as a part of its model numbers but no record-length rule names: so the dialogue holds the
// channel display queries, the firmware revision query and the presence probe, all three
// identification queries being "*IDN?" (the revision query the second, the probe the third).
constexpr int kIdnBytes = sizeof("VELMORA,TRV3,MY12345678,03.10.2026\n") - 1;

bool answerOutlastsTimeout(const Phase& phase) {
  return (phase.answerBytes - 1) * kTrickleMs > kTimeoutMs;
}

// The set-up dialog's own queries: an instrument failing one of them is let go by the dialog.
bool inSetUpDialog(const Phase& phase) {
  return phase.name == "mode check" || phase.name == "channel count" || phase.name == "revision";
}

// What a lost answer (none, too late, cut off) leads to in each phase.
Ending onLostAnswer(const Phase& phase) {
  if (phase.name == "identification") return Ending::RefusedInstrument;
  // The list builder stops quietly at a failed display query; the revision query, the probe and
  // the transfer do not.
  if (phase.name == "channel list") return Ending::Delivered;
  if (inSetUpDialog(phase)) return Ending::LetGoSilent;
  return Ending::FetchFailed;
}

// What a wrong answer (garbage) leads to in each phase.
Ending onWrongAnswer(const Phase& phase) {
  // Garbage names no maker and no acquisition mode; it holds no "on" for the channel count and no
  // Boolean for the channel list, which stops quietly.
  if (phase.name == "channel count" || phase.name == "channel list") return Ending::Delivered;
  if (phase.name == "mode check") return Ending::RefusedMode;
  if (inSetUpDialog(phase)) return Ending::LetGoUnusable;
  return onLostAnswer(phase);
}

}  // namespace

const std::vector<Phase>& phases() {
  static const std::vector<Phase> all = {
      {"open", PhaseKind::Open, "", 0},
      {"identification", PhaseKind::Query, "*IDN?", kIdnBytes},
      {"mode check", PhaseKind::Query, ":ACQ:TYPE?", 5},
      {"channel count", PhaseKind::Query, "CHAN1:DISP?", 2},
      {"channel list", PhaseKind::Query, "CHAN1:DISP?+1", 2},
      {"revision", PhaseKind::Query, "*IDN?+1", kIdnBytes},
      {"presence probe", PhaseKind::Query, "*IDN?+2", kIdnBytes},
      {"stop", PhaseKind::Command, ":STOP"},
      {"points mode", PhaseKind::Command, ":WAV:POIN:MODE"},
      {"points", PhaseKind::Command, ":WAV:POIN"},
      {"source", PhaseKind::Command, ":WAV:SOUR"},
      {"single", PhaseKind::Command, ":SING", 0, true},
      {"format", PhaseKind::Command, ":WAV:FORM"},
      {"preamble", PhaseKind::Preamble, ":WAV:PRE?", 100},
      {"data", PhaseKind::Data, ":WAV:DATA?", 1000},
  };
  return all;
}

const std::vector<Fault>& faults() {
  static const std::vector<Fault> all = {
      {"no answer", "silent"},
      {"delay beyond time-out", "delay:" + std::to_string(kDelayMs)},
      {"close after N bytes", "close_after:1"},
      {"NaN preamble", "nan_preamble"},
      {"absurd point count", "huge_points"},
      {"lying block header", "lying_block"},
      {"garbage", "garbage"},
      {"trickling reply", "trickle:" + std::to_string(kTrickleMs)},
      {"block without newline", "no_newline"},
  };
  return all;
}

namespace {

bool applies(const Phase& phase, const Fault& fault) {
  const std::string& kind = fault.kind;
  const bool general = kind == "silent" || kind.starts_with("delay") ||
                       kind.starts_with("close_after") || kind == "garbage" ||
                       kind.starts_with("trickle");
  switch (phase.kind) {
    case PhaseKind::Open: return kind == "silent";
    case PhaseKind::Query:
    case PhaseKind::Command: return general;
    case PhaseKind::Preamble: return general || kind == "nan_preamble" || kind == "huge_points";
    case PhaseKind::Data: return general || kind == "lying_block" || kind == "no_newline";
  }
  return false;
}

std::string identifier(const std::string& text) {
  std::string id;
  bool upper = true;
  for (const char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      upper = true;
      continue;
    }
    id += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    upper = false;
  }
  return id;
}

}  // namespace

std::vector<Cell> cells() {
  std::vector<Cell> all;
  for (const Transport transport : {Transport::Socket, Transport::Vxi11})
    for (const Phase& phase : phases())
      for (const Fault& fault : faults())
        if (applies(phase, fault)) all.push_back({transport, phase, fault});
  return all;
}

std::string Cell::name() const {
  return std::string(transport == Transport::Socket ? "Socket" : "Vxi11") + "_" +
         identifier(phase.name) + "_" + identifier(fault.name);
}

std::optional<std::string> Cell::faultArgument() const {
  if (phase.kind == PhaseKind::Open) return std::nullopt;
  return phase.command + "=" + fault.kind + "@1";
}

std::vector<Ending> expectedEndings(const Cell& cell) {
  const std::string& kind = cell.fault.kind;
  const Phase& phase = cell.phase;
  const bool socket = cell.transport == Transport::Socket;
  if (phase.kind == PhaseKind::Open) return {Ending::NotOpened};
  if (phase.kind == PhaseKind::Command) {
    // A command has no answer to withhold or to slow down. A dropped connection fails the next
    // exchange of the transfer, and over a raw socket a busy instrument answers nothing else
    // either. An answer nobody asked for: over VXI-11 answers wait to be read, and the next
    // command discards one that was not; over a raw socket the next command drops it if it has
    // arrived by then, and if not it is read as the preamble, which it is not.
    if (kind == "silent" || kind.starts_with("trickle")) return {Ending::Delivered};
    if (kind.starts_with("close_after")) return {Ending::FetchFailed};
    if (kind == "garbage" && socket) return {Ending::Delivered, Ending::FetchFailed};
    return {socket ? Ending::FetchFailed : Ending::Delivered};
  }
  // The mode check reads any answer it cannot use as a refusal; only a time-out lets the
  // instrument go.
  if (phase.name == "mode check" && kind.starts_with("close_after")) return {Ending::RefusedMode};
  // A session reconnects after an interrupted exchange, so a dropped connection costs the answer
  // it cut and no more.
  if (kind == "silent" || kind.starts_with("delay") || kind.starts_with("close_after"))
    return {onLostAnswer(phase)};
  if (kind.starts_with("trickle"))
    return {answerOutlastsTimeout(phase) ? onLostAnswer(phase) : Ending::Delivered};
  if (kind == "garbage") return {onWrongAnswer(phase)};
  // The block's length says where it ends; the missing newline loses nothing.
  if (kind == "no_newline") return {Ending::Delivered};
  return {Ending::FetchFailed};  // NaN preamble, absurd point count, lying block header
}

const char* endingName(Ending ending) {
  switch (ending) {
    case Ending::NotOpened: return "unable";
    case Ending::RefusedInstrument: return "510";
    case Ending::RefusedMode: return "512";
    case Ending::LetGoSilent: return "515";
    case Ending::LetGoUnusable: return "516";
    case Ending::FetchFailed: return "508";
    case Ending::Delivered: return "delivered";
  }
  return "";
}

Outcome outcomeOf(Ending ending, const std::string& address) {
  const std::string unable = "Unable to communicate with instrument";
  switch (ending) {
    case Ending::NotOpened: return {ending, {unable}, 2};
    case Ending::RefusedInstrument: return {ending, {kText510 + " " + address, unable}, 2};
    case Ending::RefusedMode:
      return {ending,
              {kText512 + "\r\nPlease set the Waveform - Acquire Mode to Normal or reduce the "
                          "number of averages"},
              2};
    case Ending::LetGoSilent: return {ending, {kText515 + " " + address, unable}, 2};
    case Ending::LetGoUnusable: return {ending, {kText516 + " " + address, unable}, 2};
    case Ending::FetchFailed: return {ending, {kText508}, 2};
    case Ending::Delivered: return {ending, {}, 1};
  }
  return {};
}

}  // namespace trv3::reliability
