// The parts measured in fresh processes: the peak memory of a fetch that receives 16,000,000 points
// where 20,000 were asked for, and the
// cost of bringing the add-in into a host, on the script path and on the Qt path, against the
// minimal library.
#include <filesystem>
#include <iostream>

#include "bench_context.h"
#include "c_loop_client.h"
#include "child_process.h"
#include "figures.h"

namespace trv3::bench {
namespace {

constexpr int64_t kLongRecord = 16000000;
constexpr int64_t kAsked = 20000;

struct LoadFigures {
  Figures seconds;
  bool qtLoaded = false;
};

LoadFigures timeLoads(const std::string& environment, const std::string& library,
                      const std::string& alsoLoaded, int repetitions) {
  std::vector<double> seconds;
  LoadFigures figures;
  for (int i = 0; i < repetitions; ++i) {
    const auto report = runForJson(environment + " " + quoted(TRV3_LOAD_PROBE) + " " + quoted(library) +
                                   (alsoLoaded.empty() ? "" : " " + quoted(alsoLoaded)));
    seconds.push_back(report["seconds"].get<double>());
    figures.qtLoaded = report["qt_loaded"].get<bool>();
  }
  figures.seconds = summarize(seconds);
  return figures;
}

}  // namespace

void measureFetchMemory(BenchContext& context) {
  std::cerr << "peak memory of a fetch receiving " << kLongRecord << " points\n";
  std::vector<double> peaks;
  for (int i = 0, repetitions = context.repetitions(3); i < repetitions; ++i) {
    const auto report =
        runForJson(quoted(TRV3_MEMORY_PROBE) + " " + std::to_string(kLongRecord) + " " + std::to_string(kAsked));
    if (report["points"].get<int64_t>() != kLongRecord) throw std::runtime_error("short fetch");
    peaks.push_back(report["peak_bytes"].get<double>());
  }
  const Figures peak = summarize(peaks);
  const double limit = 4.0 * kLongRecord + 32e6;
  context.table.add({"Peak resident memory, fetch asking 20,000 points and receiving 16,000,000",
                     formatMebibytes(peak),
                     "limit 4 B/point + 32 MB = " + formatMebibytes({limit, limit, limit}),
                     formatRatio(peak.median / kLongRecord) + " B/point", "≤ limit", peak.max <= limit});
}

void measureLoadCost(BenchContext& context) {
  std::cerr << "cost of loading the add-in\n";
  const int repetitions = context.repetitions(31);
  // Settings go to a private folder: creating and releasing the class loads and saves them.
  const std::string environment = "env XDG_CONFIG_HOME=" + quoted(TRV3_PROBE_CONFIG_HOME);
  const LoadFigures minimal = timeLoads(environment, TRV3_MINIMAL_LIBRARY, "", repetitions);
  const LoadFigures script = timeLoads(environment + " TRV3_UI=script", TRV3_ADDIN, "", repetitions);
  const std::string qtModule = std::filesystem::exists(TRV3_QT_MODULE) ? TRV3_QT_MODULE : "";
  const LoadFigures qt =
      timeLoads(environment + " TRV3_UI=qt QT_QPA_PLATFORM=offscreen", TRV3_ADDIN, qtModule, repetitions);

  context.table.addRatio("Load: dlopen + create + ComponentID + release, script path",
                         formatSeconds(script.seconds) + (script.qtLoaded ? ", Qt mapped" : ", no Qt mapped"),
                         "minimal library " + formatSeconds(minimal.seconds),
                         script.seconds.median / minimal.seconds.median, "ours / minimal", std::nullopt, 2.0);
  context.table.add({"Load, Qt path (the add-in and its Qt module)",
                     formatSeconds(qt.seconds) + (qt.qtLoaded ? ", Qt mapped" : ", no Qt mapped"),
                     "minimal library " + formatSeconds(minimal.seconds),
                     formatRatio(qt.seconds.median / minimal.seconds.median) + " (ours / minimal)",
                     "Qt only on the Qt path", qt.qtLoaded && !script.qtLoaded});
}

}  // namespace trv3::bench
