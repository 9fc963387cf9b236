#include "platform/ui/qt/display_check.h"

#include <QCoreApplication>
#include <cstdlib>
#include <string_view>

#include <xcb/xcb.h>

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
  if (QCoreApplication::instance()) return true;  // the host runs Qt already
  const std::string_view platform = environment("QT_QPA_PLATFORM");
  if (!platform.empty() && !platform.starts_with("xcb")) return true;  // offscreen, wayland, ...
  if (platform.empty() && !environment("WAYLAND_DISPLAY").empty()) return true;
  return !environment("DISPLAY").empty() && x11DisplayAnswers();
}

}  // namespace trv3::ui::qt
