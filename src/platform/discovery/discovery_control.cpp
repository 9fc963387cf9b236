#include "platform/discovery/discovery_control.h"

#include <algorithm>
#include <tuple>

#include "platform/discovery/discovered_instrument.h"
#include "platform/discovery/idn_reply.h"
#include "platform/discovery/search_reaper.h"
#include "platform/discovery/search_run.h"
#include "platform/runtime/conversions.h"

namespace trv3::discovery {

DiscoveryControl::DiscoveryControl(std::chrono::milliseconds searchTime) : searchTime_(searchTime) {}

DiscoveryControl::~DiscoveryControl() {
  if (run_) retireRun();
}

void DiscoveryControl::SetLanguage(int32_t countryCode) {
  languageCode_ = countryCode;
  notify(DiscoveryChange::Language);
}

void DiscoveryControl::setConnectButtonsVisible(bool visible) {
  connectButtonsVisible_ = visible;
  notify(DiscoveryChange::Properties);
}

void DiscoveryControl::setSupportedInstrumentsLabelVisible(bool visible) {
  supportedInstrumentsLabelVisible_ = visible;
  notify(DiscoveryChange::Properties);
}

void DiscoveryControl::setSettings(std::shared_ptr<DiscoverySettings> settings) {
  settings_ = std::move(settings);
  notify(DiscoveryChange::Settings);
  if (settings_ && !run_ && !searched_) startSearch();
}

const DiscoveryTexts& DiscoveryControl::texts() const { return textsForLanguage(languageCode_); }

std::string DiscoveryControl::supportedInstrumentsText() const {
  const DiscoveryTexts& captions = texts();
  std::vector<std::string> models;
  if (settings_ && settings_->SupportedModelList()) models = settings_->SupportedModelList()->items();
  if (models.empty()) return captions.supportedInstruments + " " + captions.noModels;
  std::string text = captions.supportedInstruments;
  for (size_t i = 0; i < models.size(); ++i) text += (i == 0 ? " " : ", ") + models[i];
  return text;
}

std::vector<FoundInstrument> DiscoveryControl::instruments() const {
  std::vector<FoundInstrument> shown;
  shown.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    shown.push_back(entry.shown);
    shown.back().supported = isSupported(entry);
  }
  return shown;
}

std::optional<size_t> DiscoveryControl::selectedIndex() const {
  if (!settings_ || !settings_->SelectedInstrument()) return std::nullopt;
  const std::string address = settings_->SelectedInstrument()->ResourceAddress();
  for (size_t index = 0; index < entries_.size(); ++index) {
    if (entries_[index].shown.resourceAddress == address) return index;
  }
  return std::nullopt;
}

bool DiscoveryControl::searchAgain() {
  if (run_) return false;
  // The list starts empty, so a pick from the old list would be invisible.
  clearSelection();
  if (!entries_.empty()) {
    entries_.clear();
    notify(DiscoveryChange::Instruments);
  }
  startSearch();
  return true;
}

bool DiscoveryControl::select(size_t index) {
  if (!settings_ || index >= entries_.size() || !isSupported(entries_[index])) return false;
  if (selectedIndex() == index) return true;
  settings_->setSelectedInstrument(
      std::make_shared<DiscoveredInstrument>(entries_[index].shown.resourceAddress));
  notify(DiscoveryChange::Selection);
  return true;
}

void DiscoveryControl::clearSelection() {
  if (!settings_ || !settings_->SelectedInstrument()) return;
  settings_->setSelectedInstrument(nullptr);
  notify(DiscoveryChange::Selection);
}

bool DiscoveryControl::pollResults() {
  if (!run_) return false;
  // Judged before taking, so that whatever arrived up to the deadline is still shown.
  const bool timeUp = run_->timeUp();
  SearchRun::Batch batch = run_->take();
  bool listChanged = false;
  for (SearchRun::Arrival& arrival : batch.arrivals) {
    listChanged = addFinding(arrival.sourceIndex, std::move(arrival.finding)) || listChanged;
  }
  if (listChanged) notify(DiscoveryChange::Instruments);
  if (batch.sourcesDone || timeUp) {
    endSearch();
    return true;
  }
  return listChanged;
}

bool DiscoveryControl::waitForSearch(std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pollResults();
    if (!run_) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    run_->waitForNews(until);
  }
}

void DiscoveryControl::setResultsPendingHandler(std::function<void()> handler) {
  resultsPendingHandler_ = std::move(handler);
  if (run_) run_->setOnPending(resultsPendingHandler_);
}

int DiscoveryControl::addChangeListener(ChangeListener listener) {
  const int id = nextListenerId_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void DiscoveryControl::removeChangeListener(int id) { listeners_.erase(id); }

void DiscoveryControl::startSearch() {
  run_ = std::make_unique<SearchRun>(currentSources(), searchTime_, resultsPendingHandler_);
  notify(DiscoveryChange::Busy);
}

void DiscoveryControl::endSearch() {
  retireRun();
  searched_ = true;
  notify(DiscoveryChange::Busy);
}

void DiscoveryControl::retireRun() {
  run_->stop();
  // A probe still waiting for its instrument must not hold up the owner's thread.
  if (run_->sourcesDone()) {
    run_.reset();
  } else {
    finishInBackground(std::move(run_));
  }
}

bool DiscoveryControl::addFinding(size_t sourceIndex, Finding finding) {
  const auto before = [](const Entry& a, const Entry& b) {
    return std::tie(a.sourceIndex, a.rank) < std::tie(b.sourceIndex, b.rank);
  };
  const IdnFields fields = parseIdnReply(finding.idnReply);
  Entry entry{{finding.resourceAddress, fields.maker, fields.model, fields.serialNumber,
               fields.firmware, false},
              fields.rawModel, namesOurMaker(finding.idnReply), sourceIndex, finding.rank};
  // The same instrument may be reported by two sources, or twice by one. Whichever report comes
  // first in source and rank order wins, whatever order the threads delivered them in.
  const std::string address = toLowerAscii(finding.resourceAddress);
  const auto known = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& existing) {
    return toLowerAscii(existing.shown.resourceAddress) == address;
  });
  if (known != entries_.end()) {
    if (!before(entry, *known)) return false;
    entries_.erase(known);
  }
  entries_.insert(std::upper_bound(entries_.begin(), entries_.end(), entry, before), std::move(entry));
  return true;
}

bool DiscoveryControl::isSupported(const Entry& entry) const {
  if (!settings_ || !settings_->SupportedModelList()) return false;
  // The whole model field as sent, and the maker: what is shown as supported is then also accepted
  // when the instrument is opened, which looks for both in its reply.
  return entry.ourMaker && settings_->SupportedModelList()->containsItem(entry.rawModel);
}

void DiscoveryControl::notify(DiscoveryChange change) {
  // A copy, so that a listener may remove itself or others while being told.
  const auto listeners = listeners_;
  for (const auto& [id, listener] : listeners) listener(change);
}

}  // namespace trv3::discovery
