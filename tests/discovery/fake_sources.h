// What the discovery tests share: sources that tests control, settings naming a few models, and
// the addresses the control lists.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/discovery/discovery_control.h"
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
// instrument, and after the stop tries to report `late` as well. Copies share one record of the
// list having been reported: a short search's deadline may pass before a loaded machine even runs
// the source, and a test that waits for the reports does not depend on that race.
class StallingSource : public DiscoverySource {
 public:
  StallingSource(std::vector<Finding> findings, std::vector<Finding> late = {})
      : findings_(std::move(findings)), late_(std::move(late)) {}
  void discover(const SearchLimits& limits, const ReportFinding& report) override {
    for (const Finding& finding : findings_) report(finding);
    {
      std::lock_guard lock(reported_->mutex);
      reported_->done = true;
    }
    reported_->changed.notify_all();
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait(lock, limits.stop, [] { return false; });
    for (const Finding& finding : late_) report(finding);
  }

  // Whether the list was reported within `bound`.
  bool awaitReported(std::chrono::milliseconds bound) const {
    std::unique_lock lock(reported_->mutex);
    return reported_->changed.wait_for(lock, bound, [&] { return reported_->done; });
  }

 private:
  struct Reported {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
  };
  std::vector<Finding> findings_;
  std::vector<Finding> late_;
  std::shared_ptr<Reported> reported_ = std::make_shared<Reported>();
};

// Ignores deadline and stop alike until the test opens the gate, like a probe stuck in a connect.
class GatedSource : public DiscoverySource {
 public:
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    bool finished = false;
    void release() {
      std::lock_guard lock(mutex);
      open = true;
      opened.notify_all();
    }
  };

  explicit GatedSource(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  void discover(const SearchLimits&, const ReportFinding&) override {
    std::unique_lock lock(gate_->mutex);
    gate_->opened.wait(lock, [this] { return gate_->open; });
    gate_->finished = true;
    gate_->opened.notify_all();
  }

 private:
  std::shared_ptr<Gate> gate_;
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

inline std::shared_ptr<DiscoverySettings> settingsFor(std::initializer_list<const char*> models) {
  auto settings = std::make_shared<DiscoverySettings>();
  settings->setInstrumentType("Oscilloscope");
  settings->setSupportedModelList(std::make_shared<ModelCollection>());
  for (const char* model : models) settings->SupportedModelList()->Add(model, model);
  return settings;
}

inline std::vector<std::string> addressesOf(const DiscoveryControl& control) {
  std::vector<std::string> addresses;
  for (const FoundInstrument& found : control.instruments()) addresses.push_back(found.resourceAddress);
  return addresses;
}

}  // namespace trv3::discovery::testing
