// The widgets show the form model, and the user's clicks and typing reach it.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

#include "dialogs/FsetupForm.h"
#include "qt/qt_display.h"

namespace trv3 {
namespace {

using testing::duringDisplay;
using testing::shownWidget;
using testing::shownWindow;

class BindingTest : public ::testing::Test {
 protected:
  BindingTest() {
    // Every display of these tests ends with OK.
    dialog.cmdOK.onClick = [this] { dialog.form.hide(); };
  }

  // Runs `steps` in a modal display of the set-up form, then presses OK.
  void whileShown(const std::function<void()>& steps) {
    duringDisplay([&] {
      steps();
      QTest::mouseClick(&shownWidget<QPushButton>("cmdOK"), Qt::LeftButton);
    });
    dialog.form.showModal();
  }

  testing::QtDisplay display;
  FsetupForm dialog;
};

int pixelsX(int32_t twips) { return qRound(twips * QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 1440.0); }
int pixelsY(int32_t twips) { return qRound(twips * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 1440.0); }

TEST_F(BindingTest, PlacesControlsAtTheirDesignGeometryInTheirContainers) {
  whileShown([] {
    QWidget& window = shownWindow();
    EXPECT_EQ(window.size(), QSize(pixelsX(4815), pixelsY(4080)));
    EXPECT_EQ(shownWidget<QPushButton>("cmdOK").geometry(), QRect(pixelsX(1080), pixelsY(3480), pixelsX(1695), pixelsY(495)));
    EXPECT_EQ(shownWidget<QPushButton>("cmdOK").parentWidget(), &window);

    // Tab-page controls sit relative to the tab control's corner, frame contents to the frame's.
    QWidget& tabs = shownWidget<QWidget>("SSTab1");
    auto& frame = shownWidget<QGroupBox>("fraAddr");
    EXPECT_EQ(frame.mapTo(&tabs, QPoint(0, 0)), QPoint(pixelsX(165), pixelsY(615)));
    auto& shownAddress = shownWidget<QLineEdit>("txtShowAddr");
    EXPECT_EQ(shownAddress.parentWidget(), &frame);
    EXPECT_EQ(shownAddress.geometry(), QRect(pixelsX(135), pixelsY(270), pixelsX(3960), pixelsY(360)));

    // A combo box without a designed height has its natural one.
    auto& channels = shownWidget<QComboBox>("cboChannel");
    EXPECT_EQ(channels.height(), channels.sizeHint().height());
    EXPECT_EQ(channels.width(), pixelsX(1305));
  });
}

TEST_F(BindingTest, OnlyTheSelectedTabsControlsAreShown) {
  whileShown([this] {
    EXPECT_TRUE(shownWidget<QComboBox>("cboPoints").isVisible());
    EXPECT_FALSE(shownWidget<QLineEdit>("txtAddress").isVisible());
    dialog.SSTab1.setTab(1);
    EXPECT_EQ(shownWidget<QWidget>("SSTab1").findChild<QTabBar*>()->currentIndex(), 1);
    EXPECT_FALSE(shownWidget<QComboBox>("cboPoints").isVisible());
    EXPECT_TRUE(shownWidget<QLineEdit>("txtAddress").isVisible());
  });
}

TEST_F(BindingTest, ShowsCaptionsAndFontsAndTheirChanges) {
  dialog.form.setFontName("DejaVu Sans");
  dialog.form.setFontSize(8);
  dialog.lblChannel.setFontName("DejaVu Sans");
  dialog.lblChannel.setFontSize(11);
  dialog.form.setCaption("Einrichtung");
  dialog.SSTab1.setTabCaption(1, "Verbindung");
  whileShown([this] {
    EXPECT_EQ(shownWindow().windowTitle(), "Einrichtung");
    EXPECT_EQ(shownWindow().font().family(), "DejaVu Sans");
    EXPECT_EQ(shownWindow().font().pointSize(), 8);
    auto& label = shownWidget<QLabel>("lblChannel");
    EXPECT_EQ(label.text(), "Channel");
    EXPECT_EQ(label.font().pointSize(), 11);
    EXPECT_EQ(shownWidget<QGroupBox>("fraAddr").title(), "Currently connected Oscilloscope");
    EXPECT_EQ(shownWidget<QCheckBox>("chkDigitize").text(), "Always acquire new waveform");
    auto& tabBar = *shownWidget<QWidget>("SSTab1").findChild<QTabBar*>();
    EXPECT_EQ(tabBar.tabText(0), "WaveForm");
    EXPECT_EQ(tabBar.tabText(1), "Verbindung");

    dialog.lblChannel.setCaption("Kanal");
    dialog.cmdCancel.setCaption("&Abbrechen");
    dialog.lblChannel.setFontSize(9);
    EXPECT_EQ(label.text(), "Kanal");
    EXPECT_EQ(label.font().pointSize(), 9);
    // Markup in a caption is shown as written: as markup it would draw a smaller "Kanal".
    const int plainWidth = label.sizeHint().width();
    dialog.lblChannel.setCaption("<small>Kanal</small>");
    EXPECT_GT(label.sizeHint().width(), plainWidth);
    EXPECT_EQ(shownWidget<QPushButton>("cmdCancel").text(), "&Abbrechen");
  });
}

TEST_F(BindingTest, ComboBoxShowsEntriesItemDataSelectionAndLock) {
  dialog.cboPoints.addItem("100");
  dialog.cboPoints.setItemData(0, 100);
  whileShown([this] {
    auto& points = shownWidget<QComboBox>("cboPoints");
    ASSERT_EQ(points.count(), 1);
    EXPECT_EQ(points.currentIndex(), -1);
    EXPECT_FALSE(points.isEnabled()) << "a new list is locked";

    dialog.cboPoints.addItem("250");
    dialog.cboPoints.setItemData(1, 250);
    dialog.cboPoints.setListIndex(1);
    dialog.cboPoints.setLocked(false);
    ASSERT_EQ(points.count(), 2);
    EXPECT_EQ(points.itemText(1), "250");
    EXPECT_EQ(points.itemData(0).toInt(), 100);
    EXPECT_EQ(points.itemData(1).toInt(), 250);
    EXPECT_EQ(points.currentIndex(), 1);
    EXPECT_TRUE(points.isEnabled());

    dialog.cboPoints.clear();
    EXPECT_EQ(points.count(), 0);
    EXPECT_EQ(points.currentIndex(), -1);
  });
}

TEST_F(BindingTest, UsersPickReachesTheModelUnlessTheListIsLocked) {
  dialog.cboChannel.addItem(" 1");
  dialog.cboChannel.addItem(" 2");
  dialog.cboChannel.setListIndex(0);
  std::vector<int32_t> seen;
  dialog.cboChannel.changed.connect([&](ui::Property property) {
    if (property == ui::Property::Selection) seen.push_back(dialog.cboChannel.listIndex());
  });
  whileShown([&] {
    auto& channels = shownWidget<QComboBox>("cboChannel");
    // Locked: the widget cannot be used, and a pick that still arrives is refused.
    Q_EMIT channels.activated(1);
    EXPECT_EQ(dialog.cboChannel.listIndex(), 0);
    EXPECT_EQ(channels.currentIndex(), 0);

    dialog.cboChannel.setLocked(false);
    channels.setFocus();
    QTest::keyClick(&channels, Qt::Key_Down);
    EXPECT_EQ(dialog.cboChannel.listIndex(), 1);
    EXPECT_EQ(dialog.cboChannel.text(), " 2");
  });
  EXPECT_EQ(seen, (std::vector<int32_t>{1}));
}

TEST_F(BindingTest, EveryKeystrokeIsOneTextChange) {
  std::vector<std::string> changes;
  dialog.txtAddress.onChange = [&] { changes.push_back(dialog.txtAddress.text()); };
  dialog.SSTab1.setTab(1);
  whileShown([&] {
    auto& address = shownWidget<QLineEdit>("txtAddress");
    EXPECT_EQ(address.text(), "Text1");
    address.selectAll();
    QTest::keyClicks(&address, "GP");
    EXPECT_EQ(dialog.txtAddress.text(), "GP");

    dialog.txtAddress.setText("TCPIP::10.0.0.1::INSTR");
    EXPECT_EQ(address.text(), "TCPIP::10.0.0.1::INSTR");
  });
  EXPECT_EQ(changes, (std::vector<std::string>{"G", "GP", "TCPIP::10.0.0.1::INSTR"}));
}

TEST_F(BindingTest, TabClickTellsThePreviousTab) {
  std::vector<int16_t> previousTabs;
  dialog.SSTab1.onClick = [&](int16_t previous) { previousTabs.push_back(previous); };
  int doubleClicks = 0;
  dialog.SSTab1.onDblClick = [&] { ++doubleClicks; };
  whileShown([&] {
    auto& tabBar = *shownWidget<QWidget>("SSTab1").findChild<QTabBar*>();
    QTest::mouseClick(&tabBar, Qt::LeftButton, {}, tabBar.tabRect(1).center());
    EXPECT_EQ(dialog.SSTab1.tab(), 1);
    EXPECT_TRUE(shownWidget<QLineEdit>("txtAddress").isVisible());
    QTest::mouseClick(&tabBar, Qt::LeftButton, {}, tabBar.tabRect(0).center());
    QTest::mouseDClick(&tabBar, Qt::LeftButton, {}, tabBar.tabRect(0).center());
  });
  EXPECT_EQ(previousTabs, (std::vector<int16_t>{0, 1}));
  EXPECT_EQ(doubleClicks, 1);
}

TEST_F(BindingTest, CheckBoxShowsTheModelsStateAndClicksGoThroughIt) {
  whileShown([this] {
    auto& box = shownWidget<QCheckBox>("chkDigitize");
    EXPECT_EQ(box.checkState(), Qt::Unchecked);
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(dialog.chkDigitize.value(), ui::Checked);
    EXPECT_EQ(box.checkState(), Qt::Checked);

    dialog.chkDigitize.setValue(ui::Grayed);
    EXPECT_EQ(box.checkState(), Qt::PartiallyChecked);
    // The model turns a grey box checked, never into another state of Qt's own.
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_EQ(dialog.chkDigitize.value(), ui::Checked);
    EXPECT_EQ(box.checkState(), Qt::Checked);
  });
}

TEST_F(BindingTest, EnterPressesTheFocusedButtonAndNoOther) {
  std::vector<std::string> clicks;
  dialog.cmdConnect.onClick = [&] { clicks.push_back("connect"); };
  dialog.SSTab1.setTab(1);
  whileShown([] {
    auto& address = shownWidget<QLineEdit>("txtAddress");
    address.setFocus();
    QTest::keyClick(&address, Qt::Key_Return);
    auto& connect = shownWidget<QPushButton>("cmdConnect");
    connect.setFocus();
    QTest::keyClick(&connect, Qt::Key_Return);
  });
  EXPECT_EQ(clicks, (std::vector<std::string>{"connect"}));
}

}  // namespace
}  // namespace trv3
