#include "discovery_fixture.h"

namespace trv3::testing {

namespace {

class ListedSource : public discovery::DiscoverySource {
 public:
  explicit ListedSource(std::vector<discovery::Finding> findings) : findings_(std::move(findings)) {}
  void discover(const discovery::SearchLimits&, const discovery::ReportFinding& report) override {
    for (const auto& finding : findings_) report(finding);
  }

 private:
  std::vector<discovery::Finding> findings_;
};

}  // namespace

DiscoveredInstruments::DiscoveredInstruments()
    : findings_(std::make_shared<std::vector<discovery::Finding>>()), sources_([findings = findings_] {
        discovery::DiscoverySources sources;
        sources.push_back(std::make_unique<ListedSource>(*findings));
        return sources;
      }) {}

void DiscoveredInstruments::add(const std::string& address, const std::string& idnReply) {
  findings_->push_back({address, idnReply, static_cast<int>(findings_->size())});
}

}  // namespace trv3::testing
