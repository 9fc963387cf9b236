// A host that runs a Qt application of its own: the dialogs use it instead of making one.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

#include "dialogs/FsetupForm.h"
#include "platform/ui/qt/widget_application.h"
#include "qt/qt_display.h"
#include "runtime_error_matchers.h"

namespace trv3 {
namespace {

TEST(HostApplication, DialogsRunInTheHostsApplication) {
  QCoreApplication* host = QCoreApplication::instance();
  testing::QtDisplay display;
  FsetupForm setup;
  setup.cmdOK.onClick = [&] { setup.form.hide(); };
  testing::duringDisplay([] { QTest::mouseClick(&testing::shownWidget<QPushButton>("cmdOK"), Qt::LeftButton); });
  setup.form.showModal();
  EXPECT_FALSE(setup.form.isVisible());
  EXPECT_EQ(QCoreApplication::instance(), host);
  EXPECT_EQ(&ui::qt::widgetApplication(), host);
}

TEST(HostApplication, ThreadsOtherThanTheApplicationsAreRefused) {
  int32_t number = 0;
  std::thread other([&] { number = testing::errorNumberOf([] { ui::qt::widgetApplication(); }); });
  other.join();
  EXPECT_EQ(number, 429);
}

}  // namespace
}  // namespace trv3
