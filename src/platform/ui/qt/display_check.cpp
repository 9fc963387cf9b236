#include "platform/ui/qt/display_check.h"

#include <QGuiApplication>
#include <cstdlib>
#include <string_view>

#include <xcb/xcb.h>

#include "platform/runtime/conversions.h"
#include "platform/ui/user_interface.h"

namespace trv3::ui::qt {
namespace {

std::string_view environment(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

bool x11DisplayAnswers() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool connected = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return connected;
}

}  // namespace

bool displayAvailable() {
  // A host that runs Qt already has its platform; one that draws off screen shows nobody a dialog.
  if (QCoreApplication::instance()) {
    const QString platform = QGuiApplication::platformName().toLower();
    return platform != "offscreen" && !platform.startsWith("minimal");
  }
  if (!screenAvailable(std::getenv)) return false;
  // A stale DISPLAY would make Qt end the process as the dialog opens: X11 is probed by connecting,
  // Wayland (tried first without a platform named) by its socket.
  const std::string platform = toLowerAscii(environment("QT_QPA_PLATFORM"));
  const bool x11 = platform.empty() ? !waylandSocketPresent(std::getenv) : platform.starts_with("xcb");
  return !x11 || x11DisplayAnswers();
}

}  // namespace trv3::ui::qt
