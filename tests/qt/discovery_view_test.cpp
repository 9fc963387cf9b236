// The discovery control's view on a dialog: what the search found, what may be picked, and the
// user's picks and searches reaching the control.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <gtest/gtest.h>

#include "dialogs/DiscoveryControlHost.h"
#include "discovery/fake_sources.h"
#include "platform/discovery/discovery_control.h"
#include "platform/ui/form.h"
#include "qt/qt_display.h"

namespace trv3 {
namespace {

using namespace std::chrono_literals;
using testing::duringDisplay;
using testing::shownWidget;

const discovery::Finding SupportedScope{"TCPIP::127.0.0.1::5025::SOCKET", "VELMORA,TRV30K4A,MY1234,03.10.2026", 0};
const discovery::Finding OtherInstrument{"GPIB::7", "OTHERCO,X100,S-2,1.0", 1};

class DiscoveryViewTest : public ::testing::Test {
 protected:
  DiscoveryViewTest() {
    cmdClose.onClick = [this] { form.unload(); };
    form.setCancelButton(cmdClose);
    control->setConnectButtonsVisible(true);
    control->setSupportedInstrumentsLabelVisible(true);
  }

  // Assigning the settings starts the search, with the sources of this thread.
  void startSearch() { control->setSettings(discovery::testing::settingsFor({"TRV30K4A"})); }

  // Runs `steps` in a modal display of the form, then closes it.
  void whileShown(const std::function<void()>& steps) {
    duringDisplay([&] {
      steps();
      QTest::mouseClick(&shownWidget<QPushButton>("cmdClose"), Qt::LeftButton);
    });
    form.showModal();
  }

  static QTreeWidget& instruments() { return shownWidget<QTreeWidget>("instruments"); }

  static void click(QTreeWidgetItem& row) {
    QTreeWidget& list = instruments();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(&row).center());
  }

  testing::QtDisplay display;
  std::vector<discovery::Finding> findings{SupportedScope, OtherInstrument};
  // When set, the search goes on after its findings until the gate opens.
  std::shared_ptr<discovery::testing::GatedSource::Gate> gate;
  discovery::ScopedDiscoverySources sources{[this] {
    discovery::DiscoverySources listed;
    listed.push_back(std::make_unique<discovery::testing::ListedSource>(findings));
    if (gate) listed.push_back(std::make_unique<discovery::testing::GatedSource>(gate));
    return listed;
  }};
  std::shared_ptr<discovery::DiscoveryControl> control = std::make_shared<discovery::DiscoveryControl>();
  ui::Form form{"frmFind", "Find", std::nullopt, 8310, 4590};
  DiscoveryControlHost& list = form.add<DiscoveryControlHost>("VlmDiscoveryCtl1", ui::Twips{45, 15, 8280, 3795}, control);
  ui::CommandButton& cmdClose = form.add<ui::CommandButton>("cmdClose", ui::Twips{6360, 3960, 1695, 495}, "&Close", std::nullopt);
};

TEST_F(DiscoveryViewTest, ListsWhatTheSearchFoundAsItArrives) {
  gate = std::make_shared<discovery::testing::GatedSource::Gate>();
  startSearch();
  whileShown([this] {
    // The findings come in through the view's own event loop while the search goes on.
    QTreeWidget& rows = instruments();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows.topLevelItemCount() == 2; }, 10000));
    EXPECT_EQ(shownWidget<QLabel>("searchState").text(), "Searching for instruments...");
    EXPECT_FALSE(shownWidget<QPushButton>("searchAgain").isEnabled());
    gate->release();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !control->busy(); }, 10000));
    EXPECT_TRUE(shownWidget<QPushButton>("searchAgain").isEnabled());
    ASSERT_EQ(rows.topLevelItemCount(), 2);
    const QTreeWidgetItem& scope = *rows.topLevelItem(0);
    EXPECT_EQ(scope.text(0), "TCPIP::127.0.0.1::5025::SOCKET");
    EXPECT_EQ(scope.text(1), "VELMORA");
    EXPECT_EQ(scope.text(2), "TRV30K4A");
    EXPECT_EQ(scope.text(3), "Yes");
    EXPECT_EQ(rows.topLevelItem(1)->text(3), "No");
    EXPECT_EQ(rows.headerItem()->text(0), "Address");
    EXPECT_EQ(shownWidget<QLabel>("searchState").text(), "");
    EXPECT_EQ(shownWidget<QLabel>("supportedModels").text(), "Supported instruments: TRV30K4A");
  });
}

TEST_F(DiscoveryViewTest, OnlySupportedInstrumentsCanBePicked) {
  startSearch();
  whileShown([this] {
    control->waitForSearch(10s);
    QTreeWidget& rows = instruments();
    ASSERT_EQ(rows.topLevelItemCount(), 2);
    EXPECT_FALSE(rows.topLevelItem(1)->flags() & Qt::ItemIsSelectable);
    click(*rows.topLevelItem(1));
    EXPECT_FALSE(control->selectedIndex());
    EXPECT_TRUE(rows.selectedItems().isEmpty());

    click(*rows.topLevelItem(0));
    ASSERT_TRUE(control->Settings()->SelectedInstrument());
    EXPECT_EQ(control->Settings()->SelectedInstrument()->ResourceAddress(), SupportedScope.resourceAddress);

    // The control's own changes of the selection show as well.
    control->clearSelection();
    EXPECT_TRUE(rows.selectedItems().isEmpty());
    control->select(0);
    ASSERT_EQ(rows.selectedItems().size(), 1);
    EXPECT_EQ(rows.selectedItems().front(), rows.topLevelItem(0));
  });
}

// A pick the user takes back leaves nothing selected for "&Close" to connect to.
TEST_F(DiscoveryViewTest, APickTakenBackReachesTheControl) {
  const struct {
    const char* gesture;
    void (*takeBack)(QTreeWidget& rows);
  } cases[] = {
      {"Ctrl+click on the picked row",
       [](QTreeWidget& rows) {
         QTest::mouseClick(rows.viewport(), Qt::LeftButton, Qt::ControlModifier,
                           rows.visualItemRect(rows.topLevelItem(0)).center());
       }},
      {"click beside the rows",
       [](QTreeWidget& rows) {
         QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, QPoint(10, rows.viewport()->height() - 5));
       }},
      {"Ctrl+Space", [](QTreeWidget& rows) { QTest::keyClick(&rows, Qt::Key_Space, Qt::ControlModifier); }},
  };
  startSearch();
  whileShown([&] {
    control->waitForSearch(10s);
    QTreeWidget& rows = instruments();
    for (const auto& c : cases) {
      SCOPED_TRACE(c.gesture);
      click(*rows.topLevelItem(0));
      ASSERT_TRUE(control->selectedIndex());
      c.takeBack(rows);
      EXPECT_TRUE(rows.selectedItems().isEmpty());
      EXPECT_FALSE(control->selectedIndex());
    }
  });
}

TEST_F(DiscoveryViewTest, SearchAgainStartsAFreshSearch) {
  startSearch();
  whileShown([this] {
    control->waitForSearch(10s);
    findings = {};
    auto& searchAgain = shownWidget<QPushButton>("searchAgain");
    QTest::mouseClick(&searchAgain, Qt::LeftButton);
    EXPECT_TRUE(control->busy());
    EXPECT_FALSE(searchAgain.isEnabled());
    EXPECT_EQ(instruments().topLevelItemCount(), 0);
    control->waitForSearch(10s);
    EXPECT_TRUE(searchAgain.isEnabled());
    EXPECT_EQ(shownWidget<QLabel>("searchState").text(), "No instruments found");
  });
}

TEST_F(DiscoveryViewTest, SpeaksTheControlsLanguageAndShowsWhatItsPropertiesAsk) {
  control->SetLanguage(49);
  control->setConnectButtonsVisible(false);
  startSearch();
  whileShown([this] {
    control->waitForSearch(10s);
    EXPECT_EQ(instruments().headerItem()->text(0), "Adresse");
    EXPECT_EQ(instruments().topLevelItem(0)->text(3), "Ja");
    EXPECT_FALSE(shownWidget<QPushButton>("searchAgain").isVisible());
    EXPECT_TRUE(shownWidget<QLabel>("supportedModels").isVisible());
    EXPECT_EQ(shownWidget<QLabel>("supportedModels").text(), "Unterstützte Instrumente: TRV30K4A");

    control->SetLanguage(1);
    control->setConnectButtonsVisible(true);
    control->setSupportedInstrumentsLabelVisible(false);
    EXPECT_EQ(instruments().headerItem()->text(0), "Address");
    EXPECT_EQ(shownWidget<QPushButton>("searchAgain").text(), "Search again");
    EXPECT_TRUE(shownWidget<QPushButton>("searchAgain").isVisible());
    EXPECT_FALSE(shownWidget<QLabel>("supportedModels").isVisible());
  });
}

}  // namespace
}  // namespace trv3
