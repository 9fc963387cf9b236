// The sample conversion written out plainly, one element and one check at a time, in the order of
// the scaling pass and the mirror pass: the yardstick for the fast conversion in the tests and in
// the benchmark.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3::reference {

inline int32_t narrowOrOverflow(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) raise(rt::Overflow);
  return static_cast<int32_t>(value);
}

// Scales the first pointCount codes, then mirrors every element about the zero code.
inline void scaleThenMirror(std::vector<int32_t>& samples, int32_t pointCount, int32_t zeroCode) {
  const double k = (256.0 / 200.0) * (32767.0 / 127.0);
  for (int32_t i = 0; i < pointCount; ++i) {
    if (i >= static_cast<int32_t>(samples.size())) raise(rt::SubscriptOutOfRange);
    const int32_t d = narrowOrOverflow(int64_t{samples[i]} - zeroCode);
    int32_t v = toInt32(d * k);
    if (v < -32768) v = -32768;
    if (v > 32767) v = 32767;
    samples[i] = v;
  }
  for (int32_t& sample : samples) {
    const int32_t twiceZero = narrowOrOverflow(int64_t{2} * zeroCode);
    sample = narrowOrOverflow(int64_t{twiceZero} - sample);
  }
}

}  // namespace trv3::reference
