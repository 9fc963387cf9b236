// Repeated timings reduced to median, minimum and maximum, and their display.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace trv3::bench {

struct Figures {
  double median = 0;
  double min = 0;
  double max = 0;
};

Figures summarize(std::vector<double> values);

// Seconds since the given moment on the steady clock.
double secondsSince(std::chrono::steady_clock::time_point start);

// "12.3 ms (12.1–13.0)": the unit chosen by the median.
std::string formatSeconds(const Figures& figures);
// "91.2 MiB (90.8–91.5)".
std::string formatMebibytes(const Figures& bytes);
std::string formatRatio(double ratio);

}  // namespace trv3::bench
