// Turns the one-byte codes of a transferred block into the host's sample codes, in place. Each of
// the first N codes is scaled about the zero code Y, rounded half to even and clamped to the 16-bit
// range; then every element of the block, also those beyond N - 1, is mirrored about Y
// (2 * Y - value).
//
// The work is split so that the host sees the same failures, in the same order, as a scaling pass
// followed by a mirror pass would give, while the codes are touched in one branch-free pass: every
// failure is found up front from the smallest and largest code, which is exact because both steps
// are monotonic in the code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trv3 {

// 127 codes of a half byte become 32767 codes of a half word, stretched by 256 / 200 because the
// screen height spans 200 of the 256 byte codes. Computed in this order, as it always was.
inline constexpr double ScaleFactor = (256.0 / 200.0) * (32767.0 / 127.0);

inline constexpr int32_t ScaledCodeMin = -32768;
inline constexpr int32_t ScaledCodeMax = 32767;

class SampleConversion {
 public:
  // Checks the scaling of the first pointCount (at least 1) elements: a code whose difference to
  // the zero code or whose scaled value leaves the 32-bit range raises "Overflow"; a block shorter
  // than pointCount then raises the subscript error.
  SampleConversion(std::span<const int32_t> block, size_t pointCount, int32_t zeroCode);

  // Writes the final codes into the block checked above. Raises "Overflow", before writing
  // anything, when the mirror of some element leaves the 32-bit range.
  void apply(std::span<int32_t> block) const;

 private:
  size_t pointCount_;
  int32_t zeroCode_;
  int32_t scaledLow_;
  int32_t scaledHigh_;
};

}  // namespace trv3
