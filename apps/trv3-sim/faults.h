// Faults on demand: a command answers wrongly, late or not at all, so that clients can be tested
// against a misbehaving instrument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::sim {

enum class FaultKind {
  Silent,       // no answer
  Delay,        // the answer after `value` milliseconds
  CloseAfter,   // the connection is dropped after `value` bytes of the answer
  NanPreamble,  // preamble fields after the count are not numbers
  HugePoints,   // the preamble states `value` points
  LyingBlock,   // the block header states the true length plus `value`
  Garbage,      // `text` instead of the answer
  Trickle,      // the answer a byte at a time, `value` milliseconds apart
  NoNewline,    // the answer without its ending newline
};

struct FaultSpec {
  std::string command;  // the header it applies to, in any SCPI form, e.g. "WAV:DATA?"
  FaultKind kind = FaultKind::Silent;
  int64_t value = 0;
  std::string text;
  int times = 0;  // how often it strikes before the command answers normally; 0 = always
  int after = 0;  // how often the command answers normally before the fault strikes first
};

// "silent", "delay", "close_after", "nan_preamble", "huge_points", "lying_block", "garbage",
// "trickle", "no_newline".
FaultKind parseFaultKind(std::string_view name);

// Fills in the value or text that a kind takes when none is given; rejects a missing required
// value. Throws std::invalid_argument.
FaultSpec completeFaultSpec(FaultSpec spec, bool valueGiven);

// "COMMAND[+AFTER]=KIND[:VALUE][@TIMES]", e.g. "WAV:DATA?=close_after:100@1", "*IDN?=garbage:xyz"
// or "*IDN?+2=silent@1" (the third identification query only).
// Throws std::invalid_argument.
FaultSpec parseFaultSpec(std::string_view text);

}  // namespace trv3::sim
