#include "platform/ui/qt/display_check.h"

#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <xcb/xcb.h>

#include "platform/runtime/conversions.h"
#include "platform/ui/user_interface.h"

namespace trv3::ui::qt {
namespace {

std::string_view environment(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

// The platforms Qt tries, in its own order: those QT_QPA_PLATFORM names, else the session's
// (Wayland, except under GNOME) with X11 after it, else X11.
std::vector<std::string> platformsQtTries() {
  const std::string named = toLowerAscii(environment("QT_QPA_PLATFORM"));
  if (named.empty()) {
    const std::string desktops =
        toLowerAscii(environment("XDG_CURRENT_DESKTOP")) + toLowerAscii(environment("XDG_SESSION_DESKTOP"));
    const bool waylandSession = toLowerAscii(environment("XDG_SESSION_TYPE")) == "wayland" &&
                                desktops.find("gnome") == std::string::npos;
    return waylandSession ? std::vector<std::string>{"wayland", "xcb"} : std::vector<std::string>{"xcb"};
  }
  std::vector<std::string> platforms;
  for (size_t start = 0; start <= named.size();) {
    const size_t end = std::min(named.find(';', start), named.size());
    const std::string entry = named.substr(start, end - start);
    platforms.push_back(entry.substr(0, entry.find(':')));  // "name:option=value,..."
    start = end + 1;
  }
  return platforms;
}

// Whether a platform plugin whose file name starts so is installed where Qt looks for it.
bool platformPluginInstalled(const QString& family) {
  QStringList folders{QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms"};
  for (const QString& folder : qEnvironmentVariable("QT_PLUGIN_PATH").split(':', Qt::SkipEmptyParts))
    folders << folder + "/platforms";
  folders << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  const QStringList pattern{"libq" + family + "*.so"};
  return std::any_of(folders.begin(), folders.end(), [&](const QString& folder) {
    return !folder.isEmpty() && !QDir(folder).entryList(pattern, QDir::Files).isEmpty();
  });
}

bool x11DisplayAnswers() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool connected = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return connected;
}

// Qt goes on to the next platform when one cannot start, and ends the process when none can.
bool platformCanStart(const std::string& name) {
  // Platforms that draw nowhere show nobody a dialog.
  if (name.empty() || name == "offscreen" || name.starts_with("minimal")) return false;
  if (name.starts_with("wayland"))
    return platformPluginInstalled("wayland") && waylandSocketPresent(std::getenv);
  if (!platformPluginInstalled(QString::fromStdString(name))) return false;
  // The others find their screens themselves.
  return name != "xcb" || x11DisplayAnswers();
}

}  // namespace

bool displayAvailable() {
  // A host that runs Qt already has its platform; one that draws off screen shows nobody a dialog.
  if (QCoreApplication::instance()) {
    const QString platform = QGuiApplication::platformName().toLower();
    return platform != "offscreen" && !platform.startsWith("minimal");
  }
  if (!screenAvailable(std::getenv)) return false;
  const std::vector<std::string> platforms = platformsQtTries();
  return std::any_of(platforms.begin(), platforms.end(), platformCanStart);
}

}  // namespace trv3::ui::qt
