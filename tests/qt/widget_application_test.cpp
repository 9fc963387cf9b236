// The Qt application that the add-in brings into a host without one.
#include "platform/ui/qt/widget_application.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <clocale>

#include "support/comma_decimal_locale.h"
#include "support/scoped_environment.h"

namespace trv3 {
namespace {

// A host that chose the C locale keeps it, whatever locale its user has.
TEST(WidgetApplication, TheHostKeepsItsLocale) {
  // Only the creation of the application sets the locale: ctest runs each test in a process of its
  // own, where this one makes it.
  if (QCoreApplication::instance()) GTEST_SKIP() << "an earlier test of this process made the application";
  testing::CommaDecimalLocale comma;
  testing::ScopedEnvironment user("LC_ALL", testing::CommaDecimalLocale::Name);
  std::setlocale(LC_ALL, "C");
  ui::qt::widgetApplication();
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
}  // namespace trv3
