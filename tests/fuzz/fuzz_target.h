// One fuzz target per parser of outside input. Built with clang's libFuzzer each target is its own
// program; in every other build all targets are linked into one replay program that runs the seed
// corpora kept in the repository, so that each seed and each past crash stays a regression input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace trv3::fuzz {

using Input = std::span<const uint8_t>;
using Body = void (*)(Input);

inline std::string_view asText(Input input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// Registers a replayable target under its name; the replay program looks it up.
bool registerTarget(std::string_view name, Body body);

}  // namespace trv3::fuzz

#ifdef TRV3_LIBFUZZER
#define TRV3_FUZZ_TARGET(name)                                                    \
  static void fuzzBody(trv3::fuzz::Input input);                                 \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {      \
    fuzzBody(trv3::fuzz::Input(data, size));                                      \
    return 0;                                                                     \
  }                                                                               \
  static void fuzzBody(trv3::fuzz::Input input)
#else
#define TRV3_FUZZ_TARGET(name)                                                            \
  static void fuzzBody(trv3::fuzz::Input input);                                         \
  [[maybe_unused]] static const bool registered = trv3::fuzz::registerTarget(#name, fuzzBody); \
  static void fuzzBody(trv3::fuzz::Input input)
#endif
