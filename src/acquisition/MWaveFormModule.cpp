#include "acquisition/MWaveFormModule.h"

#include <array>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

#include "acquisition/LongArithmetic.h"
#include "acquisition/SampleConversion.h"
#include "platform/com/safearray.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "shared/MGlobal.h"

namespace trv3::MWaveFormModule {
namespace {

// The preamble buffer and the positions of the fields used (format, type, points, count,
// x increment, x origin, x reference, y increment, y origin, y reference).
using Preamble = std::array<double, 11>;
constexpr size_t PreamblePoints = 2;
constexpr size_t PreambleXIncrement = 4;
constexpr size_t PreambleXOrigin = 5;
constexpr size_t PreambleXReference = 6;
constexpr size_t PreambleYReference = 9;

// Double arithmetic as the run-time checks it: not-a-number is the floating-point error, an
// infinite result an overflow.
double checkedResult(double value) {
  if (std::isnan(value)) raise(rt::FloatingPoint);
  if (std::isinf(value)) raise(rt::Overflow);
  return value;
}

// The time of the last sample: the x origin is subtracted from the last index and the x reference
// added, as the host has always received it.
double timeValue(int32_t pointCount, const Preamble& preamble) {
  const int32_t lastIndex = longSubtract(pointCount, 1);
  const double fromOrigin = checkedResult(lastIndex - preamble[PreambleXOrigin]);
  const double scaled = checkedResult(fromOrigin * preamble[PreambleXIncrement]);
  return checkedResult(scaled + preamble[PreambleXReference]);
}

com::Int32SafeArray createSampleArray(int32_t pointCount, int32_t requested) {
  // The array's upper bound N - 1 comes first: the lowest 32-bit count overflows there.
  if (longSubtract(pointCount, 1) < 0) raise(rt::SubscriptOutOfRange);
  if (pointCount > MaxRecordPoints) {
    raise(rt::SubscriptOutOfRange, "The instrument announced " + std::to_string(pointCount) +
                                       " points for " + std::to_string(requested) + " requested");
  }
  return com::Int32SafeArray(static_cast<size_t>(pointCount));
}

}  // namespace

void MapSourceName(std::string& source) {
  if (source.empty()) source = "1";
  const std::string beforeDash = source.substr(0, source.find('-'));
  if (const auto number = parseNumeric(beforeDash)) {
    int32_t channel = toInt32(*number);
    if (channel < 1 || channel > 4) channel = 1;
    source = " Channel" + std::to_string(channel);
    return;
  }
  const std::string upper = toUpperAscii(beforeDash);
  if (containsNoCase(upper, "POD1")) {
    source = " POD1";
  } else if (containsNoCase(upper, "POD2")) {
    source = " POD2";
  } else {
    source = upper;
  }
}

std::string ReadInstrumentModel(io::IoSession& device) {
  device.WriteCommand("*idn?");
  std::vector<std::string> fields;
  device.ReadFormatted(fields, "K");
  if (fields.size() < 2) raise(rt::SubscriptOutOfRange);
  return fields[1];
}

void TransferWaveform(io::IoSession& device, com::Variant& wform, double& wTime) {
  SessionState& state = MGlobal::state();
  std::string source = state.SourceLabel();
  MapSourceName(source);

  device.WriteCommand(":Stop");
  device.WriteCommand(":WAVeform:POINts:MODE RAW");
  const int32_t requested = state.PointCount();
  device.WriteCommand("waveform:points " + std::to_string(requested));
  device.WriteCommand("waveform:source " + source);
  if (state.AcquireNew() != 0) {
    // Nothing reports the end of the single acquisition; fixed pauses give it time.
    Sleep(300);
    device.WriteCommand(":SINGLE");
    Sleep(1000);
  }
  device.WriteCommand("waveform:format byte");

  Preamble preamble{};
  device.WriteCommand("waveform:preamble?");
  device.ReadFormatted(std::span<double>(preamble), "K");
  const int32_t pointCount = toInt32(preamble[PreamblePoints]);
  com::Int32SafeArray samples = createSampleArray(pointCount, requested);
  device.WriteCommand("waveform:data?");
  device.ReadFormatted(samples, "I1");

  const int32_t zeroCode = toInt32(preamble[PreambleYReference]);
  const std::span<int32_t> block(samples.data(), samples.size());
  const SampleConversion conversion(block, static_cast<size_t>(pointCount), zeroCode);
  wTime = timeValue(pointCount, preamble);
  conversion.apply(block);
  wform = com::Variant(std::move(samples));
}

}  // namespace trv3::MWaveFormModule
