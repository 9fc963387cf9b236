#include "platform/ui/user_interface.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "platform/ui/form.h"
#include "platform/ui/script_user_interface.h"

namespace trv3::ui {
namespace {

EnvironmentLookup environmentOf(std::map<std::string, std::string> values) {
  return [values = std::move(values)](const char* variable) -> const char* {
    const auto found = values.find(variable);
    return found == values.end() ? nullptr : found->second.c_str();
  };
}

TEST(UserInterfaceSelection, ExplicitChoiceElseDisplayElseScript) {
  EXPECT_EQ(requestedUserInterface(environmentOf({{"TRV3_UI", "script"}, {"DISPLAY", ":0"}})), "script");
  EXPECT_EQ(requestedUserInterface(environmentOf({{"TRV3_UI", "qt"}})), "qt");
  EXPECT_EQ(requestedUserInterface(environmentOf({{"DISPLAY", ":0"}})), "qt");
  EXPECT_EQ(requestedUserInterface(environmentOf({{"WAYLAND_DISPLAY", "wayland-0"}})), "qt");
  EXPECT_EQ(requestedUserInterface(environmentOf({{"QT_QPA_PLATFORM", "offscreen"}})), "qt");
  EXPECT_EQ(requestedUserInterface(environmentOf({{"DISPLAY", ""}, {"TRV3_UI", ""}})), "script");
  EXPECT_EQ(requestedUserInterface(environmentOf({})), "script");
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
