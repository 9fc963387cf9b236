#include "platform/ui/qt/qt_user_interface.h"

#include <QApplication>
#include <QFontInfo>
#include <QMessageBox>
#include <algorithm>
#include <utility>

#include "platform/ui/qt/display_check.h"
#include "platform/ui/qt/form_dialog.h"
#include "platform/ui/qt/twips_scale.h"
#include "platform/ui/qt/widget_application.h"

namespace trv3::ui::qt {
namespace {

// Message texts may break lines the Windows way.
QString withLineFeeds(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n");
  shown.replace('\r', '\n');
  return shown;
}

}  // namespace

void QtUserInterface::runModal(Form& form) {
  widgetApplication();
  FormDialog window(form, TwipsScale::ofPrimaryScreen());
  displays_.push_back(&window);
  struct Ended {
    std::vector<FormDialog*>& displays;
    ~Ended() { displays.pop_back(); }
  } ended{displays_};
  window.runDisplay();
}

void QtUserInterface::showMessage(const std::string& text, const std::string& title) {
  widgetApplication();
  // Over the innermost window still shown, or the screen's centre when none is.
  const auto shown = std::find_if(displays_.rbegin(), displays_.rend(), [](FormDialog* window) { return window->isVisible(); });
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), withLineFeeds(text), QMessageBox::Ok,
                  shown == displays_.rend() ? nullptr : *shown);
  // Message texts are plain: an instrument's reply may contain '<'.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::string QtUserInterface::resolveFontFamily(const std::string& name) {
  widgetApplication();
  return QFontInfo(QFont(QString::fromStdString(name))).family().toStdString();
}

void QtUserInterface::showMousePointer(const Form& form, int16_t pointer) {
  for (FormDialog* window : displays_)
    if (&window->form() == &form) window->showMousePointer(pointer);
}

std::unique_ptr<UserInterface> createQtUserInterface(std::string& whyNot) {
  if (std::optional<std::string> why = whyNoDisplay()) {
    whyNot = std::move(*why);
    return nullptr;
  }
  return std::make_unique<QtUserInterface>();
}

}  // namespace trv3::ui::qt
