#include "platform/ui/controls.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/errors.h"
#include "platform/ui/form.h"
#include "support/runtime_error_matchers.h"

namespace trv3::ui {
namespace {

using testing::errorNumberOf;

TEST(TextBox, ReportsEveryRealChangeFromCodeOrUser) {
  TextBox box("txtAddress", {945, 1065, 2730, 405}, "Text1");
  int changes = 0;
  box.onChange = [&] { ++changes; };
  EXPECT_EQ(box.text(), "Text1");
  box.setText("Text1");
  EXPECT_EQ(changes, 0);
  box.setText("GPIB::7");
  box.userType("GPIB::8");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(box.text(), "GPIB::8");
}

TEST(ComboBox, IndexItemDataAndSelectionFollowTheListRules) {
  ComboBox list("cboPoints", {3360, 2190, 1305, {}});
  EXPECT_EQ(list.listIndex(), -1);
  EXPECT_EQ(list.text(), "");
  list.addItem("100");
  list.setItemData(0, 100);
  list.addItem("250");
  list.setItemData(list.listCount() - 1, 250);
  EXPECT_EQ(list.itemData(1), 250);

  list.setListIndex(1);
  EXPECT_EQ(list.text(), "250");
  list.setListIndex(-1);
  EXPECT_EQ(list.text(), "");
  EXPECT_EQ(errorNumberOf([&] { list.setListIndex(2); }), rt::InvalidPropertyValue);
  EXPECT_EQ(errorNumberOf([&] { list.setListIndex(-2); }), rt::InvalidPropertyValue);
  EXPECT_EQ(errorNumberOf([&] { (void)list.itemData(-1); }), InvalidPropertyArrayIndex);
  EXPECT_EQ(errorNumberOf([&] { list.setItemData(2, 5); }), InvalidPropertyArrayIndex);

  list.setListIndex(0);
  list.clear();
  EXPECT_EQ(list.listCount(), 0);
  EXPECT_EQ(list.listIndex(), -1);
}

TEST(ComboBox, LockedListRefusesTheUserButNotCode) {
  ComboBox list("cboChannel", {3360, 1560, 1305, {}});
  list.addItem(" 1");
  list.addItem(" 2");
  ASSERT_TRUE(list.locked());
  EXPECT_FALSE(list.userSelect(1));
  EXPECT_EQ(list.listIndex(), -1);
  list.setListIndex(0);
  list.setLocked(false);
  EXPECT_TRUE(list.userSelect(1));
  EXPECT_FALSE(list.userSelect(2));
  EXPECT_EQ(list.listIndex(), 1);
}

TEST(TabControl, ChangeCarriesThePreviousTabAndOnlyFiresOnChange) {
  TabControl tabs("SSTab1", {0, 120, 4815, 3255}, {{"WaveForm", 500}, {"Connect To Scope", 501}}, 0);
  std::vector<int16_t> previous;
  tabs.onClick = [&](int16_t p) { previous.push_back(p); };
  tabs.setTab(0);
  tabs.setTab(1);
  tabs.userSelectTab(0);
  EXPECT_EQ(previous, (std::vector<int16_t>{0, 1}));
  EXPECT_EQ(errorNumberOf([&] { tabs.setTab(2); }), rt::InvalidPropertyValue);
  tabs.setTabCaption(1, "Verbindung");
  EXPECT_EQ(tabs.tabCaption(1), "Verbindung");
  EXPECT_EQ(tabs.tabDesign(1).designCaption, "Connect To Scope");
  EXPECT_EQ(tabs.tabDesign(1).textId, 501);
}

TEST(CheckBox, ThreeStatesAndTheUsersClick) {
  CheckBox box("chkDigitize", {240, 2760, 4095, 255}, "Always acquire new waveform", std::nullopt);
  EXPECT_EQ(box.value(), Unchecked);
  box.userClick();
  EXPECT_EQ(box.value(), Checked);
  box.userClick();
  EXPECT_EQ(box.value(), Unchecked);
  box.setValue(Grayed);
  box.userClick();
  EXPECT_EQ(box.value(), Checked);
  EXPECT_EQ(errorNumberOf([&] { box.setValue(3); }), rt::InvalidPropertyValue);
}

TEST(Form, HideKeepsTheInstanceAndUnloadRunsItsHandlerOnce) {
  Form form("Fsetup", "", 504, 4815, 4080);
  auto& ok = form.add<CommandButton>("cmdOK", Twips{1080, 3480, 1695, 495}, "&Ok", 200);
  EXPECT_EQ(form.find("cmdOK"), &ok);
  EXPECT_EQ(form.find("cmdNone"), nullptr);
  int unloads = 0;
  form.onUnload = [&] { ++unloads; };
  form.hide();
  EXPECT_TRUE(form.isLoaded());
  form.userClose();
  form.unload();
  EXPECT_FALSE(form.isLoaded());
  EXPECT_EQ(unloads, 1);
  EXPECT_THROW(form.showModal(), std::logic_error);
}

}  // namespace
}  // namespace trv3::ui
