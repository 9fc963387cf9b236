#include "platform/ui/qt/form_dialog.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <stdexcept>

#include "platform/ui/qt/control_bindings.h"

namespace trv3::ui::qt {

FormDialog::FormDialog(Form& form, TwipsScale scale)
    : form_(form), scale_(scale), listener_(form.changed.connect([this](Property property) { changed(property); })) {
  setObjectName(QString::fromStdString(form.name()));
  setWindowTitle(QString::fromStdString(form.caption()));
  applyModelFont(*this, form.font());
  setFixedSize(scale_.size(form.geometry().width, form.geometry().height.value_or(0)));
  for (const auto& control : form.controls()) bind(*control);
  showMousePointer(form.mousePointer());
}

FormDialog::~FormDialog() {
  form_.changed.disconnect(listener_);
  // The bindings go while their widgets still exist.
  bindings_.clear();
}

ControlBinding& FormDialog::bind(Control& control) {
  if (const auto found = bound_.find(&control); found != bound_.end()) return *found->second;
  QWidget& parent = control.container() ? bind(controlOnForm(*control.container())).containerFor(control.tabPage())
                                        : static_cast<QWidget&>(*this);
  auto binding = bindControl(control, parent, *this);
  binding->start(scale_);
  ControlBinding& added = *binding;
  bindings_.push_back(std::move(binding));
  bound_[&control] = &added;
  return added;
}

Control& FormDialog::controlOnForm(const Control& control) const {
  for (const auto& candidate : form_.controls())
    if (candidate.get() == &control) return *candidate;
  throw std::logic_error(control.name() + " holds controls of " + form_.name() + " but is not on it");
}

void FormDialog::runDisplay() {
  exec();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void FormDialog::showMousePointer(int16_t pointer) {
  if (pointer == Hourglass)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
}

void FormDialog::run(const std::function<void()>& action) {
  // Clicks and close requests that queued up while a handler held the thread (the pauses of the
  // activation, say) come after the one that ended the display: they belong to no display any more.
  if (ended_) return;
  try {
    action();
  } catch (...) {
    // The first error ends the display; what follows from the same action is its consequence.
    if (!error_) error_ = std::current_exception();
    end();
  }
}

void FormDialog::end() {
  ended_ = true;
  hide();
}

void FormDialog::changed(Property property) {
  switch (property) {
    case Property::Caption: setWindowTitle(QString::fromStdString(form_.caption())); break;
    case Property::Font: applyModelFont(*this, form_.font()); break;
    // Hidden or unloaded: the display ends. Shown again is a new display with a window of its own.
    case Property::Visibility:
      if (!form_.isVisible()) end();
      break;
    case Property::Focus: activateWindow(); break;
    // At once: the handler that asks for it goes on to block the thread.
    case Property::Repaint: repaint(); break;
    default: break;
  }
}

bool FormDialog::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) activateLater();
  return QDialog::event(event);
}

void FormDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  activateLater();
}

void FormDialog::activateLater() {
  if (activationPending_) QMetaObject::invokeMethod(this, [this] { activate(); }, Qt::QueuedConnection);
}

void FormDialog::activate() {
  // A display that ended before its window came up has nothing to activate.
  if (!activationPending_ || !isVisible()) return;
  activationPending_ = false;
  run([this] { form_.activated(); });
}

void FormDialog::closeEvent(QCloseEvent* event) {
  // Whether the window goes is the model's decision: it hides or unloads the form.
  event->ignore();
  run([this] { form_.userClose(); });
}

void FormDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (auto* button = qobject_cast<QPushButton*>(focusWidget()); enter && button) {
    button->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void FormDialog::reject() {
  if (CommandButton* cancel = form_.cancelButton()) run([cancel] { cancel->userClick(); });
}

}  // namespace trv3::ui::qt
