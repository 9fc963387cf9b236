#include "platform/ui/script_user_interface.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/instrument_list_control.h"
#include "support/setup_like_dialog.h"

namespace trv3::ui {
namespace {

struct ScriptRun {
  std::ostringstream notices;
  ScriptUserInterface backend;
  ScopedUserInterface use{backend};
  explicit ScriptRun(const std::string& script) : backend(script, notices) {}
};

TEST(ScriptActions, SeparatorsBlanksAndWords) {
  const auto actions = parseScript(" tab 1;\nTYPE  TCPIP::127.0.0.1::5025::SOCKET ;;points 250\n");
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0].kind, ScriptAction::Kind::Tab);
  EXPECT_EQ(actions[0].argument, "1");
  EXPECT_EQ(actions[1].kind, ScriptAction::Kind::Type);
  EXPECT_EQ(actions[1].argument, " TCPIP::127.0.0.1::5025::SOCKET");
  EXPECT_EQ(actions[2].kind, ScriptAction::Kind::Points);
  EXPECT_EQ(parseScript("dance").front().kind, ScriptAction::Kind::Unknown);
}

TEST(ScriptUserInterface, PlaysActionsInOrderAfterActivation) {
  ScriptRun run("tab 1; type GPIB::7; tab 0; channel 2; points 250; check; ok");
  SetupLikeDialog dialog;
  dialog.form.showModal();
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"activate", "tab from 0", "address GPIB::7", "tab from 1", "ok"}));
  EXPECT_EQ(dialog.channels.listIndex(), 1);
  EXPECT_EQ(dialog.points.text(), "250");
  EXPECT_EQ(dialog.digitize.value(), Checked);
  EXPECT_FALSE(dialog.form.isVisible());
  EXPECT_EQ(run.notices.str(), "");
}

TEST(ScriptUserInterface, UsedUpActionsPressCancelAndACancelThatKeepsTheFormOpenClosesIt) {
  ScriptRun run("tab 1");
  SetupLikeDialog dialog;
  dialog.form.showModal();
  EXPECT_EQ(dialog.log.back(), "cancel");
  EXPECT_TRUE(dialog.form.isLoaded());

  SetupLikeDialog stubborn;
  stubborn.cancel.onClick = [] {};
  stubborn.form.showModal();
  EXPECT_FALSE(stubborn.form.isLoaded());
}

TEST(ScriptUserInterface, PointsNotOfferedIsToldAndCancels) {
  ScriptRun run("points 2000; ok");
  SetupLikeDialog dialog;
  dialog.form.showModal();
  EXPECT_EQ(run.notices.str(), "trv3: points 2000 not offered; offered: 100, 250\n");
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"activate", "cancel"}));
}

TEST(ScriptUserInterface, ActionsTheDialogCannotTakeCancel) {
  struct Case {
    const char* script;
    bool pointsLocked;
    const char* notice;
  };
  for (const Case& c : {
           Case{"channel 3; ok", false, "trv3: channel 3 not offered; offered: 1 - On, 2 - Off\n"},
           Case{"channel -2147483648; ok", false, "trv3: channel -2147483648 not offered; offered: 1 - On, 2 - Off\n"},
           Case{"points 100; ok", true, "trv3: points 100 not offered; offered: none\n"},
           Case{"dance; ok", false, "trv3: unknown action \"dance\"\n"},
       }) {
    ScriptRun run(c.script);
    SetupLikeDialog dialog;
    dialog.points.setLocked(c.pointsLocked);
    dialog.form.showModal();
    EXPECT_EQ(run.notices.str(), c.notice) << c.script;
    EXPECT_EQ(dialog.log.back(), "cancel") << c.script;
  }
}

TEST(ScriptUserInterface, NestedDisplaysTakeTheNextActionsAndEndTheOuterOne) {
  ScriptRun run("connect; cancel; ok");
  SetupLikeDialog setup;
  SetupLikeDialog connect;  // stands for the connect dialog
  connect.form.onActivate = [&] { setup.log.push_back("connect dialog active"); };
  connect.cancel.onClick = [&] {
    setup.log.push_back("connect dialog cancel");
    connect.form.unload();
  };
  setup.connect.onClick = [&] {
    setup.form.hide();
    connect.form.showModal();
    setup.form.showModal();
    setup.log.push_back("connect handler ends");
  };
  setup.form.showModal();
  EXPECT_EQ(setup.log, (std::vector<std::string>{"activate", "connect dialog active", "connect dialog cancel", "activate",
                                                 "ok", "connect handler ends"}));
  EXPECT_FALSE(setup.form.isVisible());
}

TEST(ScriptUserInterface, EachOutermostDisplayStartsTheScriptAfresh) {
  ScriptRun run("ok");
  SetupLikeDialog first;
  first.form.showModal();
  SetupLikeDialog second;
  second.form.showModal();
  EXPECT_EQ(second.log.back(), "ok");
}

TEST(ScriptUserInterface, ErrorOfAHandlerEndsTheDisplayAndReachesTheCaller) {
  ScriptRun run("ok");
  SetupLikeDialog dialog;
  dialog.form.onActivate = [] { raise(rt::InvalidPropertyValue); };
  EXPECT_THROW(dialog.form.showModal(), RuntimeError);
  SetupLikeDialog next;
  next.form.showModal();
  EXPECT_EQ(next.log.back(), "ok");
}

TEST(ScriptUserInterface, MessagesArePrintedOnOneLineAndKept) {
  ScriptRun run("");
  showMessage("Mode refused\r\nPlease set the mode\nnow");
  EXPECT_EQ(run.notices.str(), "message: Mode refused\\nPlease set the mode\\nnow\n");
  ASSERT_EQ(run.backend.messages().size(), 1u);
  EXPECT_EQ(run.backend.messages()[0].title, "vlmWFRM_TRV3");
  EXPECT_EQ(run.backend.messages()[0].text, "Mode refused\r\nPlease set the mode\nnow");
}

class TwoInstruments : public InstrumentListControl {
 public:
  TwoInstruments() : InstrumentListControl("VlmDiscoveryCtl1", "Test.List", Twips{}, std::any(std::make_shared<int>(7))) {}
  std::vector<Entry> entriesAfterSearch() override { return {{"TCPIP::a", true}, {"TCPIP::b", false}}; }
  bool userPick(size_t index) override {
    if (index != 0) return false;
    picked = static_cast<int>(index);
    return true;
  }
  int picked = -1;
};

TEST(ScriptUserInterface, PickByNumberOrAddressAndUnsupportedOnesAreRefused) {
  for (const char* script : {"pick 1", "pick TCPIP::a"}) {
    ScriptRun run(script);
    SetupLikeDialog dialog;
    auto& list = dialog.form.add<TwoInstruments>();
    dialog.form.showModal();
    EXPECT_EQ(list.picked, 0) << script;
  }
  ScriptRun run("pick 2; ok");
  SetupLikeDialog dialog;
  auto& list = dialog.form.add<TwoInstruments>();
  dialog.form.showModal();
  EXPECT_EQ(list.picked, -1);
  EXPECT_EQ(run.notices.str(), "trv3: instrument 2 cannot be picked; found: TCPIP::a, TCPIP::b (unsupported)\n");
  EXPECT_EQ(*list.object<int>(), 7);
  EXPECT_EQ(list.object<double>(), nullptr);
}

TEST(ScriptUserInterface, FontsResolveThroughFontconfig) {
  std::ostringstream notices;
  ScriptUserInterface backend("", notices);
  EXPECT_EQ(backend.resolveFontFamily("DejaVu Sans"), "DejaVu Sans");
  EXPECT_EQ(backend.resolveFontFamily("dejavu sans"), "DejaVu Sans");
  const std::string substitute = backend.resolveFontFamily("No Such Font Trv3");
  EXPECT_FALSE(substitute.empty());
  EXPECT_NE(substitute, "No Such Font Trv3");
}

}  // namespace
}  // namespace trv3::ui
