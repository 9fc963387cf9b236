// The user-interface backend that the dialogs run on: modal displays, message boxes, font
// resolution and the mouse pointer. Each thread has its own current backend. The product chooses
// it by name ("script" is built in; a toolkit library registers "qt" when the add-in loads, so
// this library never links a toolkit); tests install their own with ScopedUserInterface.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::ui {

class Form;

// The title of every message box: the component's own name.
inline constexpr const char* DefaultMessageTitle = "vlmWFRM_TRV3";

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Runs a modal display of a form that has just been made visible: tells the form each time its
  // window becomes active, and returns once the form is hidden or unloaded. Displays nest. A
  // run-time error raised by a handler during the display ends it and reaches the code that showed
  // the form.
  virtual void runModal(Form& form) = 0;

  // A message box with an OK button only.
  virtual void showMessage(const std::string& text, const std::string& title) = 0;

  // The family that a font name really resolves to: a font that is not installed resolves to a
  // substitute, whose name differs from the one asked for.
  virtual std::string resolveFontFamily(const std::string& name) = 0;

  // The form's pointer changed (0 default, 11 hourglass).
  virtual void showMousePointer(const Form& form, int16_t pointer) = 0;
};

// The calling thread's backend: the one a ScopedUserInterface installed, or else the product's,
// created on first use by userInterfaceFor().
UserInterface& currentUserInterface();

class ScopedUserInterface {
 public:
  explicit ScopedUserInterface(UserInterface& userInterface);
  ~ScopedUserInterface();
  ScopedUserInterface(const ScopedUserInterface&) = delete;
  ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

 private:
  UserInterface* previous_;
};

// A message box with an OK button only and the default title, on the current backend.
void showMessage(const std::string& text);

// Gives nullptr when its toolkit cannot work in this process (no reachable display), and throws
// std::runtime_error saying why when the toolkit itself cannot be loaded.
using UserInterfaceFactory = std::function<std::unique_ptr<UserInterface>()>;

// Makes a backend available by name to every thread; a later registration under the same name
// replaces the earlier one.
void registerUserInterface(const std::string& name, UserInterfaceFactory factory);

using EnvironmentLookup = std::function<const char*(const char* variable)>;

// Whether the environment offers a screen for windows to appear on. With QT_QPA_PLATFORM set, its
// platform decides (a ";" list tried in order, an entry without its display passing on to the
// next): "xcb" with DISPLAY, or "wayland" with a compositor's socket. The others draw nowhere
// ("offscreen", "minimal") or on a device of their own that cannot be checked without starting
// them, and starting one that fails crashes, aborts or hangs the host. Without it, DISPLAY, or
// WAYLAND_DISPLAY naming a compositor's socket.
bool screenAvailable(const EnvironmentLookup& environment);

// What one platform of Qt's list would do: show windows, fail and pass on to the next, or be the
// platform Qt takes while nobody sees its windows (or the host does not survive its start).
enum class PlatformStart { Shows, PassesOn, TakenUnseen };

// Whether windows appear: Qt takes the first platform of its list that starts.
bool firstStartingPlatformShows(const std::vector<std::string>& platforms,
                                const std::function<PlatformStart(const std::string& name)>& start);

// The platforms QT_QPA_PLATFORM names, in its order of fallbacks ("a;b", each "name:option=value,..."),
// by name in lower case, as Qt takes them in any letter case.
std::vector<std::string> namedQtPlatforms(const EnvironmentLookup& environment);

// Whether the Qt platform of that lower-case name draws nowhere ("offscreen", "minimal",
// "minimalegl"), so that nobody would see a dialog.
bool drawsNowhere(std::string_view platform);

// Whether a Wayland compositor's socket is there: WAYLAND_DISPLAY (default "wayland-0") in
// XDG_RUNTIME_DIR, or an absolute path. A stale name would make Qt end the process.
bool waylandSocketPresent(const EnvironmentLookup& environment);

// "script" or "qt" (or another registered name): TRV3_UI when it is set; otherwise "qt" when a
// screen is available, else "script".
std::string requestedUserInterface(const EnvironmentLookup& environment);

// The backend of that name; a name that is neither "script" nor registered, or whose toolkit has no
// screen here, falls back to the script backend, with a notice (that backend then cancels unless
// TRV3_UI_SCRIPT says otherwise; see script_user_interface.h).
std::unique_ptr<UserInterface> createUserInterface(const std::string& name, std::ostream& notices);

// The backend the environment asks for, as created on first use: the requested one, with a notice
// when it is the script backend only because there is no screen and nobody asked for a script.
std::unique_ptr<UserInterface> userInterfaceFor(const EnvironmentLookup& environment, std::ostream& notices);

}  // namespace trv3::ui
