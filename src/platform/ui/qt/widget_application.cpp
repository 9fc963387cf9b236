#include "platform/ui/qt/widget_application.h"

#include <QApplication>
#include <QThread>
#include <clocale>
#include <mutex>
#include <string>

#include "platform/runtime/errors.h"

namespace trv3::ui::qt {
namespace {

// The run-time's number for a component that cannot create the object it needs.
constexpr int32_t CannotCreateObject = 429;

// Each apartment of a host shows dialogs of its own, and two may reach for the application at
// once: a process holds one, so looking for it and making it are one step.
std::mutex applicationMutex;

}  // namespace

QCoreApplication* existingApplication() {
  std::lock_guard lock(applicationMutex);
  return QCoreApplication::instance();
}

QApplication& widgetApplication() {
  std::lock_guard lock(applicationMutex);
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    auto* application = qobject_cast<QApplication*>(existing);
    if (!application) raise(CannotCreateObject, "The host's Qt application cannot show widgets");
    if (application->thread() != QThread::currentThread())
      raise(CannotCreateObject, "The host's Qt application runs on another thread");
    return *application;
  }
  // Qt keeps referring to argc and argv, and a process has one application for good: the host may
  // call again at any time, and destroying it from a library at exit would outlive Qt's own state.
  static int argc = 1;
  static char programName[] = "vlmWFRM_TRV3";
  static char* argv[] = {programName, nullptr};
  // Qt sets the user's locale for the whole process as its application starts; the host keeps the
  // one it chose for its own printf and strtod. Qt formats with its own locale data.
  const std::string hostLocale = std::setlocale(LC_ALL, nullptr);
  auto* application = new QApplication(argc, argv);
  std::setlocale(LC_ALL, hostLocale.c_str());
  return *application;
}

}  // namespace trv3::ui::qt
