// The signal the simulator is started with for the end-to-end fetches, and what the host must
// receive for it, computed plainly and independently of the add-in's own code.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace trv3::testing {

// Channel 1 of a two-channel model, displayed alone: a sine of 2 kHz, 0.35 V peak on 0.01 V, so
// that some codes reach the 16-bit clamp after scaling and most do not.
inline const std::vector<std::string> SimulatedInstrument = {
    "--model", "TRV30K2A", "--display", "1,0", "--signal", "1=sine:2000:0.35:0.01:0"};
constexpr double Frequency = 2000.0;
constexpr double Amplitude = 0.35;
constexpr double Offset = 0.01;
constexpr double TimeSpan = 1.0e-3;    // the simulator's default record span
constexpr double VerticalRange = 0.8;  // volts across the 256 codes
constexpr int32_t ZeroCode = 128;
// The record length the user picks, and the time of its last sample: the preamble states the
// x increment with nine significant digits and the x origin at minus half the span.
constexpr size_t Points = 600;
constexpr double LastSampleTime = (599 - -5.0e-4) * 1.66666667e-06 + 0;

// The byte code the instrument sends for sample i at an acquisition phase, in degrees.
inline int32_t instrumentCode(size_t i, double phaseDegrees) {
  const double xIncrement = TimeSpan / double(Points);
  const double t = -TimeSpan / 2.0 + double(i) * xIncrement;
  const double phase = phaseDegrees * std::numbers::pi / 180.0;
  const double volts =
      Offset + Amplitude * std::sin(2.0 * std::numbers::pi * Frequency * t + phase);
  const double code = std::round(volts / (VerticalRange / 256.0)) + ZeroCode;
  return static_cast<int32_t>(std::clamp(code, 0.0, 255.0));
}

// What the host must receive for that code: scaled about the zero code, clamped, mirrored.
inline int32_t hostCode(int32_t code) {
  const double k = (256.0 / 200.0) * (32767.0 / 127.0);
  double scaled = std::nearbyint((code - ZeroCode) * k);
  if (scaled < -32768) scaled = -32768;
  if (scaled > 32767) scaled = 32767;
  return 2 * ZeroCode - static_cast<int32_t>(scaled);
}

}  // namespace trv3::testing
