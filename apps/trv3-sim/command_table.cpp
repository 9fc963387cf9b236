#include "command_table.h"

#include <algorithm>
#include <array>

#include "scpi_parser.h"

namespace trv3::sim {
namespace {

using namespace handlers;

constexpr std::array kCommands{
    CommandEntry{"*IDN?", identify},
    CommandEntry{"*RST", reset},
    CommandEntry{"*CLS", clearStatus},
    CommandEntry{"*OPC?", operationComplete},
    CommandEntry{":RUN", run},
    CommandEntry{":STOP", stop},
    CommandEntry{":SINGle", single},
    CommandEntry{":ACQuire:TYPE", setAcquireType},
    CommandEntry{":ACQuire:TYPE?", queryAcquireType},
    CommandEntry{":ACQuire:COUNt", setAcquireCount},
    CommandEntry{":ACQuire:COUNt?", queryAcquireCount},
    CommandEntry{":CHANnel<n>:DISPlay", setChannelDisplay},
    CommandEntry{":CHANnel<n>:DISPlay?", queryChannelDisplay},
    CommandEntry{":POD<n>:DISPlay", setPodDisplay},
    CommandEntry{":POD<n>:DISPlay?", queryPodDisplay},
    CommandEntry{":STAT?", queryDigitalLine},
    CommandEntry{":WAVeform:POINts:MODE", setPointsMode},
    CommandEntry{":WAVeform:POINts:MODE?", queryPointsMode},
    CommandEntry{":WAVeform:POINts", setPoints},
    CommandEntry{":WAVeform:POINts?", queryPoints},
    CommandEntry{":WAVeform:SOURce", setSource},
    CommandEntry{":WAVeform:SOURce?", querySource},
    CommandEntry{":WAVeform:FORMat", setFormat},
    CommandEntry{":WAVeform:FORMat?", queryFormat},
    CommandEntry{":WAVeform:PREamble?", queryPreamble},
    CommandEntry{":WAVeform:DATA?", queryData},
    CommandEntry{":SYSTem:ERRor?", queryError},
};

struct CompiledPattern {
  const CommandEntry* entry;
  std::vector<Mnemonic> nodes;
  bool query;
};

// Patterns are written like headers, but their "<n>" is no header syntax, so they are split here.
CompiledPattern compilePattern(const CommandEntry& entry) {
  std::string_view text = entry.pattern;
  CompiledPattern pattern{&entry, {}, text.ends_with('?')};
  if (pattern.query) text.remove_suffix(1);
  if (text.starts_with(':')) text.remove_prefix(1);
  while (!text.empty()) {
    const std::size_t colon = std::min(text.find(':'), text.size());
    pattern.nodes.emplace_back(text.substr(0, colon));
    text.remove_prefix(std::min(colon + 1, text.size()));
  }
  return pattern;
}

std::vector<CompiledPattern> compile() {
  std::vector<CompiledPattern> compiled;
  for (const CommandEntry& entry : kCommands) compiled.push_back(compilePattern(entry));
  return compiled;
}

const std::vector<CompiledPattern>& compiledTable() {
  static const std::vector<CompiledPattern> table = compile();
  return table;
}

}  // namespace

std::vector<int> ResolvedCommand::suffixes() const {
  std::vector<int> result;
  for (const auto& suffix : writtenSuffixes) result.push_back(suffix.value_or(1));
  return result;
}

std::optional<ResolvedCommand> findCommand(const std::vector<std::string>& nodes, bool query) {
  for (const CompiledPattern& pattern : compiledTable()) {
    if (pattern.query != query || pattern.nodes.size() != nodes.size()) continue;
    ResolvedCommand resolved{pattern.entry, {}};
    bool matched = true;
    for (std::size_t i = 0; i < nodes.size() && matched; ++i) {
      const Mnemonic::Match match = pattern.nodes[i].match(nodes[i]);
      matched = match.matched;
      resolved.writtenSuffixes.push_back(match.suffix);
    }
    if (matched) return resolved;
  }
  return std::nullopt;
}

}  // namespace trv3::sim
