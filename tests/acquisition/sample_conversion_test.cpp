#include "acquisition/SampleConversion.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

#include "platform/runtime/errors.h"
#include "reference_conversion.h"

namespace trv3 {
namespace {

// Both conversions report their outcome the same way: the error number, 0 for success.
int32_t convertFast(std::vector<int32_t>& block, size_t pointCount, int32_t zeroCode) {
  try {
    const SampleConversion conversion(block, pointCount, zeroCode);
    conversion.apply(block);
    return 0;
  } catch (const RuntimeError& e) {
    return e.number();
  }
}

int32_t convertPlainly(std::vector<int32_t>& block, size_t pointCount, int32_t zeroCode) {
  try {
    reference::scaleThenMirror(block, static_cast<int32_t>(pointCount), zeroCode);
    return 0;
  } catch (const RuntimeError& e) {
    return e.number();
  }
}

// Converts the block both ways; on success the codes must agree, on failure the error numbers.
void expectSameAsPlain(const std::vector<int32_t>& block, size_t pointCount, int32_t zeroCode) {
  std::vector<int32_t> fast = block, plain = block;
  const int32_t fastError = convertFast(fast, pointCount, zeroCode);
  const int32_t plainError = convertPlainly(plain, pointCount, zeroCode);
  ASSERT_EQ(fastError, plainError) << "Y = " << zeroCode << ", N = " << pointCount;
  if (fastError == 0) {
    ASSERT_EQ(fast, plain) << "Y = " << zeroCode << ", N = " << pointCount;
  }
}

TEST(SampleConversion, ScaleFactorIsTheQuotientsProductInItsOrder) {
  EXPECT_EQ(ScaleFactor, (32767.0 / 127.0) * (256.0 / 200.0));
  EXPECT_NEAR(ScaleFactor, 330.2500787401575, 1e-12);
}

TEST(SampleConversion, WorkedExampleForAnyZeroCode) {
  for (const int32_t y : {0, 127, -5, 40000}) {
    std::vector<int32_t> block{y, y + 1, y + 100, y - 100};
    ASSERT_EQ(convertFast(block, 4, y), 0);
    EXPECT_EQ(block, (std::vector<int32_t>{2 * y, 2 * y - 330, 2 * y - 32767, 2 * y + 32768}));
  }
  std::vector<int32_t> block{0, 1, 100, -100};
  ASSERT_EQ(convertFast(block, 4, 0), 0);
  EXPECT_EQ(block, (std::vector<int32_t>{0, -330, -32767, 32768}));
}

TEST(SampleConversion, EveryByteCodeAgreesWithThePlainConversion) {
  std::vector<int32_t> codes(256);
  std::iota(codes.begin(), codes.end(), 0);
  for (int32_t y = -400; y <= 700; ++y) {
    expectSameAsPlain(codes, 256, y);
    expectSameAsPlain(codes, 251, y);  // five codes beyond N: mirrored only
  }
}

// A host may have set another rounding mode for its own arithmetic; the codes stay rounded to the
// nearest, halves to even.
TEST(SampleConversion, EveryRoundingModeOfTheHostGivesTheSameCodes) {
  std::vector<int32_t> expected(256);
  std::iota(expected.begin(), expected.end(), 0);
  const std::vector<int32_t> codes = expected;
  reference::scaleThenMirror(expected, 256, 127);
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    std::vector<int32_t> block = codes;
    std::fesetround(mode);
    const int32_t error = convertFast(block, 256, 127);
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(error, 0) << "mode " << mode;
    EXPECT_EQ(block, expected) << "mode " << mode;
  }
}

TEST(SampleConversion, CodesBeyondThePointCountAreMirroredButNotScaled) {
  std::vector<int32_t> block{10, 11, 50, 60};
  ASSERT_EQ(convertFast(block, 2, 10), 0);
  EXPECT_EQ(block, (std::vector<int32_t>{20, 20 - 330, 20 - 50, 20 - 60}));
}

TEST(SampleConversion, ScalingOverflowsAtTheRoundingBoundary) {
  // 6502598 * K rounds to 2147483502, 6502599 * K beyond 2^31 - 1; likewise below zero. With the
  // codes 0 to 255 the extreme differences are 255 - Y and -Y.
  for (const int32_t y : {255 - 6502598, 6502598}) {
    std::vector<int32_t> codes(256);
    std::iota(codes.begin(), codes.end(), 0);
    EXPECT_EQ(convertFast(codes, 256, y), 0) << y;
  }
  for (const int32_t y : {255 - 6502599, 6502599}) {
    std::vector<int32_t> codes(256);
    std::iota(codes.begin(), codes.end(), 0);
    EXPECT_EQ(convertFast(codes, 256, y), rt::Overflow) << y;
  }
}

TEST(SampleConversion, OverflowsOfTheDifferenceAndOfTheMirrorAreRaised) {
  std::vector<int32_t> difference{0};
  EXPECT_EQ(convertFast(difference, 1, INT32_MIN), rt::Overflow);

  const int32_t big = (1 << 30) - 1;  // 2 * big still fits
  const struct {
    std::vector<int32_t> block;
    size_t pointCount;
    int32_t zeroCode;
  } cases[] = {
      {{1 << 30}, 1, 1 << 30},             // 2 * Y itself overflows
      {{big, big - 100}, 2, big},          // 2 * Y + 32768 overflows
      {{big, 2, -2}, 1, big},               // beyond N, the smallest: 2 * Y + 2 overflows
      {{-(1 << 30), -5, 5}, 1, -(1 << 30)}, // beyond N, the largest: 2 * Y - 5 overflows
      {{-(1 << 30) + 100}, 1, -(1 << 30)}, // 2 * Y - 32767 overflows
  };
  for (const auto& c : cases) {
    std::vector<int32_t> block = c.block;
    EXPECT_EQ(convertFast(block, c.pointCount, c.zeroCode), rt::Overflow);
    EXPECT_EQ(block, c.block) << "a failing mirror must not touch the block";
    expectSameAsPlain(c.block, c.pointCount, c.zeroCode);
  }
}

TEST(SampleConversion, ShortBlockRaisesTheSubscriptErrorAfterAnyOverflow) {
  std::vector<int32_t> shortBlock{1, 2, 3};
  EXPECT_EQ(convertFast(shortBlock, 5, 0), rt::SubscriptOutOfRange);
  EXPECT_EQ(shortBlock, (std::vector<int32_t>{1, 2, 3}));
  std::vector<int32_t> empty;
  EXPECT_EQ(convertFast(empty, 1, 0), rt::SubscriptOutOfRange);
  // An element present before the gap overflows first, as the scaling pass meets it first.
  std::vector<int32_t> overflowing{0, 1};
  EXPECT_EQ(convertFast(overflowing, 5, INT32_MIN), rt::Overflow);
  expectSameAsPlain({0, 1}, 5, INT32_MIN);
  expectSameAsPlain({1, 2, 3}, 5, 0);
}

TEST(SampleConversion, RandomBlocksAgreeWithThePlainConversion) {
  std::mt19937 random(20240611);
  const int32_t centres[] = {0, 127, -128, 1 << 30, -(1 << 30), 6502598, -6502598, INT32_MAX,
                             INT32_MIN};
  for (int trial = 0; trial < 4000; ++trial) {
    const int32_t centre = centres[trial % std::size(centres)];
    const int32_t spread = std::uniform_int_distribution<int32_t>(0, 1 << (trial % 24))(random);
    auto near = [&] {
      const int64_t value =
          int64_t{centre} + std::uniform_int_distribution<int32_t>(-spread, spread)(random);
      return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    };
    const size_t length = std::uniform_int_distribution<size_t>(0, 40)(random);
    std::vector<int32_t> block(length);
    for (int32_t& code : block) code = near();
    const size_t pointCount = std::uniform_int_distribution<size_t>(1, length + 3)(random);
    expectSameAsPlain(block, pointCount, near());
  }
}

}  // namespace
}  // namespace trv3
