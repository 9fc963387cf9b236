#include "platform/ui/user_interface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/ui/form.h"
#include "platform/ui/script_user_interface.h"
#include "support/scoped_environment.h"
#include "support/wayland_runtime_folder.h"

namespace trv3::ui {
namespace {

EnvironmentLookup environmentOf(std::map<std::string, std::string> values) {
  return [values = std::move(values)](const char* variable) -> const char* {
    const auto found = values.find(variable);
    return found == values.end() ? nullptr : found->second.c_str();
  };
}

TEST(UserInterfaceSelection, ExplicitChoiceElseScreenElseScript) {
  const testing::WaylandRuntimeFolder runtime;
  const std::string runtimeFolder = runtime.path();
  const struct {
    std::map<std::string, std::string> environment;
    const char* expected;
  } cases[] = {
      {{{"TRV3_UI", "script"}, {"DISPLAY", ":0"}}, "script"},
      {{{"TRV3_UI", "qt"}}, "qt"},
      {{{"DISPLAY", ":0"}}, "qt"},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, "qt"},
      {{{"WAYLAND_DISPLAY", runtimeFolder + "/wayland-0"}}, "qt"},
      // A compositor that is not there is no screen: Qt would end the process.
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, "script"},
      {{{"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, "script"},
      {{{"DISPLAY", ""}, {"TRV3_UI", ""}}, "script"},
      {{}, "script"},
      // Platforms that draw nowhere, or cannot reach their screen, are no screen.
      {{{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", ":0"}}, "script"},
      {{{"QT_QPA_PLATFORM", "minimal"}}, "script"},
      {{{"QT_QPA_PLATFORM", "OffScreen"}, {"DISPLAY", ":0"}}, "script"},
      {{{"QT_QPA_PLATFORM", "minimalegl"}, {"DISPLAY", ":0"}}, "script"},
      {{{"QT_QPA_PLATFORM", "XCB"}}, "script"},
      {{{"QT_QPA_PLATFORM", "xcb"}}, "script"},
      {{{"QT_QPA_PLATFORM", "xcb:dpi=96"}, {"DISPLAY", ":0"}}, "qt"},
      {{{"QT_QPA_PLATFORM", "wayland"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, "qt"},
      {{{"QT_QPA_PLATFORM", "wayland"}}, "script"},
      {{{"QT_QPA_PLATFORM", "xcb;offscreen"}}, "script"},
      // Qt takes the first entry that starts.
      {{{"QT_QPA_PLATFORM", "offscreen;wayland"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, "script"},
      {{{"QT_QPA_PLATFORM", "xcb;wayland"}, {"XDG_RUNTIME_DIR", runtimeFolder}}, "qt"},
      {{{"QT_QPA_PLATFORM", "linuxfb"}, {"DISPLAY", ":0"}}, "script"},
      {{{"QT_QPA_PLATFORM", "eglfs;xcb"}, {"DISPLAY", ":0"}}, "script"},
  };
  for (const auto& [environment, expected] : cases) {
    std::string shown;
    for (const auto& [name, value] : environment) shown += name + "=" + value + " ";
    EXPECT_EQ(requestedUserInterface(environmentOf(environment)), expected) << shown;
  }
}

class NamedBackend : public UserInterface {
 public:
  void runModal(Form&) override {}
  void showMessage(const std::string& text, const std::string&) override { last = text; }
  std::string resolveFontFamily(const std::string& name) override { return name; }
  void showMousePointer(const Form&, int16_t) override {}
  std::string last;
};

TEST(UserInterfaceSelection, RegisteredBackendIsCreatedAndAMissingOneFallsBackToScript) {
  std::optional<testing::ScopedEnvironment> script(std::in_place, "TRV3_UI_SCRIPT", "ok");
  registerUserInterface("named-for-test", [] { return std::make_unique<NamedBackend>(); });
  std::ostringstream notices;
  EXPECT_NE(dynamic_cast<NamedBackend*>(createUserInterface("named-for-test", notices).get()), nullptr);
  EXPECT_EQ(notices.str(), "");

  auto fallback = createUserInterface("qt-missing", notices);
  EXPECT_NE(dynamic_cast<ScriptUserInterface*>(fallback.get()), nullptr);
  EXPECT_EQ(notices.str(), "trv3: user interface \"qt-missing\" is not available; using the script backend\n");

  registerUserInterface("no-display-for-test", [] { return std::unique_ptr<UserInterface>(); });
  notices.str("");
  fallback = createUserInterface("no-display-for-test", notices);
  EXPECT_NE(dynamic_cast<ScriptUserInterface*>(fallback.get()), nullptr);
  EXPECT_EQ(notices.str(),
            "trv3: user interface \"no-display-for-test\" is not available; using the script backend\n");

  // A toolkit that cannot be loaded says why in the same one line.
  registerUserInterface("unloadable-for-test", []() -> std::unique_ptr<UserInterface> {
    throw std::runtime_error("cannot load the test dialogs: no module");
  });
  notices.str("");
  fallback = createUserInterface("unloadable-for-test", notices);
  EXPECT_NE(dynamic_cast<ScriptUserInterface*>(fallback.get()), nullptr);
  EXPECT_EQ(notices.str(), "trv3: user interface \"unloadable-for-test\" is not available (cannot load the test "
                           "dialogs: no module); using the script backend\n");

  // Without a script the user is told why the dialog will end without a waveform.
  script.emplace("TRV3_UI_SCRIPT", nullptr);
  notices.str("");
  createUserInterface("no-display-for-test", notices);
  EXPECT_EQ(notices.str(), "trv3: user interface \"no-display-for-test\" is not available; using the script "
                           "backend, which cancels the dialog: no script (TRV3_UI_SCRIPT) confirms it\n");
}

TEST(UserInterfaceSelection, NoScreenAndNoChoiceIsTold) {
  const struct {
    std::map<std::string, std::string> environment;
    const char* notice;
  } cases[] = {
      {{}, "trv3: no screen to show the set-up dialog on; using the script backend, which cancels the "
           "dialog: no script (TRV3_UI_SCRIPT) confirms it\n"},
      {{{"TRV3_UI", "script"}}, ""},
      {{{"TRV3_UI_SCRIPT", "ok"}}, ""},
  };
  for (const auto& [environment, notice] : cases) {
    std::ostringstream notices;
    userInterfaceFor(environmentOf(environment), notices);
    EXPECT_EQ(notices.str(), notice) << environment.size();
  }
}

// A form with an OK and a Cancel button that records which one was pressed.
struct ConfirmableForm {
  Form form{"Fsetup", "Set-up", 504, 4815, 4080};
  CommandButton& ok = form.add<CommandButton>("cmdOK", Twips{}, "&Ok", 200);
  CommandButton& cancel = form.add<CommandButton>("cmdCancel", Twips{}, "&Cancel", 201);
  std::string pressed;

  ConfirmableForm() {
    form.setCancelButton(cancel);
    ok.onClick = [this] { end("ok"); };
    cancel.onClick = [this] { end("cancel"); };
  }
  void end(const char* button) {
    pressed = button;
    form.hide();
  }
};

TEST(UserInterfaceSelection, ScriptBackendWithoutAScriptConfirmsOnlyWhenAskedForByName) {
  trv3::testing::ScopedEnvironment noScript("TRV3_UI_SCRIPT", "");
  unsetenv("TRV3_UI_SCRIPT");
  registerUserInterface("no-screen-for-test", [] { return std::unique_ptr<UserInterface>(); });
  const struct {
    const char* requested;  // TRV3_UI
    const char* created;    // the backend asked for
    const char* pressed;
  } cases[] = {
      {"script", "script", "ok"},
      {"", "script", "cancel"},  // chosen for want of a screen
      {"no-screen-for-test", "no-screen-for-test", "cancel"},
  };
  for (const auto& [requested, created, pressed] : cases) {
    trv3::testing::ScopedEnvironment chosen("TRV3_UI", requested);
    std::ostringstream notices;
    auto backend = createUserInterface(created, notices);
    ConfirmableForm dialog;
    ScopedUserInterface use(*backend);
    dialog.form.showModal();
    EXPECT_EQ(dialog.pressed, pressed) << "TRV3_UI=" << requested;
  }
}

TEST(ScopedUserInterface, InstallsPerThreadAndRestoresTheOuterOne) {
  NamedBackend outer, inner;
  ScopedUserInterface useOuter(outer);
  {
    ScopedUserInterface useInner(inner);
    showMessage("inner");
  }
  showMessage("outer");
  EXPECT_EQ(inner.last, "inner");
  EXPECT_EQ(outer.last, "outer");
}

}  // namespace
}  // namespace trv3::ui
