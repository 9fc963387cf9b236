// The comparison as one Markdown table: what was measured, our figures, the peer's, their ratio,
// and the target with PASS or MISS.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace trv3::bench {

struct Row {
  std::string what;
  std::string ours;
  std::string peer;
  std::string ratio;       // with what it divides, e.g. "0.93 (bare / ours)"
  std::string target;      // empty when the row only informs
  std::optional<bool> met;
};

class ReportTable {
 public:
  void add(Row row);
  // A target of `at least` (minimum) or `at most` (maximum) on the ratio.
  void addRatio(std::string what, std::string ours, std::string peer, double ratio,
                const std::string& ratioMeaning, std::optional<double> minimum,
                std::optional<double> maximum);
  void print(std::ostream& out) const;
  int missed() const;

 private:
  std::vector<Row> rows_;
};

}  // namespace trv3::bench
