#include "faults.h"

#include <array>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace trv3::sim {
namespace {

constexpr std::array<std::pair<std::string_view, FaultKind>, 9> kKinds{{
    {"silent", FaultKind::Silent},
    {"delay", FaultKind::Delay},
    {"close_after", FaultKind::CloseAfter},
    {"nan_preamble", FaultKind::NanPreamble},
    {"huge_points", FaultKind::HugePoints},
    {"lying_block", FaultKind::LyingBlock},
    {"garbage", FaultKind::Garbage},
    {"trickle", FaultKind::Trickle},
    {"no_newline", FaultKind::NoNewline},
}};

constexpr int64_t kDefaultHugePoints = 2147483647;
constexpr int64_t kDefaultLengthError = 100;
constexpr int64_t kDefaultTrickleMs = 50;
constexpr std::string_view kDefaultGarbage = "?%GARBAGE&*!";

int64_t parseNumber(std::string_view text, std::string_view what) {
  int64_t value = 0;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw std::invalid_argument("fault " + std::string(what) + " is not a whole number: " +
                                std::string(text));
  }
  return value;
}

}  // namespace

FaultKind parseFaultKind(std::string_view name) {
  for (const auto& [kindName, kind] : kKinds) {
    if (kindName == name) return kind;
  }
  throw std::invalid_argument("unknown fault kind: " + std::string(name));
}

FaultSpec completeFaultSpec(FaultSpec spec, bool valueGiven) {
  if (spec.command.empty()) throw std::invalid_argument("fault without a command");
  if (spec.times < 0) throw std::invalid_argument("fault times must not be negative");
  if (spec.after < 0) throw std::invalid_argument("fault after must not be negative");
  switch (spec.kind) {
    case FaultKind::Delay:
    case FaultKind::CloseAfter:
      if (!valueGiven || spec.value < 0) {
        throw std::invalid_argument("fault on " + spec.command +
                                    " needs a value of 0 or more (milliseconds or bytes)");
      }
      break;
    case FaultKind::HugePoints:
      if (!valueGiven) spec.value = kDefaultHugePoints;
      break;
    case FaultKind::LyingBlock:
      if (!valueGiven) spec.value = kDefaultLengthError;
      break;
    case FaultKind::Garbage:
      if (spec.text.empty()) spec.text = kDefaultGarbage;
      break;
    case FaultKind::Trickle:
      if (!valueGiven) spec.value = kDefaultTrickleMs;
      if (spec.value < 1) throw std::invalid_argument("trickle needs 1 millisecond or more");
      break;
    case FaultKind::Silent:
    case FaultKind::NanPreamble:
    case FaultKind::NoNewline:
      break;
  }
  return spec;
}

FaultSpec parseFaultSpec(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    throw std::invalid_argument("fault must read COMMAND=KIND[:VALUE][@TIMES]: " + std::string(text));
  }
  FaultSpec spec;
  std::string_view command = text.substr(0, equals);
  if (const std::size_t plus = command.rfind('+'); plus != std::string_view::npos) {
    spec.after = static_cast<int>(parseNumber(command.substr(plus + 1), "after"));
    command = command.substr(0, plus);
  }
  spec.command = std::string(command);
  std::string_view rest = text.substr(equals + 1);

  const std::size_t at = rest.rfind('@');
  if (at != std::string_view::npos) {
    spec.times = static_cast<int>(parseNumber(rest.substr(at + 1), "times"));
    rest = rest.substr(0, at);
  }
  const std::size_t colon = rest.find(':');
  spec.kind = parseFaultKind(rest.substr(0, colon));
  const bool valueGiven = colon != std::string_view::npos;
  if (valueGiven) {
    const std::string_view value = rest.substr(colon + 1);
    if (spec.kind == FaultKind::Garbage) {
      spec.text = std::string(value);
    } else {
      spec.value = parseNumber(value, "value");
    }
  }
  return completeFaultSpec(std::move(spec), valueGiven);
}

}  // namespace trv3::sim
