// Discovery sources that tests control: one that reports a fixed list at once, and one that
// reports a list and then holds on until the search is stopped.
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/discovery/discovery_source.h"

namespace trv3::discovery::testing {

class ListedSource : public DiscoverySource {
 public:
  explicit ListedSource(std::vector<Finding> findings) : findings_(std::move(findings)) {}
  void discover(const SearchLimits&, const ReportFinding& report) override {
    for (const Finding& finding : findings_) report(finding);
  }

 private:
  std::vector<Finding> findings_;
};

// Reports its list, then ignores the deadline and waits for the stop, like a probe of a silent
// instrument, and after the stop tries to report `late` as well.
class StallingSource : public DiscoverySource {
 public:
  StallingSource(std::vector<Finding> findings, std::vector<Finding> late = {})
      : findings_(std::move(findings)), late_(std::move(late)) {}
  void discover(const SearchLimits& limits, const ReportFinding& report) override {
    for (const Finding& finding : findings_) report(finding);
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait(lock, limits.stop, [] { return false; });
    for (const Finding& finding : late_) report(finding);
  }

 private:
  std::vector<Finding> findings_;
  std::vector<Finding> late_;
};

// A factory for ScopedDiscoverySources from a list of source builders.
template <class... Sources>
SourceFactory sourcesOf(Sources... sources) {
  return [=] {
    DiscoverySources built;
    (built.push_back(std::make_unique<Sources>(sources)), ...);
    return built;
  };
}

}  // namespace trv3::discovery::testing
