// Modal displays on Qt: how they end, nest, activate and report errors.
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <clocale>
#include <string>
#include <vector>

#include "dialogs/FsetupForm.h"
#include "platform/runtime/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/qt/widget_application.h"
#include "qt/qt_display.h"
#include "runtime_error_matchers.h"
#include "support/comma_decimal_locale.h"
#include "support/scoped_environment.h"

namespace trv3 {
namespace {

using testing::duringDisplay;
using testing::shownWidget;
using testing::shownWindow;

// A second dialog with one button, standing in for the connect dialog.
struct PickerForm {
  PickerForm() { form.setCancelButton(cmdClose); }
  ui::Form form{"frmPicker", "Pick", std::nullopt, 3000, 1500};
  ui::CommandButton& cmdClose = form.add<ui::CommandButton>("cmdClose", ui::Twips{120, 120, 1695, 495}, "&Close", std::nullopt);
};

void click(const std::string& button) { QTest::mouseClick(&shownWidget<QPushButton>(button), Qt::LeftButton); }

class ModalDisplayTest : public ::testing::Test {
 protected:
  bool anyWindowShown() const {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->isVisible()) return true;
    return false;
  }

  testing::QtDisplay display;
  FsetupForm setup;
};

TEST_F(ModalDisplayTest, CreatesTheApplicationOnThisThreadWhenTheHostHasNone) {
  EXPECT_EQ(display.userInterface.resolveFontFamily("DejaVu Sans"), "DejaVu Sans");
  auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(application->thread(), QThread::currentThread());
}

TEST_F(ModalDisplayTest, HideEndsTheDisplayAndKeepsTheForm) {
  setup.cmdOK.onClick = [this] { setup.form.hide(); };
  duringDisplay([] { click("cmdOK"); });
  setup.form.showModal();
  EXPECT_TRUE(setup.form.isLoaded());
  EXPECT_FALSE(setup.form.isVisible());
  EXPECT_FALSE(anyWindowShown());

  // The kept form can be shown again.
  duringDisplay([] { click("cmdOK"); });
  setup.form.showModal();
  EXPECT_FALSE(anyWindowShown());
}

TEST_F(ModalDisplayTest, WindowCloseIsTheFormsCloseCommand) {
  int unloads = 0;
  setup.form.onUnload = [&] { ++unloads; };
  duringDisplay([] { shownWindow().close(); });
  setup.form.showModal();
  EXPECT_FALSE(setup.form.isLoaded());
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(anyWindowShown());
}

TEST_F(ModalDisplayTest, EscapePressesTheCancelButton) {
  int cancels = 0;
  setup.cmdCancel.onClick = [&] {
    ++cancels;
    setup.form.hide();
  };
  duringDisplay([] { QTest::keyClick(&shownWindow(), Qt::Key_Escape); });
  setup.form.showModal();
  EXPECT_EQ(cancels, 1);
  EXPECT_TRUE(setup.form.isLoaded());
}

// A user who clicks on while a handler holds the thread: Qt then hands over the queued actions one
// after the other, and the one that ends the display is the last the form hears of.
TEST_F(ModalDisplayTest, ActionsBehindTheOneThatEndsTheDisplayAreDropped) {
  using Action = void (*)(QWidget& window, QPushButton& ok, QPushButton& cancel);
  const Action clickOk = [](QWidget&, QPushButton& ok, QPushButton&) { QTest::mouseClick(&ok, Qt::LeftButton); };
  const struct {
    const char* queued;
    Action first, second;
    const char* heard;
  } cases[] = {
      {"Cancel, OK", [](QWidget&, QPushButton&, QPushButton& cancel) { QTest::mouseClick(&cancel, Qt::LeftButton); },
       clickOk, "cancel"},
      {"OK, window close", clickOk, [](QWidget& window, QPushButton&, QPushButton&) { window.close(); }, "ok"},
      {"Escape, OK", [](QWidget& window, QPushButton&, QPushButton&) { QTest::keyClick(&window, Qt::Key_Escape); },
       clickOk, "cancel"},
  };
  for (const auto& c : cases) {
    std::string heard;
    setup.cmdOK.onClick = [&] { heard += "ok", setup.form.hide(); };
    setup.cmdCancel.onClick = [&] { heard += "cancel", setup.form.hide(); };
    setup.form.onUnload = [&] { heard += "unload"; };
    duringDisplay([&] {
      QWidget& window = shownWindow();
      auto& ok = shownWidget<QPushButton>("cmdOK");
      auto& cancel = shownWidget<QPushButton>("cmdCancel");
      c.first(window, ok, cancel);
      c.second(window, ok, cancel);
    });
    setup.form.showModal();
    EXPECT_EQ(heard, c.heard) << c.queued;
    EXPECT_FALSE(anyWindowShown()) << c.queued;
  }
}

TEST_F(ModalDisplayTest, ActivatesOncePerDisplayEvenAfterAMessageBox) {
  int activations = 0;
  setup.form.onActivate = [&] { ++activations; };
  setup.cmdOK.onClick = [this] { setup.form.hide(); };
  testing::SeenMessage seen;
  duringDisplay([&] {
    testing::answerNextMessage(seen);
    ui::showMessage("Unable to communicate with instrument");
    // The window becomes active again, and what that queues is delivered while it is shown.
    shownWindow().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&shownWindow()));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(activations, 1);
    click("cmdOK");
  });
  setup.form.showModal();
  EXPECT_EQ(activations, 1);
}

TEST_F(ModalDisplayTest, AnActivationThatUnloadsEndsTheDisplay) {
  setup.form.onActivate = [this] { setup.form.unload(); };
  setup.form.showModal();
  EXPECT_FALSE(setup.form.isLoaded());
  EXPECT_FALSE(anyWindowShown());
}

TEST_F(ModalDisplayTest, NestedDisplaysReturnInnermostFirst) {
  PickerForm picker;
  std::vector<std::string> log;
  setup.form.onActivate = [&] { log.push_back("setup activated"); };
  picker.form.onActivate = [&] { log.push_back("picker activated"); };
  picker.cmdClose.onClick = [&] { picker.form.unload(); };
  setup.cmdOK.onClick = [&] { setup.form.hide(); };
  // As the Connect button does: hide, show the picker, then show the set-up dialog again.
  setup.cmdConnect.onClick = [&] {
    setup.form.hide();
    duringDisplay([] { click("cmdClose"); });
    picker.form.showModal();
    log.push_back("picker returned");
    duringDisplay([] { click("cmdOK"); });
    setup.form.showModal();
    log.push_back("setup shown again returned");
  };
  setup.SSTab1.setTab(1);
  duringDisplay([] { click("cmdConnect"); });
  setup.form.showModal();
  log.push_back("first display returned");

  EXPECT_EQ(log, (std::vector<std::string>{"setup activated", "picker activated", "picker returned", "setup activated",
                                           "setup shown again returned", "first display returned"}));
  EXPECT_FALSE(picker.form.isLoaded());
  EXPECT_TRUE(setup.form.isLoaded());
  EXPECT_FALSE(anyWindowShown());
}

TEST_F(ModalDisplayTest, AHandlersErrorEndsTheDisplayAndReachesTheCaller) {
  setup.cmdOK.onClick = [] { raise(rt::ObjectErrorBase + 7, "handler failed", "test"); };
  duringDisplay([] { click("cmdOK"); });
  EXPECT_EQ(testing::errorNumberOf([&] { setup.form.showModal(); }), rt::ObjectErrorBase + 7);
  EXPECT_FALSE(anyWindowShown());
}

TEST_F(ModalDisplayTest, AnErrorInANestedDisplayEndsEveryDisplayUpToTheCaller) {
  PickerForm picker;
  picker.cmdClose.onClick = [] { raise(rt::InvalidProcedureCall); };
  bool connectFinished = false;
  setup.cmdConnect.onClick = [&] {
    setup.form.hide();
    duringDisplay([] { click("cmdClose"); });
    picker.form.showModal();
    connectFinished = true;
  };
  setup.SSTab1.setTab(1);
  duringDisplay([] { click("cmdConnect"); });
  EXPECT_EQ(testing::errorNumberOf([&] { setup.form.showModal(); }), rt::InvalidProcedureCall);
  EXPECT_FALSE(connectFinished);
  EXPECT_FALSE(anyWindowShown());
}

TEST_F(ModalDisplayTest, HourglassFollowsTheFormsPointer) {
  setup.cmdOK.onClick = [this] { setup.form.hide(); };
  duringDisplay([this] {
    setup.form.setMousePointer(ui::Hourglass);
    EXPECT_EQ(shownWindow().cursor().shape(), Qt::WaitCursor);
    setup.form.setMousePointer(ui::DefaultPointer);
    EXPECT_NE(shownWindow().cursor().shape(), Qt::WaitCursor);
    click("cmdOK");
  });
  setup.form.showModal();
}

TEST_F(ModalDisplayTest, MessageBoxHasTheComponentsTitleAndOnlyOk) {
  testing::SeenMessage seen;
  testing::answerNextMessage(seen);
  ui::showMessage("first line\r\nsecond line");
  EXPECT_EQ(seen.title, "vlmWFRM_TRV3");
  EXPECT_EQ(seen.text, "first line\nsecond line");
  EXPECT_EQ(seen.buttons, 1);
}

TEST_F(ModalDisplayTest, FontNamesResolveToTheFamilyReallyDrawn) {
  ui::qt::QtUserInterface& qt = display.userInterface;
  EXPECT_EQ(qt.resolveFontFamily("DejaVu Sans"), "DejaVu Sans");
  // Another spelling, or a font the system lacks, reads back as what is drawn instead.
  EXPECT_EQ(qt.resolveFontFamily("dejavu sans"), "DejaVu Sans");
  const std::string substitute = qt.resolveFontFamily("No Such Font Family");
  EXPECT_NE(substitute, "No Such Font Family");
  EXPECT_FALSE(substitute.empty());
}

// A host that chose the C locale keeps it, whatever its user's is: only the creation of the
// application would change it, and ctest runs each test in a process of its own, where this one
// makes it.
TEST(WidgetApplication, TheHostKeepsItsLocale) {
  if (QCoreApplication::instance()) GTEST_SKIP() << "an earlier test of this process made the application";
  testing::CommaDecimalLocale comma;
  testing::ScopedEnvironment user("LC_ALL", testing::CommaDecimalLocale::Name);
  std::setlocale(LC_ALL, "C");
  ui::qt::widgetApplication();
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
}  // namespace trv3
