#include "report_table.h"

#include "figures.h"

namespace trv3::bench {

void ReportTable::add(Row row) { rows_.push_back(std::move(row)); }

void ReportTable::addRatio(std::string what, std::string ours, std::string peer, double ratio,
                           const std::string& ratioMeaning, std::optional<double> minimum,
                           std::optional<double> maximum) {
  Row row{std::move(what), std::move(ours), std::move(peer),
          formatRatio(ratio) + " (" + ratioMeaning + ")", "", std::nullopt};
  if (minimum) {
    row.target = "≥ " + formatRatio(*minimum);
    row.met = ratio >= *minimum;
  }
  if (maximum) {
    row.target = "≤ " + formatRatio(*maximum);
    row.met = ratio <= *maximum;
  }
  rows_.push_back(std::move(row));
}

void ReportTable::print(std::ostream& out) const {
  out << "| Measurement | Ours | Peer | Ratio | Target | |\n|---|---|---|---|---|---|\n";
  for (const Row& row : rows_) {
    out << "| " << row.what << " | " << row.ours << " | " << row.peer << " | " << row.ratio << " | "
        << (row.target.empty() ? "—" : row.target) << " | "
        << (row.met ? (*row.met ? "PASS" : "MISS") : "") << " |\n";
  }
}

int ReportTable::missed() const {
  int count = 0;
  for (const Row& row : rows_) count += row.met && !*row.met;
  return count;
}

}  // namespace trv3::bench
