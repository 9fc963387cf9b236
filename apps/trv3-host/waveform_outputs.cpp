#include "waveform_outputs.h"

#include <algorithm>
#include <charconv>
#include <string>
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

void writeCsv(OutputFile& file, const FetchOutcome& outcome) {
  constexpr size_t kChunk = size_t{64} << 10;
  std::string text = "index,code\n";
  char line[48];  // an index, a comma, a code and a newline take at most 33
  for (size_t i = 0; i < outcome.codes.size(); ++i) {
    char* comma = std::to_chars(line, line + 24, i).ptr;
    *comma = ',';
    char* newline = std::to_chars(comma + 1, line + 47, outcome.codes[i]).ptr;
    *newline = '\n';
    text.append(line, newline + 1);
    if (text.size() >= kChunk) {
      file.write(text);
      text.clear();
    }
  }
  file.write(text);
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
