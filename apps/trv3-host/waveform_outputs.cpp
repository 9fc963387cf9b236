#include "waveform_outputs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include <nlohmann/json.hpp>

namespace trv3::host {

void writeJson(std::ostream& out, const FetchOutcome& outcome) {
  nlohmann::ordered_json object;
  object["result"] = outcome.result;
  if (outcome.delivered()) {
    object["wTime"] = outcome.wTime;  // nlohmann writes doubles so that they read back exactly
    object["count"] = outcome.codes.size();
    object["wform"] = outcome.codes;
  }
  out << object.dump() << '\n';
}

void writeCsv(const std::filesystem::path& file, const FetchOutcome& outcome) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + file.string());
  out << "index,code\n";
  for (size_t i = 0; i < outcome.codes.size(); ++i) out << i << ',' << outcome.codes[i] << '\n';
  out.close();
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void writeSummary(std::ostream& out, const FetchOutcome& outcome) {
  if (!outcome.delivered()) {
    out << "WaveFormResult " << outcome.result << ": no waveform\n";
    return;
  }
  out << "WaveFormResult " << outcome.result << ": waveform delivered\n";
  out << "samples: " << outcome.codes.size() << '\n';
  // The shortest text that reads back as the same double.
  char wTime[32];
  const auto written = std::to_chars(wTime, wTime + sizeof wTime, outcome.wTime);
  out << "wTime: " << std::string_view(wTime, written.ptr - wTime) << " s\n";
  if (!outcome.codes.empty()) {
    auto [low, high] = std::minmax_element(outcome.codes.begin(), outcome.codes.end());
    out << "codes: " << *low << " to " << *high << '\n';
  }
}

}  // namespace trv3::host
