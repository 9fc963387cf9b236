// The discovery control behind the connect dialog, free of any toolkit. The dialog sets its
// language, its two Boolean properties and a DiscoverySettings object; the control searches for
// instruments in a worker thread, lists what it found with the supported ones selectable, and keeps
// the user's pick in the settings' SelectedInstrument.
//
// Threads: every member is called on the thread that owns the control (the dialog's). A search runs
// in a worker thread and delivers nothing by itself: its findings reach the list when the owner
// calls pollResults() or waitForSearch(). A view can poll with a timer, or install a
// results-pending handler that posts a call of pollResults() to the owner's thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/discovery/discovery_settings.h"
#include "platform/discovery/discovery_source.h"
#include "platform/discovery/discovery_texts.h"

namespace trv3::discovery {

class SearchRun;

struct FoundInstrument {
  std::string resourceAddress;
  std::string maker;
  std::string model;
  std::string serialNumber;
  std::string firmware;
  // Whether the model is in the settings' SupportedModelList; unsupported ones are shown but
  // cannot be selected.
  bool supported = false;
};

enum class DiscoveryChange {
  Language,     // texts() changed
  Properties,   // one of the two Boolean properties changed
  Settings,     // a new settings object: supported models and selection may differ
  Instruments,  // the list changed
  Selection,
  Busy,
};

class DiscoveryControl {
 public:
  static constexpr std::chrono::milliseconds DefaultSearchTime{3000};

  explicit DiscoveryControl(std::chrono::milliseconds searchTime = DefaultSearchTime);
  // Stops a running search without waiting for probes that are still out.
  ~DiscoveryControl();
  DiscoveryControl(const DiscoveryControl&) = delete;
  DiscoveryControl& operator=(const DiscoveryControl&) = delete;

  // --- What the connect dialog uses ---
  void SetLanguage(int32_t countryCode);

  // Whether the control shows its own buttons ("Search again").
  bool connectButtonsVisible() const { return connectButtonsVisible_; }
  void setConnectButtonsVisible(bool visible);

  // Whether the control shows the label that names the supported models.
  bool supportedInstrumentsLabelVisible() const { return supportedInstrumentsLabelVisible_; }
  void setSupportedInstrumentsLabelVisible(bool visible);

  std::shared_ptr<DiscoverySettings> Settings() const { return settings_; }
  // The selection shown is the one the object holds; the first assignment starts a search.
  void setSettings(std::shared_ptr<DiscoverySettings> settings);

  // --- View state ---
  int32_t languageCode() const { return languageCode_; }
  const DiscoveryTexts& texts() const;
  // "Supported instruments: TRV30K2A, TRV30K4A", from the current SupportedModelList.
  std::string supportedInstrumentsText() const;
  // Support is judged against the current SupportedModelList at each call.
  std::vector<FoundInstrument> instruments() const;
  std::optional<size_t> selectedIndex() const;
  bool busy() const { return run_ != nullptr; }
  // Whether at least one search has ended (so "nothing found" can be told from "not searched").
  bool searched() const { return searched_; }

  // --- The user's actions ---
  // Starts a new search with an empty list; refused (false) while one is running.
  bool searchAgain();
  // Selects a found instrument into the settings' SelectedInstrument; refused (false) for an
  // unsupported one, an index out of range, or when no settings are assigned.
  bool select(size_t index);
  void clearSelection();

  // --- Pumping the search on the owner's thread ---
  // Takes what the worker found so far into the list, and ends the search when the worker is done
  // or its time is up. Returns whether anything changed.
  bool pollResults();
  // Waits at most `timeout` (and never past the search's own deadline) for the search to end, then
  // polls. Returns whether no search is running any more.
  bool waitForSearch(std::chrono::milliseconds timeout);
  // Called on a worker thread whenever findings are waiting or a search's sources are done; it
  // must only post to the owner's thread. Installing it on a running search calls it at once when
  // something is already waiting, so no wake-up is lost.
  void setResultsPendingHandler(std::function<void()> handler);

  // --- Change notifications, on the owner's thread ---
  using ChangeListener = std::function<void(DiscoveryChange)>;
  int addChangeListener(ChangeListener listener);
  void removeChangeListener(int id);

 private:
  struct Entry {
    FoundInstrument shown;
    std::string rawModel;
    bool ourMaker;
    size_t sourceIndex;
    int rank;
  };
  void startSearch();
  void endSearch();
  void retireRun();
  // Returns whether the list changed.
  bool addFinding(size_t sourceIndex, Finding finding);
  bool isSupported(const Entry& entry) const;
  void notify(DiscoveryChange change);

  std::chrono::milliseconds searchTime_;
  int32_t languageCode_ = 1;
  bool connectButtonsVisible_ = false;
  bool supportedInstrumentsLabelVisible_ = false;
  std::shared_ptr<DiscoverySettings> settings_;
  std::vector<Entry> entries_;
  std::unique_ptr<SearchRun> run_;
  bool searched_ = false;
  std::function<void()> resultsPendingHandler_;
  std::map<int, ChangeListener> listeners_;
  int nextListenerId_ = 1;
};

}  // namespace trv3::discovery
