// Keeps one widget in step with one control model for the life of a modal display: the model's
// changes reach the widget, and the widget's user actions reach the model through the guard.
#pragma once

#include <QMetaObject>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/qt/twips_scale.h"
#include "platform/ui/qt/user_action_guard.h"

namespace trv3::ui::qt {

// The language's font on a widget; a model font never set leaves the inherited one.
void applyModelFont(QWidget& widget, const Font& font);

class ControlBinding {
 public:
  ControlBinding(Control& control, QWidget& widget, UserActionGuard& guard);
  virtual ~ControlBinding();
  ControlBinding(const ControlBinding&) = delete;
  ControlBinding& operator=(const ControlBinding&) = delete;

  Control& control() const { return control_; }
  QWidget& widget() const { return widget_; }
  // The widget that holds the controls placed in this one (on tab page `tabPage` of a tab control).
  virtual QWidget& containerFor(int16_t tabPage);

  // Shows the whole model, then places the widget at its designed position.
  void start(const TwipsScale& scale);

 protected:
  // Brings the widget in line with one property of the model; properties the kind does not show
  // are ignored.
  virtual void refresh(Property property) = 0;
  // Connections from the widget's signals, cut when the binding ends.
  void listen(QMetaObject::Connection connection) { connections_.push_back(std::move(connection)); }
  UserActionGuard& guard() const { return guard_; }

 private:
  void changed(Property property);
  void place();

  Control& control_;
  QWidget& widget_;
  UserActionGuard& guard_;
  const TwipsScale* scale_ = nullptr;
  int listener_;
  std::vector<QMetaObject::Connection> connections_;
};

}  // namespace trv3::ui::qt
