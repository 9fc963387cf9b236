// The commands the simulator knows, as data: a header pattern in SCPI notation (upper case =
// short form, "<n>" = numeric suffix, "?" = query) and the handler that serves it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_handlers.h"

namespace trv3::sim {

struct CommandEntry {
  std::string_view pattern;
  CommandHandler handler;
};

struct ResolvedCommand {
  const CommandEntry* entry;
  std::vector<std::optional<int>> writtenSuffixes;  // one per node, nullopt where none written

  // Suffixes as handlers use them: 1 where none was written.
  std::vector<int> suffixes() const;
};

// Looks up a header given as its full path of nodes (common commands as "*IDN" alone);
// nullopt for an undefined header.
std::optional<ResolvedCommand> findCommand(const std::vector<std::string>& nodes, bool query);

}  // namespace trv3::sim
