// The sampled test signals and the preamble and block texts around them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "waveform_generator.h"
#include "waveform_record.h"

namespace trv3::sim {
namespace {

const SampleGrid kGrid{1.0e-6, -5.0e-4, 0.8 / 256.0, 0.0, 128};

uint8_t code(const std::string& codes, std::size_t i) { return static_cast<uint8_t>(codes[i]); }

TEST(WaveformGenerator, SamplesEachShapeAroundTheZeroCode) {
  const SignalSpec square{SignalShape::Square, 1000.0, 0.2, 0.0, 0.0, 0.0, 1};
  const std::string squareCodes = analogCodes(square, kGrid, 1000, 0);
  const std::set<uint8_t> levels(squareCodes.begin(), squareCodes.end());
  EXPECT_EQ(levels, (std::set<uint8_t>{128 - 64, 128 + 64}));  // 0.2 V = 64 codes

  const SignalSpec ramp{SignalShape::Ramp, 1000.0, 0.3, 0.0, 0.0, 0.0, 1};
  const std::string rampCodes = analogCodes(ramp, kGrid, 1000, 0);
  // One period over the record: rising from the first sample to the wrap, then rising again.
  EXPECT_LT(code(rampCodes, 100), code(rampCodes, 400));
  EXPECT_GT(code(rampCodes, 499), code(rampCodes, 501));

  const SignalSpec sine{SignalShape::Sine, 1000.0, 0.3, 0.0, 0.0, 0.0, 1};
  const std::string sineCodes = analogCodes(sine, kGrid, 1000, 0);
  EXPECT_EQ(code(sineCodes, 500), 128);  // t = 0
  EXPECT_EQ(code(sineCodes, 750), 128 + 96);  // a quarter period later: the peak of 0.3 V
}

TEST(WaveformGenerator, ClipsToTheByteRange) {
  const SignalSpec loud{SignalShape::Square, 1000.0, 5.0, 0.0, 0.0, 0.0, 1};
  const std::string codes = analogCodes(loud, kGrid, 1000, 0);
  EXPECT_EQ(std::set<uint8_t>(codes.begin(), codes.end()), (std::set<uint8_t>{0, 255}));
}

TEST(WaveformGenerator, DrawsNoiseFromItsSeedPerAcquisition) {
  SignalSpec noisy{SignalShape::Sine, 1000.0, 0.1, 0.0, 0.0, 0.05, 7};
  const std::string first = analogCodes(noisy, kGrid, 1000, 3);
  EXPECT_EQ(analogCodes(noisy, kGrid, 1000, 3), first);
  EXPECT_NE(analogCodes(noisy, kGrid, 1000, 4), first);
  noisy.seed = 8;
  EXPECT_NE(analogCodes(noisy, kGrid, 1000, 3), first);
  noisy.noise = 0.0;
  const std::string clean = analogCodes(noisy, kGrid, 1000, 3);
  for (std::size_t i = 0; i < clean.size(); ++i) {
    EXPECT_LE(std::abs(code(first, i) - code(clean, i)), 17) << i;  // 0.05 V = 16 codes
  }
}

TEST(WaveformGenerator, GivesTheDefaultChannelsDistinctSignals) {
  std::set<std::string> records;
  for (int channel = 1; channel <= 4; ++channel) {
    records.insert(analogCodes(defaultSignal(channel), kGrid, 1000, 0));
  }
  EXPECT_EQ(records.size(), 4u);
}

TEST(WaveformGenerator, SetsOnlyTheBitsOfDigitalLinesThatAreOn) {
  const std::string codes = digitalCodes(std::bitset<8>("00100100"), kGrid, 1000, 0);
  uint8_t seen = 0;
  for (char c : codes) seen |= static_cast<uint8_t>(c);
  EXPECT_EQ(seen, 0b00100100);
  EXPECT_THAT(digitalCodes({}, kGrid, 10, 0), ::testing::Each('\0'));
}

TEST(WaveformRecord, FormatsPreambleFieldsAsTheInstrumentDoes) {
  Preamble preamble;
  preamble.type = 2;
  preamble.points = 250;
  preamble.count = 16;
  preamble.xIncrement = 4.0e-6;
  preamble.xOrigin = -5.0e-4;
  preamble.yIncrement = 3.125e-3;
  preamble.yOrigin = -0.25;
  preamble.yReference = 128;
  EXPECT_EQ(formatPreamble(preamble),
            "+0,+2,+250,+16,+4.00000000E-06,-5.00000000E-04,+0,+3.12500000E-03,-2.50000000E-01,"
            "+128");
  EXPECT_EQ(formatPreambleWithoutNumbers(preamble), "+0,+2,+250,+16,NAN,NAN,NAN,NAN,NAN,NAN");
}

TEST(WaveformRecord, WritesDefiniteLengthBlocksWithEightLengthDigits) {
  EXPECT_EQ(definiteLengthBlock("abc", 3), "#800000003abc");
  EXPECT_EQ(definiteLengthBlock("abc", 13), "#800000013abc");
  EXPECT_EQ(definiteLengthBlock("abc", -5), "#800000000abc");
  EXPECT_EQ(definiteLengthBlock("", 1'000'000'000), "#899999999");
}

}  // namespace
}  // namespace trv3::sim
