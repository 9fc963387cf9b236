// SCPI program messages as instruments read them: units separated by ";", headers made of
// mnemonics in long or short form without regard to case, an optional leading colon, "?" for
// queries, and comma-separated arguments after white space.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::sim {

// A mnemonic as the command table writes it: the upper-case part is the short form
// ("WAVeform" accepts "WAV" and "WAVEFORM"), and a trailing "<n>" takes a numeric suffix
// ("CHANnel<n>" accepts "CHAN2", "channel2" and "CHAN").
class Mnemonic {
 public:
  explicit Mnemonic(std::string_view pattern);

  struct Match {
    bool matched = false;
    std::optional<int> suffix;  // only when one was written
  };
  Match match(std::string_view written) const;

 private:
  std::string shortForm_;
  std::string longForm_;
  bool takesSuffix_ = false;
};

struct ProgramUnit {
  bool common = false;    // "*IDN?" and its kind: never part of a path
  bool absolute = false;  // written with a leading colon
  bool query = false;
  std::vector<std::string> nodes;      // mnemonics as written, without colons and "?"
  std::vector<std::string> arguments;  // as written, white space around them removed
};

// The units of one message, split at every ";" outside quoted strings.
std::vector<std::string_view> splitProgramUnits(std::string_view message);

// Throws ScpiError (syntax error) for an empty or malformed header.
ProgramUnit parseProgramUnit(std::string_view unit);

// The header path that a unit leaves for the next unit without a leading colon (IEEE 488.2):
// all of its nodes but the last; common commands leave the path as it was.
class HeaderPath {
 public:
  // The unit's nodes as a full path from the root.
  std::vector<std::string> resolve(const ProgramUnit& unit) const;
  void advance(const ProgramUnit& unit, const std::vector<std::string>& fullNodes);

 private:
  std::vector<std::string> current_;
};

}  // namespace trv3::sim
