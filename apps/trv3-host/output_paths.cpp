#include "output_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace trv3::host {

namespace {

std::optional<std::string> accessProblem(const std::filesystem::path& path, int mode, const std::string& what) {
  if (access(path.c_str(), mode) == 0) return std::nullopt;
  return "cannot write " + what + ": " + std::strerror(errno);
}

}  // namespace

std::optional<std::string> outputProblem(const std::filesystem::path& file) {
  if (file.empty()) return "cannot write an output file without a name";
  const std::string name = file.string();
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (std::filesystem::is_directory(status)) return "cannot write " + name + ": it is a folder";
  if (std::filesystem::exists(status)) return accessProblem(file, W_OK, name);
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  if (!std::filesystem::is_directory(folder, error)) return "cannot write " + name + ": no folder " + folder.string();
  return accessProblem(folder, W_OK | X_OK, name);
}

std::optional<std::string> sharedOutputProblem(const std::filesystem::path& csvFile,
                                               const std::filesystem::path& plotFile) {
  std::error_code error;
  const auto csv = std::filesystem::weakly_canonical(std::filesystem::absolute(csvFile), error);
  const auto plot = std::filesystem::weakly_canonical(std::filesystem::absolute(plotFile), error);
  if (csv != plot) return std::nullopt;
  return "--csv and --plot name the same file " + plotFile.string();
}

}  // namespace trv3::host
