// Replays every file of a corpus folder through one fuzz target: "fuzz_replay TARGET FOLDER".
// A finding shows as a crash or a sanitizer report, exactly as under the fuzzer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz_target.h"

namespace trv3::fuzz {
namespace {

std::map<std::string, Body, std::less<>>& targets() {
  static std::map<std::string, Body, std::less<>> all;
  return all;
}

}  // namespace

bool registerTarget(std::string_view name, Body body) {
  return targets().emplace(std::string(name), body).second;
}

}  // namespace trv3::fuzz

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TARGET CORPUS-FOLDER\n", argv[0]);
    return 2;
  }
  const auto target = trv3::fuzz::targets().find(std::string_view(argv[1]));
  if (target == trv3::fuzz::targets().end()) {
    std::fprintf(stderr, "no fuzz target %s\n", argv[1]);
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  if (files.empty()) {
    std::fprintf(stderr, "corpus %s is empty\n", argv[2]);
    return 1;
  }
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    target->second(trv3::fuzz::Input(bytes.data(), bytes.size()));
  }
  std::printf("%s: %zu inputs replayed\n", argv[1], files.size());
  return 0;
}
