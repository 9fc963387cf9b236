#include "waveform_record.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace trv3::sim {
namespace {

constexpr int kAnalogZeroCode = 128;
constexpr int64_t kLargestBlock = 99999999;  // what eight length digits can state

int preambleType(AcquireType type) {
  switch (type) {
    case AcquireType::Normal: return 0;
    case AcquireType::Peak: return 1;
    case AcquireType::Average: return 2;
    case AcquireType::HighResolution: return 3;
  }
  return 0;
}

std::string formatFloat(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.8E", value);
  return text;
}

std::string formatInteger(int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+" PRId64, value);
  return text;
}

std::string countFields(const Preamble& p) {
  return formatInteger(p.format) + "," + formatInteger(p.type) + "," + formatInteger(p.points) +
         "," + formatInteger(p.count);
}

}  // namespace

int64_t availablePoints(const InstrumentState& state) {
  const InstrumentSettings& s = state.settings;
  const bool wholeRecord = !s.running && s.pointsMode != PointsMode::Normal;
  return wholeRecord ? state.profile.recordLength
                     : std::min(kMeasurementRecord, state.profile.recordLength);
}

int64_t deliveredPoints(const InstrumentState& state) {
  return std::min(state.settings.requestedPoints, availablePoints(state));
}

Preamble describeRecord(const InstrumentState& state) {
  const InstrumentSettings& s = state.settings;
  Preamble p;
  p.type = preambleType(s.acquireType);
  p.points = deliveredPoints(state);
  p.count = s.acquireType == AcquireType::Average ? s.acquireCount : 1;
  p.xIncrement = state.profile.timeSpan / double(p.points);
  p.xOrigin = -state.profile.timeSpan / 2.0;
  if (s.source.pod) {
    p.yIncrement = 1.0;
  } else {
    p.yIncrement = state.profile.verticalRange / 256.0;
    p.yReference = kAnalogZeroCode;
  }
  return p;
}

std::string formatPreamble(const Preamble& p) {
  return countFields(p) + "," + formatFloat(p.xIncrement) + "," + formatFloat(p.xOrigin) + "," +
         formatInteger(p.xReference) + "," + formatFloat(p.yIncrement) + "," +
         formatFloat(p.yOrigin) + "," + formatInteger(p.yReference);
}

std::string formatPreambleWithoutNumbers(const Preamble& p) {
  return countFields(p) + ",NAN,NAN,NAN,NAN,NAN,NAN";
}

std::string recordCodes(const InstrumentState& state, const Preamble& preamble) {
  const SampleGrid grid{preamble.xIncrement, preamble.xOrigin, preamble.yIncrement,
                        preamble.yOrigin, preamble.yReference};
  const auto points = static_cast<std::size_t>(preamble.points);
  const WaveformSource& source = state.settings.source;
  if (source.pod) {
    const auto lines = (state.settings.digitalLines >> (8 * (source.number - 1))).to_ulong() & 0xFF;
    return digitalCodes(std::bitset<8>(lines), grid, points, state.acquisition);
  }
  return analogCodes(state.profile.signals.at(source.number - 1), grid, points, state.acquisition);
}

std::string definiteLengthBlock(std::string_view bytes, int64_t claimedLength) {
  char header[16];
  std::snprintf(header, sizeof header, "#8%08" PRId64,
                std::clamp<int64_t>(claimedLength, 0, kLargestBlock));
  std::string block(header);
  block.append(bytes);
  return block;
}

}  // namespace trv3::sim
