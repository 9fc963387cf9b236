// Renders the set-up and connect dialogs, in English and German, with an instrument and without,
// to PNG files: into the folder TRV3_SCREENSHOT_DIR names (the target `screenshots` names
// docs/screenshots), else into the build folder. Each picture is the window with a title bar.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

#include "dialogs/FConnect.h"
#include "dialogs/Fsetup.h"
#include "qt/dialog_environment.h"
#include "support/simulator_process.h"

namespace trv3 {
namespace {

using testing::click;
using testing::duringDisplay;
using testing::pickInstrument;
using testing::shownWindow;

QString screenshotFolder() {
  const char* folder = std::getenv("TRV3_SCREENSHOT_DIR");
  return QString::fromUtf8(folder && *folder ? folder : TRV3_DEFAULT_SCREENSHOT_DIR);
}

// The window's client area under a title bar drawn by the style, as a window manager would frame it.
QImage framed(QWidget& window) {
  QStyleOptionTitleBar bar;
  bar.initFrom(&window);
  bar.text = window.windowTitle();
  bar.state |= QStyle::State_Active;
  bar.titleBarState = Qt::WindowActive;
  bar.titleBarFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  bar.subControls = QStyle::SC_TitleBarLabel | QStyle::SC_TitleBarCloseButton;
  const int barHeight = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, &bar, &window);
  bar.rect = QRect(0, 0, window.width(), barHeight);

  QImage image(window.width(), barHeight + window.height(), QImage::Format_ARGB32);
  image.fill(window.palette().color(QPalette::Window));
  QPainter painter(&image);
  window.style()->drawComplexControl(QStyle::CC_TitleBar, &bar, &painter, &window);
  painter.drawPixmap(0, barHeight, window.grab());
  return image;
}

void saveShownWindow(const QString& name) {
  QWidget& window = shownWindow();
  const QImage image = framed(window);
  EXPECT_GT(image.height(), window.height());
  QDir().mkpath(screenshotFolder());
  EXPECT_TRUE(image.save(screenshotFolder() + "/" + name + ".png")) << name.toStdString();
}

struct Language {
  int32_t countryCode;
  const char* name;
};
void PrintTo(const Language& language, std::ostream* out) { *out << language.name; }

class ScreenshotTest : public ::testing::TestWithParam<Language> {
 protected:
  QString fileName(const char* picture) const { return QString("%1-%2").arg(picture, GetParam().name); }

  // Pictures a fresh set-up dialog for the remembered address; whether it opened the instrument.
  bool pictureSetupDialog(const std::string& address, const char* picture) {
    environment.state.setInstrumentAddress(address);
    auto dialog = std::make_unique<Fsetup>();
    duringDisplay([&] {
      saveShownWindow(fileName(picture));
      click("cmdCancel");
    });
    dialog->form.showModal();
    const bool connected = dialog->device() != nullptr;
    dialog->form.unload();
    return connected;
  }

  // Pictures the connect dialog once its search has ended, with `pick` picked when given.
  void pictureConnectDialog(const char* picture, int found, const std::string& pick = {}) {
    auto dialog = std::make_unique<FConnect>();
    const discovery::DiscoveryControl& control = dialog->VlmDiscoveryCtl1.control();
    duringDisplay([&] {
      EXPECT_TRUE(QTest::qWaitFor([&] { return !control.busy(); }, 10000));
      EXPECT_EQ(testing::shownWidget<QTreeWidget>("instruments").topLevelItemCount(), found);
      if (!pick.empty()) pickInstrument(pick);
      saveShownWindow(fileName(picture));
      click("cmdCancel");
    });
    dialog->form.showModal();
  }

  test::SimulatorProcess scope{{"--model", "TRV30K4A"}};
  testing::DialogEnvironment environment{GetParam().countryCode};
};

TEST_P(ScreenshotTest, SetupDialogWithAnInstrument) {
  EXPECT_TRUE(pictureSetupDialog(scope.socketResource(), "setup-connected"));
}

TEST_P(ScreenshotTest, SetupDialogWithoutAnInstrument) { EXPECT_FALSE(pictureSetupDialog("", "setup-no-instrument")); }

TEST_P(ScreenshotTest, ConnectDialogWithInstrumentsFound) {
  // A legacy model beside the supported one: listed, but not to be picked.
  test::SimulatorProcess legacy{{"--model", "LX280"}};
  environment.discoverable = {scope.socketResource(), legacy.socketResource()};
  pictureConnectDialog("connect-found", 2, scope.socketResource());
}

TEST_P(ScreenshotTest, ConnectDialogWithNothingFound) { pictureConnectDialog("connect-none", 0); }

INSTANTIATE_TEST_SUITE_P(Languages, ScreenshotTest,
                         ::testing::Values(Language{1, "english"}, Language{49, "german"}),
                         [](const auto& language) { return std::string(language.param.name); });

}  // namespace
}  // namespace trv3
