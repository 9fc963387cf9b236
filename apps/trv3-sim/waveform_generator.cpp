#include "waveform_generator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace trv3::sim {
namespace {

constexpr double kPhaseStepPerAcquisition = 36.0;  // degrees: ten acquisitions make a full turn
constexpr double kDigitalBaseRate = 1000.0;        // Hz of digital line 0

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

double shapeValue(SignalShape shape, double angle) {
  switch (shape) {
    case SignalShape::Sine: return std::sin(angle);
    case SignalShape::Square: return std::sin(angle) >= 0.0 ? 1.0 : -1.0;
    case SignalShape::Ramp: {
      const double turns = angle / (2.0 * std::numbers::pi);
      return 2.0 * (turns - std::floor(turns)) - 1.0;
    }
  }
  return 0.0;
}

// mt19937's output sequence is fixed by the standard (unlike the library's distributions), so
// the noise is the same on every platform.
class UniformNoise {
 public:
  UniformNoise(uint32_t seed, uint64_t acquisition)
      : engine_(static_cast<std::mt19937::result_type>(seed + acquisition * 2654435761u)) {}
  double next() { return static_cast<double>(engine_()) / 4294967296.0 * 2.0 - 1.0; }

 private:
  std::mt19937 engine_;
};

}  // namespace

SignalSpec defaultSignal(int channel) {
  switch (channel) {
    case 1: return {SignalShape::Sine, 2000.0, 0.30, 0.0, 0.0, 0.0, 1};
    case 2: return {SignalShape::Square, 1000.0, 0.20, 0.0, 0.0, 0.0, 2};
    case 3: return {SignalShape::Ramp, 3000.0, 0.25, 0.0, 0.0, 0.0, 3};
    default: return {SignalShape::Sine, 5000.0, 0.15, 0.10, 90.0, 0.0, 4};
  }
}

std::string analogCodes(const SignalSpec& signal, const SampleGrid& grid, std::size_t points,
                        uint64_t acquisition) {
  std::string codes(points, '\0');
  UniformNoise noise(signal.seed, acquisition);
  const double phase = radians(signal.phase + kPhaseStepPerAcquisition * double(acquisition % 10));
  for (std::size_t i = 0; i < points; ++i) {
    const double t = grid.xOrigin + double(i) * grid.xIncrement;
    double volts = signal.offset +
                   signal.amplitude * shapeValue(signal.shape,
                                                 2.0 * std::numbers::pi * signal.frequency * t + phase);
    if (signal.noise > 0.0) volts += signal.noise * noise.next();
    const double code = std::round((volts - grid.yOrigin) / grid.yIncrement) + grid.yReference;
    codes[i] = static_cast<char>(static_cast<uint8_t>(std::clamp(code, 0.0, 255.0)));
  }
  return codes;
}

std::string digitalCodes(std::bitset<8> linesOn, const SampleGrid& grid, std::size_t points,
                         uint64_t acquisition) {
  std::string codes(points, '\0');
  const double phase = radians(kPhaseStepPerAcquisition * double(acquisition % 10));
  for (std::size_t i = 0; i < points; ++i) {
    const double t = grid.xOrigin + double(i) * grid.xIncrement;
    uint8_t code = 0;
    for (int line = 0; line < 8; ++line) {
      const double rate = kDigitalBaseRate * (line + 1);
      if (linesOn[line] && std::sin(2.0 * std::numbers::pi * rate * t + phase) >= 0.0) {
        code |= static_cast<uint8_t>(1u << line);
      }
    }
    codes[i] = static_cast<char>(code);
  }
  return codes;
}

}  // namespace trv3::sim
