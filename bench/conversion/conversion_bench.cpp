// The conversion of a deep record in place: the fast pass against the plain one, in one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "acquisition/SampleConversion.h"
#include "reference_conversion.h"

namespace {

constexpr size_t RecordPoints = 16'000'000;
constexpr int32_t ZeroCode = 127;

// Byte codes spread over the whole range, so that every clamp and rounding case occurs.
const std::vector<int32_t>& record() {
  static const std::vector<int32_t> codes = [] {
    std::vector<int32_t> result(RecordPoints);
    uint32_t state = 12345;
    for (int32_t& code : result) {
      state = state * 1664525u + 1013904223u;
      code = static_cast<int32_t>(state >> 24);
    }
    return result;
  }();
  return codes;
}

template <class Convert>
void convertRecord(benchmark::State& state, Convert convert) {
  std::vector<int32_t> block;
  for (auto _ : state) {
    state.PauseTiming();
    block = record();
    state.ResumeTiming();
    convert(block);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * RecordPoints);
}

void FastConversion(benchmark::State& state) {
  convertRecord(state, [](std::vector<int32_t>& block) {
    const trv3::SampleConversion conversion(block, RecordPoints, ZeroCode);
    conversion.apply(block);
  });
}

void PlainConversion(benchmark::State& state) {
  convertRecord(state, [](std::vector<int32_t>& block) {
    trv3::reference::scaleThenMirror(block, RecordPoints, ZeroCode);
  });
}

BENCHMARK(FastConversion)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainConversion)->Unit(benchmark::kMillisecond);

}  // namespace
