// What the real dialogs need in a test: the Qt user interface off screen, the installed language
// components, a settings store of the test's own, instant pauses, and the instruments that the
// connect dialog's search finds (configured addresses only, so nothing leaves the machine).
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "platform/discovery/configured_address_source.h"
#include "platform/discovery/discovery_source.h"
#include "platform/language/language_catalog.h"
#include "platform/runtime/clock.h"
#include "qt/qt_display.h"
#include "shared/MGlobal.h"
#include "shared/MLocaleGen.h"
#include "support/temp_config_home.h"

namespace trv3::testing {

class DialogEnvironment {
 public:
  explicit DialogEnvironment(int32_t countryCode = 1) {
    language::setCatalogFolder(TRV3_LANGUAGE_CATALOG);
    MGlobal::state().setCountryCode(countryCode);
  }
  ~DialogEnvironment() {
    MLocaleGen::releaseLanguage();
    language::setCatalogFolder({});
  }
  DialogEnvironment(const DialogEnvironment&) = delete;
  DialogEnvironment& operator=(const DialogEnvironment&) = delete;

  SessionState& state = MGlobal::state();
  // The instruments at these addresses answer the connect dialog's search.
  std::vector<std::string> discoverable;

 private:
  TempConfigHome configHome_;
  RecordingClock clock_;
  ScopedClock scopedClock_{clock_};
  QtDisplay display_;
  discovery::ScopedDiscoverySources sources_{[this] {
    discovery::DiscoverySources sources;
    sources.push_back(std::make_unique<discovery::ConfiguredAddressSource>(discoverable));
    return sources;
  }};
};

// The user's clicks.
inline void click(const std::string& button) { QTest::mouseClick(&shownWidget<QPushButton>(button), Qt::LeftButton); }

// Opens the list and clicks the entry whose item data is `value`.
inline void pickEntryWithData(const std::string& list, int value) {
  auto& box = shownWidget<QComboBox>(list);
  const int index = box.findData(value);
  if (index < 0) {
    QStringList offered;
    for (int entry = 0; entry < box.count(); ++entry) offered << box.itemText(entry);
    throw std::logic_error(list + " offers no entry for " + std::to_string(value) + "; offered: " + offered.join(",").toStdString());
  }
  box.showPopup();
  QAbstractItemView& entries = *box.view();
  QTest::mouseClick(entries.viewport(), Qt::LeftButton, {}, entries.visualRect(entries.model()->index(index, 0)).center());
}

// Clicks the row of the found instrument at `address`.
inline void pickInstrument(const std::string& address) {
  auto& rows = shownWidget<QTreeWidget>("instruments");
  const auto found = rows.findItems(QString::fromStdString(address), Qt::MatchExactly, 0);
  if (found.isEmpty()) throw std::logic_error("the search did not find " + address);
  QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, rows.visualItemRect(found.front()).center());
}

}  // namespace trv3::testing
