// Deterministic test signals sampled into the instrument's one-byte codes.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

namespace trv3::sim {

enum class SignalShape { Sine, Square, Ramp };

struct SignalSpec {
  SignalShape shape = SignalShape::Sine;
  double frequency = 1000.0;  // Hz
  double amplitude = 0.3;     // volts, peak
  double offset = 0.0;        // volts
  double phase = 0.0;         // degrees
  double noise = 0.0;         // volts, peak of uniform noise; 0 for a clean signal
  uint32_t seed = 1;          // noise seed
};

// A distinct signal for each input channel (1 to 4), so that a wrong source shows in the data.
SignalSpec defaultSignal(int channel);

// Where sample i lies in time and how a code maps to volts:
// t = xOrigin + i * xIncrement, volts = (code - yReference) * yIncrement + yOrigin.
struct SampleGrid {
  double xIncrement;
  double xOrigin;
  double yIncrement;
  double yOrigin;
  int yReference;
};

// Each acquisition moves the signal on by a fixed phase step and draws fresh noise, so that a new
// acquisition gives different but reproducible data. Codes are clipped to 0..255.
std::string analogCodes(const SignalSpec& signal, const SampleGrid& grid, std::size_t points,
                        uint64_t acquisition);

// One code per sample whose bit b is the state of digital line b of the pod: lines that are on
// carry square waves of different rates, lines that are off read 0.
std::string digitalCodes(std::bitset<8> linesOn, const SampleGrid& grid, std::size_t points,
                         uint64_t acquisition);

}  // namespace trv3::sim
