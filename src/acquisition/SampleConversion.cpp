#include "acquisition/SampleConversion.h"

// glibc's header spells its Boolean the C way, which gcc's C++ takes and clang's does not (the fuzz
// and header-check trees build with clang).
#ifdef __clang__
#define _Bool bool
#endif
#include <sys/platform/x86.h>
#ifdef __clang__
#undef _Bool
#endif

#include <algorithm>
#include <cfenv>

#include "acquisition/LongArithmetic.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3 {
namespace {

// Adding and subtracting 1.5 * 2^52 rounds any |x| below 2^51 to an integer, halves to even, in
// the default rounding mode, without a branch or a library call.
constexpr double RoundingShift = 6755399441055744.0;

// A host may have set another rounding mode for its own arithmetic: the rounding shift needs the
// default one while it runs.
class DefaultRounding {
 public:
  DefaultRounding() : hostMode_(std::fegetround()) {
    if (hostMode_ != FE_TONEAREST) std::fesetround(FE_TONEAREST);
  }
  ~DefaultRounding() {
    if (hostMode_ != FE_TONEAREST) std::fesetround(hostMode_);
  }
  DefaultRounding(const DefaultRounding&) = delete;
  DefaultRounding& operator=(const DefaultRounding&) = delete;

 private:
  int hostMode_;
};

// From this difference to the zero code on, the scaled value lies beyond the 16-bit range, so the
// difference can be clamped to it first and the double arithmetic stays small and branch-free.
constexpr int32_t SaturatingDifference = 100;
static_assert(SaturatingDifference * ScaleFactor >= -double{ScaledCodeMin} + 0.5);

struct CodeBounds {
  int32_t low;
  int32_t high;
};

// The two loops over the whole block come twice: for the generic processor and, where the C
// library found 256-bit vectors at start-up, for those. (Clones that the dynamic loader picks would
// link a second processor probe into the add-in, which asks the processor anew as the add-in
// loads: in a virtual machine, more time than the rest of loading it.)
[[gnu::always_inline]] inline CodeBounds genericBoundsOf(std::span<const int32_t> codes) {
  int32_t low = codes.front(), high = codes.front();
  for (const int32_t code : codes) {
    low = std::min(low, code);
    high = std::max(high, code);
  }
  return {low, high};
}

// Scales, clamps and mirrors codes already known not to overflow anywhere.
[[gnu::always_inline]] inline void genericScaleAndMirror(int32_t* codes, size_t count, int32_t zeroCode,
                                                         int32_t twiceZero) {
  for (size_t i = 0; i < count; ++i) {
    const int32_t difference =
        std::clamp(codes[i] - zeroCode, -SaturatingDifference, SaturatingDifference);
    const double rounded = (difference * ScaleFactor + RoundingShift) - RoundingShift;
    codes[i] = twiceZero - std::clamp(static_cast<int32_t>(rounded), ScaledCodeMin, ScaledCodeMax);
  }
}

[[gnu::target("avx2")]] CodeBounds avx2BoundsOf(std::span<const int32_t> codes) {
  return genericBoundsOf(codes);
}

[[gnu::target("avx2")]] void avx2ScaleAndMirror(int32_t* codes, size_t count, int32_t zeroCode,
                                                int32_t twiceZero) {
  genericScaleAndMirror(codes, count, zeroCode, twiceZero);
}

CodeBounds boundsOf(std::span<const int32_t> codes) {
  return CPU_FEATURE_ACTIVE(AVX2) ? avx2BoundsOf(codes) : genericBoundsOf(codes);
}

void scaleAndMirror(int32_t* codes, size_t count, int32_t zeroCode, int32_t twiceZero) {
  const DefaultRounding rounding;
  if (CPU_FEATURE_ACTIVE(AVX2))
    avx2ScaleAndMirror(codes, count, zeroCode, twiceZero);
  else
    genericScaleAndMirror(codes, count, zeroCode, twiceZero);
}

// One code through the scaling step with every check of the run-time; used only on the extremes.
int32_t scaleChecked(int32_t code, int32_t zeroCode) {
  const int32_t difference = longSubtract(code, zeroCode);
  const int32_t scaled = toInt32(difference * ScaleFactor);
  return std::clamp(scaled, ScaledCodeMin, ScaledCodeMax);
}

}  // namespace

SampleConversion::SampleConversion(std::span<const int32_t> block, size_t pointCount,
                                   int32_t zeroCode)
    : pointCount_(pointCount), zeroCode_(zeroCode) {
  const auto present = block.first(std::min(pointCount, block.size()));
  if (present.empty()) raise(rt::SubscriptOutOfRange);
  const CodeBounds bounds = boundsOf(present);
  scaledLow_ = scaleChecked(bounds.low, zeroCode);
  scaledHigh_ = scaleChecked(bounds.high, zeroCode);
  if (present.size() < pointCount) raise(rt::SubscriptOutOfRange);
}

void SampleConversion::apply(std::span<int32_t> block) const {
  const int32_t twiceZero = longMultiply(2, zeroCode_);
  longSubtract(twiceZero, scaledLow_);
  longSubtract(twiceZero, scaledHigh_);
  const auto beyond = block.subspan(pointCount_);
  if (!beyond.empty()) {
    const CodeBounds bounds = boundsOf(beyond);
    longSubtract(twiceZero, bounds.low);
    longSubtract(twiceZero, bounds.high);
  }

  scaleAndMirror(block.data(), pointCount_, zeroCode_, twiceZero);
  for (int32_t& code : beyond) code = twiceZero - code;
}

}  // namespace trv3
