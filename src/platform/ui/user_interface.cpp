#include "platform/ui/user_interface.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "platform/runtime/conversions.h"
#include "platform/ui/script_user_interface.h"

namespace trv3::ui {
namespace {

std::mutex registryMutex;
std::map<std::string, UserInterfaceFactory>& registry() {
  static std::map<std::string, UserInterfaceFactory> factories;
  return factories;
}

thread_local UserInterface* installed = nullptr;
thread_local std::unique_ptr<UserInterface> product;

bool isSet(const EnvironmentLookup& environment, const char* variable) {
  const char* value = environment(variable);
  return value != nullptr && *value != '\0';
}

// The one line that says why the dialog is played by the script backend, and what that means.
void tellScriptBackendUsed(std::ostream& notices, const std::string& why, bool scripted) {
  notices << "trv3: " << why << "; using the script backend"
          << (scripted ? "" : ", which cancels the dialog: no script (TRV3_UI_SCRIPT) confirms it") << "\n";
}

}  // namespace

UserInterface& currentUserInterface() {
  if (installed) return *installed;
  if (!product) product = userInterfaceFor([](const char* variable) { return std::getenv(variable); }, std::cerr);
  return *product;
}

ScopedUserInterface::ScopedUserInterface(UserInterface& userInterface) : previous_(installed) {
  installed = &userInterface;
}

ScopedUserInterface::~ScopedUserInterface() { installed = previous_; }

void showMessage(const std::string& text) { currentUserInterface().showMessage(text, DefaultMessageTitle); }

void registerUserInterface(const std::string& name, UserInterfaceFactory factory) {
  std::lock_guard lock(registryMutex);
  registry()[name] = std::move(factory);
}

bool waylandSocketPresent(const EnvironmentLookup& environment) {
  std::filesystem::path socket = isSet(environment, "WAYLAND_DISPLAY") ? environment("WAYLAND_DISPLAY") : "wayland-0";
  if (socket.is_relative()) {
    if (!isSet(environment, "XDG_RUNTIME_DIR")) return false;
    socket = std::filesystem::path(environment("XDG_RUNTIME_DIR")) / socket;
  }
  std::error_code error;
  return std::filesystem::is_socket(socket, error);
}

std::vector<std::string> namedQtPlatforms(const EnvironmentLookup& environment) {
  const std::string_view platforms = isSet(environment, "QT_QPA_PLATFORM") ? environment("QT_QPA_PLATFORM") : "";
  std::vector<std::string> names;
  for (size_t start = 0; start < platforms.size();) {
    const size_t end = std::min(platforms.find(';', start), platforms.size());
    const std::string_view entry = platforms.substr(start, end - start);
    names.push_back(toLowerAscii(entry.substr(0, entry.find(':'))));
    start = end + 1;
  }
  return names;
}

bool drawsNowhere(std::string_view platform) {
  return platform == "offscreen" || platform.starts_with("minimal");
}

bool screenAvailable(const EnvironmentLookup& environment) {
  if (!isSet(environment, "QT_QPA_PLATFORM"))
    return isSet(environment, "DISPLAY") || (isSet(environment, "WAYLAND_DISPLAY") && waylandSocketPresent(environment));
  return firstStartingPlatformShows(namedQtPlatforms(environment), [&](const std::string& name) {
    if (name == "xcb") return isSet(environment, "DISPLAY") ? PlatformStart::Shows : PlatformStart::PassesOn;
    if (name.starts_with("wayland"))
      return waylandSocketPresent(environment) ? PlatformStart::Shows : PlatformStart::PassesOn;
    return PlatformStart::TakenUnseen;
  });
}

bool firstStartingPlatformShows(const std::vector<std::string>& platforms,
                                const std::function<PlatformStart(const std::string& name)>& start) {
  for (const std::string& name : platforms) {
    if (name.empty()) continue;
    const PlatformStart outcome = start(name);
    if (outcome != PlatformStart::PassesOn) return outcome == PlatformStart::Shows;
  }
  return false;
}

std::string requestedUserInterface(const EnvironmentLookup& environment) {
  if (isSet(environment, "TRV3_UI")) return environment("TRV3_UI");
  return screenAvailable(environment) ? "qt" : "script";
}

std::unique_ptr<UserInterface> createUserInterface(const std::string& name, std::ostream& notices) {
  if (name != "script") {
    UserInterfaceFactory factory;
    {
      std::lock_guard lock(registryMutex);
      if (auto found = registry().find(name); found != registry().end()) factory = found->second;
    }
    // A factory gives nothing when its toolkit cannot work here (no reachable display). Why it
    // could not load its toolkit goes into the one notice.
    std::string why;
    try {
      if (factory)
        if (auto userInterface = factory()) return userInterface;
    } catch (const std::runtime_error& failure) {
      why = std::string(" (") + failure.what() + ")";
    }
    tellScriptBackendUsed(notices, "user interface \"" + name + "\" is not available" + why,
                          isSet(std::getenv, "TRV3_UI_SCRIPT"));
  }
  return ScriptUserInterface::fromEnvironment(notices);
}

std::unique_ptr<UserInterface> userInterfaceFor(const EnvironmentLookup& environment, std::ostream& notices) {
  const std::string name = requestedUserInterface(environment);
  // Chosen for want of a screen, by no one: the user would otherwise see no dialog and get no
  // waveform without a word.
  if (name == "script" && !isSet(environment, "TRV3_UI") && !isSet(environment, "TRV3_UI_SCRIPT"))
    tellScriptBackendUsed(notices, "no screen to show the set-up dialog on", false);
  return createUserInterface(name, notices);
}

}  // namespace trv3::ui
