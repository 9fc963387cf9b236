// The view of the discovery control on the connect dialog: the instruments found, with address,
// maker, model and whether they are supported (unsupported ones cannot be picked), the search's
// state, a button that searches again and a label naming the supported models.
#pragma once

#include <QWidget>

#include "platform/discovery/discovery_control.h"
#include "platform/ui/qt/user_action_guard.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace trv3::ui::qt {

class DiscoveryView : public QWidget {
 public:
  DiscoveryView(discovery::DiscoveryControl& control, UserActionGuard& guard, QWidget& parent);
  // Stops the search's calls into this view before it goes.
  ~DiscoveryView() override;

  // Column order of the list.
  enum Column { AddressColumn, MakerColumn, ModelColumn, SupportedColumn, ColumnCount };

 private:
  void changed(discovery::DiscoveryChange change);
  void showTexts();
  void showInstruments();
  void showSelection();
  void showSearchState();
  void showProperties();
  void userPicked();

  discovery::DiscoveryControl& control_;
  UserActionGuard& guard_;
  QTreeWidget* list_;
  QLabel* status_;
  QPushButton* searchAgain_;
  QLabel* supportedModels_;
  int listener_;
};

}  // namespace trv3::ui::qt
