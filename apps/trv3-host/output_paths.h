// The files a fetch is asked to write, checked before any instrument is touched: a path that
// cannot be written is the user's mistake, found at once rather than after the acquisition.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace trv3::host {

// Why `file` cannot be written (a folder, a missing folder, no permission), or nothing when it can.
// Creates nothing.
std::optional<std::string> outputProblem(const std::filesystem::path& file);

// Why the CSV and the plot cannot both be written: one path for both would leave only the plot.
std::optional<std::string> sharedOutputProblem(const std::filesystem::path& csvFile,
                                               const std::filesystem::path& plotFile);

}  // namespace trv3::host
