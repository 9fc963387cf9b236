// The record that ":WAVeform:PREamble?" describes and ":WAVeform:DATA?" delivers.
//
// Points: while the acquisition runs, and in NORMal points mode, the measurement record of at
// most 1000 points is available; once stopped (":STOP" or ":SINGle"), RAW and MAXimum modes
// offer the model's whole record. The delivered count is the requested count, capped at what is
// available, so the preamble's points always equal the length of the data block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "instrument_state.h"

namespace trv3::sim {

inline constexpr int64_t kMeasurementRecord = 1000;

struct Preamble {
  int format = 0;  // 0 = BYTE
  int type = 0;    // 0 NORMal, 1 PEAK, 2 AVERage, 3 HRESolution
  int64_t points = 0;
  int count = 1;
  double xIncrement = 0.0;
  double xOrigin = 0.0;
  int xReference = 0;
  double yIncrement = 0.0;
  double yOrigin = 0.0;
  int yReference = 0;
};

int64_t availablePoints(const InstrumentState& state);
int64_t deliveredPoints(const InstrumentState& state);

Preamble describeRecord(const InstrumentState& state);

// Ten fields as the instrument writes them:
// "+0,+0,+1000,+1,+1.00000000E-06,-5.00000000E-04,+0,+3.12500000E-03,+0.00000000E+00,+128".
std::string formatPreamble(const Preamble& preamble);
// The same with every field after the count (x increment to y reference) not a number.
std::string formatPreambleWithoutNumbers(const Preamble& preamble);

// The codes of the record as the preamble describes it.
std::string recordCodes(const InstrumentState& state, const Preamble& preamble);

// "#8", the claimed length in eight digits, then the bytes (normally claimedLength == size).
std::string definiteLengthBlock(std::string_view bytes, int64_t claimedLength);

}  // namespace trv3::sim
