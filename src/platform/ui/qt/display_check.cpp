#include "platform/ui/qt/display_check.h"

#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <xcb/xcb.h>

#include "platform/runtime/conversions.h"
#include "platform/ui/qt/widget_application.h"
#include "platform/ui/user_interface.h"

namespace trv3::ui::qt {
namespace {

// A local X server answers its connection at once; a remote one within a round trip or two.
constexpr std::chrono::seconds kX11AnswerTime{3};

std::string_view environment(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? value : "";
}

// The platforms Qt tries, in its own order: those QT_QPA_PLATFORM names, else the session's
// (Wayland, except under GNOME) with X11 after it, else X11.
std::vector<std::string> platformsQtTries() {
  std::vector<std::string> named = namedQtPlatforms(std::getenv);
  if (!named.empty()) return named;
  const std::string desktops =
      toLowerAscii(environment("XDG_CURRENT_DESKTOP")) + toLowerAscii(environment("XDG_SESSION_DESKTOP"));
  const bool waylandSession = toLowerAscii(environment("XDG_SESSION_TYPE")) == "wayland" &&
                              desktops.find("gnome") == std::string::npos;
  return waylandSession ? std::vector<std::string>{"wayland", "xcb"} : std::vector<std::string>{"xcb"};
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

enum class X11Display { Answers, Fails, Silent };

// A server that accepts the connection and never answers would hold xcb_connect, and the host,
// forever: the probe runs on a thread of its own, which is left to end by itself past the bound.
X11Display probeX11Display() {
  auto answered = std::make_shared<std::promise<bool>>();
  std::future<bool> answer = answered->get_future();
  std::thread([answered] {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    answered->set_value(connected);
  }).detach();
  if (answer.wait_for(kX11AnswerTime) != std::future_status::ready) return X11Display::Silent;
  return answer.get() ? X11Display::Answers : X11Display::Fails;
}

}  // namespace

std::optional<std::string> whyNoDisplay() {
  // A host that runs Qt already has its platform; one that draws off screen shows nobody a dialog.
  if (existingApplication()) {
    const std::string platform = toLowerAscii(QGuiApplication::platformName().toStdString());
    if (drawsNowhere(platform))
      return "the host's Qt application draws on no screen (platform " + platform + ")";
    return std::nullopt;
  }
  if (!screenAvailable(std::getenv)) {
    if (environment("QT_QPA_PLATFORM").empty()) return "no DISPLAY and no Wayland compositor's socket";
    return "no screen for QT_QPA_PLATFORM=" + std::string(environment("QT_QPA_PLATFORM"));
  }
  // X11 or Wayland without a display fails and passes on, as does a platform whose plugin is
  // missing; any other platform would start (or end the host) drawing nowhere or on a screen that
  // cannot be checked. Each platform tried adds why it cannot show the dialog.
  std::string why;
  const auto cannot = [&why](const std::string& reason) {
    why += (why.empty() ? "" : "; ") + reason;
  };
  const auto pluginMissing = [&](const std::string& name) {
    if (platformPluginInstalled(QString::fromStdString(name))) return false;
    cannot("Qt's " + name + " platform plugin is not installed");
    return true;
  };
  const bool shows = firstStartingPlatformShows(platformsQtTries(), [&](const std::string& name) {
    if (name.starts_with("wayland")) {
      if (pluginMissing("wayland")) return PlatformStart::PassesOn;
      if (waylandSocketPresent(std::getenv)) return PlatformStart::Shows;
      cannot("no Wayland compositor's socket");
      return PlatformStart::PassesOn;
    }
    if (name == "xcb") {
      if (pluginMissing("xcb")) return PlatformStart::PassesOn;
      const std::string display =
          environment("DISPLAY").empty() ? "(DISPLAY not set)" : std::string(environment("DISPLAY"));
      switch (probeX11Display()) {
        case X11Display::Answers: return PlatformStart::Shows;
        case X11Display::Fails:
          cannot("the X display " + display + " cannot be reached");
          return PlatformStart::PassesOn;
        case X11Display::Silent:  // Qt would wait on it for ever
          cannot("the X display " + display + " does not answer");
          return PlatformStart::TakenUnseen;
      }
    }
    if (pluginMissing(name)) return PlatformStart::PassesOn;
    cannot("the Qt platform " + name + " cannot be checked for a screen");
    return PlatformStart::TakenUnseen;
  });
  if (shows) return std::nullopt;
  return why.empty() ? "no Qt platform to try" : why;
}

}  // namespace trv3::ui::qt
