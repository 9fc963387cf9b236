#include "platform/discovery/discovery_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <system_error>
#include <thread>

#include "fake_sources.h"
#include "platform/discovery/idn_probe.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {
namespace {

using namespace std::chrono_literals;
using testing::addressesOf;
using testing::GatedSource;
using testing::ListedSource;
using testing::sourcesOf;
using testing::settingsFor;
using testing::StallingSource;

// Long enough never to be reached by a search whose sources all return.
constexpr auto Generous = 30s;

const Finding supportedScope{"TCPIP::127.0.0.1::5025::SOCKET", "VELMORA,TRV30K2A,SN100,1.20", 0};
const Finding foreignScope{"TCPIP::127.0.0.1::5026::SOCKET", "Acme,XS-9,SN7,3.0", 1};

TEST(DiscoveryControl, FindingsReachTheListOnlyThroughTheOwnersPoll) {
  ScopedDiscoverySources sources(sourcesOf(ListedSource({supportedScope, foreignScope})));
  DiscoveryControl control;
  EXPECT_FALSE(control.busy());
  control.setSettings(settingsFor({"TRV30K2A", "TRV30K4A"}));
  EXPECT_TRUE(control.busy());
  EXPECT_TRUE(control.instruments().empty());

  ASSERT_TRUE(control.waitForSearch(Generous));
  EXPECT_FALSE(control.busy());
  EXPECT_TRUE(control.searched());
  const std::vector<FoundInstrument> found = control.instruments();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].resourceAddress, supportedScope.resourceAddress);
  EXPECT_EQ(found[0].maker, "VELMORA");
  EXPECT_EQ(found[0].model, "TRV30K2A");
  EXPECT_EQ(found[0].serialNumber, "SN100");
  EXPECT_EQ(found[0].firmware, "1.20");
  EXPECT_TRUE(found[0].supported);
  EXPECT_EQ(found[1].model, "XS-9");
  EXPECT_FALSE(found[1].supported);
}

TEST(DiscoveryControl, OnlySupportedInstrumentsCanBeSelected) {
  ScopedDiscoverySources sources(sourcesOf(ListedSource({supportedScope, foreignScope})));
  DiscoveryControl control;
  const auto settings = settingsFor({"TRV30K2A"});
  control.setSettings(settings);
  ASSERT_TRUE(control.waitForSearch(Generous));

  EXPECT_FALSE(control.select(1));
  EXPECT_FALSE(control.select(2));
  EXPECT_EQ(settings->SelectedInstrument(), nullptr);
  EXPECT_FALSE(control.selectedIndex().has_value());

  ASSERT_TRUE(control.select(0));
  EXPECT_EQ(control.selectedIndex(), 0u);
  ASSERT_NE(settings->SelectedInstrument(), nullptr);
  EXPECT_EQ(settings->SelectedInstrument()->ResourceAddress(), supportedScope.resourceAddress);

  // A refused pick keeps the earlier one.
  EXPECT_FALSE(control.select(1));
  EXPECT_EQ(control.selectedIndex(), 0u);

  control.clearSelection();
  EXPECT_EQ(settings->SelectedInstrument(), nullptr);
}

TEST(DiscoveryControl, NothingCanBeSelectedWithoutSettingsOrModels) {
  ScopedDiscoverySources sources(sourcesOf(ListedSource({supportedScope})));
  DiscoveryControl control;
  control.setSettings(std::make_shared<DiscoverySettings>());  // no model list at all
  ASSERT_TRUE(control.waitForSearch(Generous));
  ASSERT_EQ(control.instruments().size(), 1u);
  EXPECT_FALSE(control.instruments()[0].supported);
  EXPECT_FALSE(control.select(0));

  control.setSettings(nullptr);
  EXPECT_FALSE(control.select(0));
}

TEST(DiscoveryControl, SupportIsJudgedOnTheModelFieldAsSentAndOnTheCurrentSettings) {
  const Finding padded{"TCPIP::10.0.0.9::INSTR", "VELMORA, TRV30K2A,SN1,1.0", 0};
  const Finding otherMaker{"TCPIP::10.0.0.8::INSTR", "ACME,TRV30K2A,SN2,1.0", 2};
  ScopedDiscoverySources sources(sourcesOf(ListedSource({padded, supportedScope, otherMaker})));
  DiscoveryControl control;
  control.setSettings(settingsFor({"TRV30K2A"}));
  ASSERT_TRUE(control.waitForSearch(Generous));
  const auto found = control.instruments();
  ASSERT_EQ(found.size(), 3u);
  // Opening would look for " TRV30K2A" in the supported list and refuse it, and refuse a model of
  // the list made by another maker.
  EXPECT_EQ(found[0].model, "TRV30K2A");
  EXPECT_FALSE(found[0].supported);
  EXPECT_TRUE(found[1].supported);
  EXPECT_FALSE(found[2].supported);

  // Another settings object brings its own models and its own (empty) selection.
  ASSERT_TRUE(control.select(1));
  control.setSettings(settingsFor({"XS-9"}));
  EXPECT_FALSE(control.selectedIndex().has_value());
  EXPECT_FALSE(control.instruments()[1].supported);
  EXPECT_FALSE(control.busy()) << "only the first settings start a search";
}

TEST(DiscoveryControl, ListKeepsSourceAndRankOrderAndDropsRepeatedAddresses) {
  const Finding second{"TCPIP::h2::INSTR", "A,M2,S,F", 2};
  const Finding first{"TCPIP::h1::INSTR", "A,M1,S,F", 1};
  const Finding fromUsb{"USB0::0x1::0x2::S::INSTR", "A,M3,S,F", 0};
  const Finding sameAsFirst{"tcpip::H1::instr", "A,other,S,F", 5};
  ScopedDiscoverySources sources(
      sourcesOf(ListedSource({second, first}), ListedSource({fromUsb, sameAsFirst})));
  DiscoveryControl control;
  control.setSettings(settingsFor({}));
  ASSERT_TRUE(control.waitForSearch(Generous));
  EXPECT_EQ(addressesOf(control), (std::vector<std::string>{first.resourceAddress,
                                                             second.resourceAddress,
                                                             fromUsb.resourceAddress}));
}

TEST(DiscoveryControl, SearchEndsAtItsDeadlineWhileASourceStillWaits) {
  const StallingSource stalling({supportedScope}, {foreignScope});
  ScopedDiscoverySources sources(sourcesOf(stalling));
  DiscoveryControl control(50ms);
  control.setSettings(settingsFor({"TRV30K2A"}));
  ASSERT_TRUE(stalling.awaitReported(Generous));
  ASSERT_TRUE(control.waitForSearch(Generous));
  EXPECT_FALSE(control.busy());
  // What came before the search ended is shown; what the source reports after the stop is not.
  EXPECT_EQ(addressesOf(control), std::vector<std::string>{supportedScope.resourceAddress});
  EXPECT_FALSE(control.pollResults());
  EXPECT_EQ(control.instruments().size(), 1u);
}

TEST(DiscoveryControl, ASourceThatIgnoresTheStopHoldsUpNeitherTheSearchNorTheControlsEnd) {
  auto gate = std::make_shared<GatedSource::Gate>();
  const StallingSource obeying({supportedScope});
  ScopedDiscoverySources sources(sourcesOf(GatedSource(gate), obeying));
  {
    DiscoveryControl control(20ms);
    control.setSettings(settingsFor({}));
    ASSERT_TRUE(obeying.awaitReported(Generous));
    ASSERT_TRUE(control.waitForSearch(Generous));
    EXPECT_EQ(control.instruments().size(), 1u);
    ASSERT_TRUE(control.searchAgain());
    // Were the end of the control to wait for the source, this scope would never be left.
  }
  gate->release();
  // The source is still let finish, off the owner's thread.
  std::unique_lock lock(gate->mutex);
  EXPECT_TRUE(gate->opened.wait_for(lock, Generous, [&] { return gate->finished; }));
}

// Reports the supported scope, and fails as the row asks: as a whole after its report, or in the
// first of two probes while the second reports.
class FailingSource : public DiscoverySource {
 public:
  FailingSource(bool inProbe, std::function<void()> fail) : inProbe_(inProbe), fail_(std::move(fail)) {}
  void discover(const SearchLimits& limits, const ReportFinding& report) override {
    if (!inProbe_) {
      report(supportedScope);
      fail_();
    }
    probeSideBySide(2, limits, [&](size_t index) { index == 0 ? fail_() : report(supportedScope); });
  }

 private:
  bool inProbe_;
  std::function<void()> fail_;
};

TEST(DiscoveryControl, NoFailureOfASourceOrOfItsProbesEndsTheHost) {
  const struct {
    const char* failure;
    bool inProbe;
    std::function<void()> fail;
  } rows[] = {
      {"no thread left for the probes", false,
       [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); }},
      {"no memory in the source", false, [] { throw std::bad_alloc(); }},
      {"no memory in a probe", true, [] { throw std::bad_alloc(); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.failure);
    ScopedDiscoverySources sources(sourcesOf(FailingSource(row.inProbe, row.fail)));
    DiscoveryControl control(Generous);
    control.setSettings(settingsFor({"TRV30K2A"}));
    ASSERT_TRUE(control.waitForSearch(Generous));
    EXPECT_EQ(addressesOf(control), std::vector<std::string>{supportedScope.resourceAddress});
  }
}

TEST(DiscoveryControl, WhileASearchRunsWaitingReturnsAtTheCallersTimeOutAndSearchAgainIsRefused) {
  ScopedDiscoverySources sources(sourcesOf(StallingSource({})));
  DiscoveryControl control(Generous);
  control.setSettings(settingsFor({}));
  EXPECT_FALSE(control.waitForSearch(1ms));
  EXPECT_TRUE(control.busy());
  EXPECT_FALSE(control.searchAgain());
  // Destroying the control stops the waiting source.
}

TEST(DiscoveryControl, SearchAgainClearsListAndSelection) {
  ScopedDiscoverySources first(sourcesOf(ListedSource({supportedScope})));
  DiscoveryControl control;
  const auto settings = settingsFor({"TRV30K2A"});
  control.setSettings(settings);
  ASSERT_TRUE(control.waitForSearch(Generous));
  ASSERT_TRUE(control.select(0));

  ScopedDiscoverySources second(sourcesOf(ListedSource({foreignScope})));
  ASSERT_TRUE(control.searchAgain());
  EXPECT_TRUE(control.busy());
  EXPECT_TRUE(control.instruments().empty());
  EXPECT_EQ(settings->SelectedInstrument(), nullptr);
  ASSERT_TRUE(control.waitForSearch(Generous));
  EXPECT_EQ(addressesOf(control), std::vector<std::string>{foreignScope.resourceAddress});
}

TEST(DiscoveryControl, ListenersHearEachChangeOnTheOwnersThread) {
  ScopedDiscoverySources sources(sourcesOf(ListedSource({supportedScope})));
  DiscoveryControl control;
  std::vector<DiscoveryChange> heard;
  const auto owner = std::this_thread::get_id();
  bool allOnOwner = true;
  const int id = control.addChangeListener([&](DiscoveryChange change) {
    heard.push_back(change);
    allOnOwner = allOnOwner && std::this_thread::get_id() == owner;
  });

  control.SetLanguage(49);
  control.setConnectButtonsVisible(true);
  control.setSupportedInstrumentsLabelVisible(true);
  control.setSettings(settingsFor({"TRV30K2A"}));
  ASSERT_TRUE(control.waitForSearch(Generous));
  control.select(0);
  EXPECT_TRUE(allOnOwner);
  EXPECT_EQ(heard, (std::vector<DiscoveryChange>{
                       DiscoveryChange::Language, DiscoveryChange::Properties,
                       DiscoveryChange::Properties, DiscoveryChange::Settings,
                       DiscoveryChange::Busy, DiscoveryChange::Instruments,
                       DiscoveryChange::Busy, DiscoveryChange::Selection}));

  control.removeChangeListener(id);
  control.clearSelection();
  EXPECT_EQ(heard.size(), 8u);
}

// Records the threads a results-pending handler was called on.
struct PendingCalls {
  std::function<void()> handler() {
    return [this] {
      std::lock_guard lock(mutex);
      threads.push_back(std::this_thread::get_id());
      changed.notify_all();
    };
  }
  bool waitForFirst() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, Generous, [&] { return !threads.empty(); });
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::thread::id> threads;
};

TEST(DiscoveryControl, PendingHandlerRunsOnTheWorkerWhenFindingsArrive) {
  ScopedDiscoverySources sources(sourcesOf(StallingSource({supportedScope})));
  DiscoveryControl control(Generous);
  PendingCalls calls;
  control.setResultsPendingHandler(calls.handler());
  control.setSettings(settingsFor({}));
  ASSERT_TRUE(calls.waitForFirst());
  EXPECT_NE(calls.threads.front(), std::this_thread::get_id());
  EXPECT_TRUE(control.pollResults());
  EXPECT_EQ(control.instruments().size(), 1u);
}

TEST(DiscoveryControl, PendingHandlerInstalledWhileFindingsWaitIsCalledAtOnce) {
  ScopedDiscoverySources sources(sourcesOf(StallingSource({supportedScope})));
  DiscoveryControl control(Generous);
  PendingCalls first;
  control.setResultsPendingHandler(first.handler());
  control.setSettings(settingsFor({}));
  ASSERT_TRUE(first.waitForFirst());

  // A view that comes later installs its own handler; the finding already waiting is not lost.
  PendingCalls late;
  control.setResultsPendingHandler(late.handler());
  ASSERT_EQ(late.threads.size(), 1u);
  EXPECT_EQ(late.threads.front(), std::this_thread::get_id());
}

TEST(DiscoveryControl, CaptionsFollowTheLanguageWithEnglishForUnknownCodes) {
  DiscoveryControl control;
  EXPECT_EQ(control.texts().searchAgain, "Search again");
  control.SetLanguage(49);
  EXPECT_EQ(control.languageCode(), 49);
  EXPECT_EQ(control.texts().searchAgain, "Erneut suchen");
  control.SetLanguage(33);
  EXPECT_EQ(control.texts().columnModel, "Modèle");
  control.SetLanguage(81);
  EXPECT_EQ(control.texts().columnModel, "Model");
}

TEST(DiscoveryControl, SupportedInstrumentsLabelNamesTheCurrentModels) {
  DiscoveryControl control;
  EXPECT_EQ(control.supportedInstrumentsText(), "Supported instruments: none");
  ScopedDiscoverySources sources(sourcesOf());
  const auto settings = settingsFor({"TRV30K2A", "TRV30K4A"});
  control.setSettings(settings);
  EXPECT_EQ(control.supportedInstrumentsText(), "Supported instruments: TRV30K2A, TRV30K4A");
  settings->SupportedModelList()->Add("TRV31R2B", "TRV31R2B");
  control.SetLanguage(49);
  EXPECT_EQ(control.supportedInstrumentsText(),
            "Unterstützte Instrumente: TRV30K2A, TRV30K4A, TRV31R2B");
}

}  // namespace
}  // namespace trv3::discovery
