// The Qt user interface installed for one test, and ways to act inside a modal display the way a
// user would: every step runs from the display's own event loop.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

#include "platform/ui/qt/qt_user_interface.h"
#include "platform/ui/user_interface.h"

namespace trv3::testing {

class QtDisplay {
 public:
  ui::qt::QtUserInterface userInterface;

 private:
  ui::ScopedUserInterface installed_{userInterface};
};

// Runs `steps` inside the next modal display, once its window is shown and has been activated.
// Steps that cannot go on fail the test and close the innermost window, so no display is left
// waiting.
inline void duringDisplay(std::function<void()> steps) {
  const auto guarded = [steps = std::move(steps)] {
    try {
      steps();
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();
      if (QWidget* window = QApplication::activeModalWidget()) window->close();
    }
  };
  // Queued from the display's loop, behind the activation that the window's show queued.
  QTimer::singleShot(0, [guarded] { QTimer::singleShot(0, guarded); });
}

// The window of the innermost modal display.
inline QWidget& shownWindow() {
  QWidget* window = QApplication::activeModalWidget();
  if (!window) throw std::logic_error("no modal window is shown");
  return *window;
}

// A widget of the innermost modal display by its control's name.
template <class W>
W& shownWidget(const std::string& name) {
  QWidget& window = shownWindow();
  W* widget = window.findChild<W*>(QString::fromStdString(name));
  if (!widget) {
    std::string shown = window.windowTitle().toStdString();
    if (auto* box = qobject_cast<QMessageBox*>(&window)) shown += " saying " + box->text().toStdString();
    throw std::logic_error("no widget " + name + " in the window " + shown);
  }
  return *widget;
}

// Presses OK on the message box that the next display of one shows, and hands over its parts.
struct SeenMessage {
  QString title;
  QString text;
  int buttons = 0;
};
inline void answerNextMessage(SeenMessage& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      ADD_FAILURE() << "no message box is shown";
      return;
    }
    seen = {box->windowTitle(), box->text(), static_cast<int>(box->buttons().size())};
    box->button(QMessageBox::Ok)->click();
  });
}

}  // namespace trv3::testing
