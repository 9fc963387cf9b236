// Axis ranges and tick positions for the waveform plot: round steps of 1, 2 or 5 times a power of
// ten, and the time unit that keeps tick labels short.
#pragma once

#include <string>
#include <vector>

namespace trv3::host {

struct AxisTicks {
  double low = 0.0;   // axis start, a multiple of step at or below the data
  double high = 1.0;  // axis end, a multiple of step at or above the data
  double step = 1.0;
  std::vector<double> ticks;  // low, low + step, ..., high
};

// Covers [first, last] (in either order) with at most maxTicks ticks; an empty range is widened so
// that a flat signal still gets an axis.
AxisTicks niceAxis(double first, double last, int maxTicks);

struct TimeUnit {
  double perSecond;  // factor from seconds to the unit
  std::string name;  // "s", "ms", "µs" or "ns"
};

// The largest unit in which the extent (in seconds) is at least 1, down to nanoseconds.
TimeUnit timeUnitFor(double extentSeconds);

}  // namespace trv3::host
