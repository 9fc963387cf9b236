// The add-in in a Qt host: the first dialog loads the Qt module found beside the add-in, and the
// set-up dialog is a real Qt window that the user can cancel.
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "addin/addin_fixture.h"
#include "platform/ui/qt_module.h"
#include "qt/qt_display.h"
#include "support/scoped_environment.h"

namespace trv3 {
namespace {

bool mapped(const std::string& fileName) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find(fileName) != std::string::npos) return true;
  return false;
}

class QtModule : public testing::RegisteredAddin {};

TEST_F(QtModule, TheFirstQtDialogLoadsTheModuleAndRunsInTheHostsApplication) {
  testing::ScopedEnvironment userInterface("TRV3_UI", "qt");
  const testing::Held<_CWaveForm> object = create();
  EXPECT_FALSE(mapped(ui::QtModuleFileName));
  bool shown = false;
  testing::duringDisplay([&] {
    shown = true;
    QTest::mouseClick(&testing::shownWidget<QPushButton>("cmdCancel"), Qt::LeftButton);
  });
  VARIANT wform{};
  double wTime = 0;
  EXPECT_EQ(object->lpVtbl->getWaveform(object.get(), &wform, &wTime), S_OK);
  int32_t result = 0;
  object->lpVtbl->get_WaveFormResult(object.get(), &result);
  EXPECT_TRUE(shown);
  EXPECT_EQ(result, 2);
  EXPECT_TRUE(mapped(ui::QtModuleFileName));
}

}  // namespace
}  // namespace trv3
