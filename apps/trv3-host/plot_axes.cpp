#include "plot_axes.h"

#include <algorithm>
#include <cmath>

namespace trv3::host {

namespace {

// The smallest of 1, 2, 5 and 10 times a power of ten that is at least raw.
double roundStep(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw * (1 - 1e-12)) return factor * power;
  }
  return 10.0 * power;
}

}  // namespace

AxisTicks niceAxis(double first, double last, int maxTicks) {
  // A value that is not a number has no place on an axis; the axis then starts at zero.
  if (!std::isfinite(first)) first = 0.0;
  if (!std::isfinite(last)) last = 0.0;
  double low = std::min(first, last);
  double high = std::max(first, last);
  if (!(high > low)) {
    const double pad = low == 0.0 ? 1.0 : std::abs(low) * 0.1;
    low -= pad;
    high += pad;
  }
  const int intervals = std::max(1, maxTicks - 1);
  AxisTicks axis;
  axis.step = roundStep((high - low) / intervals);
  // Rounding can leave one interval too many; a coarser step then fits.
  for (;;) {
    axis.low = std::floor(low / axis.step) * axis.step;
    axis.high = std::ceil(high / axis.step) * axis.step;
    if (std::llround((axis.high - axis.low) / axis.step) <= intervals) break;
    axis.step = roundStep(axis.step * 1.5);
  }
  const long count = std::llround((axis.high - axis.low) / axis.step);
  for (long i = 0; i <= count; ++i) {
    const double tick = axis.low + static_cast<double>(i) * axis.step;
    axis.ticks.push_back(std::abs(tick) < axis.step * 1e-9 ? 0.0 : tick);
  }
  return axis;
}

TimeUnit timeUnitFor(double extentSeconds) {
  const double extent = std::abs(extentSeconds);
  if (extent >= 1.0 || extent == 0.0) return {1.0, "s"};
  if (extent >= 1e-3) return {1e3, "ms"};
  if (extent >= 1e-6) return {1e6, "µs"};
  return {1e9, "ns"};
}

}  // namespace trv3::host
