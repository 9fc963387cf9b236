#include "figures.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace trv3::bench {

Figures summarize(std::vector<double> values) {
  if (values.empty()) throw std::runtime_error("no measurement");
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  const double median =
      values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  return {median, values.front(), values.back()};
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

namespace {

// Three significant digits, never in exponent form.
std::string threeDigits(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", value >= 100 ? 0 : value >= 10 ? 1 : 2, value);
  return text;
}

std::string format(const Figures& figures, double scale, const char* unit) {
  return threeDigits(figures.median * scale) + " " + unit + " (" + threeDigits(figures.min * scale) + "–" +
         threeDigits(figures.max * scale) + ")";
}

}  // namespace

std::string formatSeconds(const Figures& figures) {
  if (figures.median >= 1) return format(figures, 1, "s");
  if (figures.median >= 1e-3) return format(figures, 1e3, "ms");
  return format(figures, 1e6, "µs");
}

std::string formatMebibytes(const Figures& bytes) { return format(bytes, 1.0 / (1 << 20), "MiB"); }

std::string formatRatio(double ratio) { return threeDigits(ratio); }

}  // namespace trv3::bench
