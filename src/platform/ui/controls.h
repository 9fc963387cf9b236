// The standard controls of the dialogs. Setting a value from code and the user's own action both
// run the control's event handler (as the dialogs expect: a text box reports every change of its
// text, a tab control every change of its tab); the user-action entry points are where a view or
// the script backend forwards what the user did.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace trv3::ui {

class Label : public CaptionedControl {
 public:
  Label(std::string name, Twips geometry, std::string designText, std::optional<int32_t> textId)
      : CaptionedControl(ControlKind::Label, std::move(name), geometry, std::move(designText), textId) {}
};

class Frame : public CaptionedControl {
 public:
  Frame(std::string name, Twips geometry, std::string designText, std::optional<int32_t> textId)
      : CaptionedControl(ControlKind::Frame, std::move(name), geometry, std::move(designText), textId) {}
};

class CommandButton : public CaptionedControl {
 public:
  CommandButton(std::string name, Twips geometry, std::string designText, std::optional<int32_t> textId)
      : CaptionedControl(ControlKind::CommandButton, std::move(name), geometry, std::move(designText),
                         textId) {}

  std::function<void()> onClick;

  // User action.
  void userClick();
};

// States of a check box.
constexpr int16_t Unchecked = 0;
constexpr int16_t Checked = 1;
constexpr int16_t Grayed = 2;

class CheckBox : public CaptionedControl {
 public:
  CheckBox(std::string name, Twips geometry, std::string designText, std::optional<int32_t> textId)
      : CaptionedControl(ControlKind::CheckBox, std::move(name), geometry, std::move(designText), textId) {}

  int16_t value() const { return value_; }
  // 0, 1 or 2; any other value raises InvalidPropertyValue.
  void setValue(int16_t value);

  // User action: a click checks an unchecked or grey box and unchecks a checked one.
  void userClick();

 private:
  int16_t value_ = Unchecked;
};

class TextBox : public Control {
 public:
  TextBox(std::string name, Twips geometry, std::string designText = {});

  const std::string& text() const { return text_; }
  // Runs onChange when the text really changes.
  void setText(std::string text);
  void repaint() const { notify(Property::Repaint); }

  std::function<void()> onChange;

  // User action: the user edited the text to this.
  void userType(std::string text) { setText(std::move(text)); }

 private:
  std::string text_;
};

class ComboBox : public Control {
 public:
  ComboBox(std::string name, Twips geometry) : Control(ControlKind::ComboBox, std::move(name), geometry) {}

  void clear();
  void addItem(std::string text);
  int32_t listCount() const { return static_cast<int32_t>(entries_.size()); }
  // Entry texts and 32-bit item data by index; an index outside the list raises
  // InvalidPropertyArrayIndex.
  const std::string& list(int32_t index) const;
  int32_t itemData(int32_t index) const;
  void setItemData(int32_t index, int32_t value);

  // -1 for no selection; any other index outside the list raises InvalidPropertyValue.
  int32_t listIndex() const { return listIndex_; }
  void setListIndex(int32_t index);
  // The selected entry's text, empty when nothing is selected.
  std::string text() const;

  // A locked list refuses the user's picks; code may still change it.
  bool locked() const { return locked_; }
  void setLocked(bool locked);

  // User action: picks an entry; false (and nothing changes) while locked or out of range.
  bool userSelect(int32_t index);

 private:
  struct Entry {
    std::string text;
    int32_t itemData = 0;
  };
  size_t position(int32_t index) const;

  std::vector<Entry> entries_;
  int32_t listIndex_ = -1;
  bool locked_ = true;
};

class TabControl : public Control {
 public:
  struct Tab {
    std::string designCaption;
    std::optional<int32_t> textId;
  };
  TabControl(std::string name, Twips geometry, std::vector<Tab> tabs, int16_t designTab);

  int16_t tabCount() const { return static_cast<int16_t>(tabs_.size()); }
  const Tab& tabDesign(int16_t index) const;
  // Captions by tab index; an index outside the tabs raises InvalidPropertyValue.
  const std::string& tabCaption(int16_t index) const;
  void setTabCaption(int16_t index, std::string caption);

  int16_t tab() const { return tab_; }
  // Runs onClick with the tab selected before, when the tab really changes; an index outside the
  // tabs raises InvalidPropertyValue.
  void setTab(int16_t index);

  std::function<void(int16_t previousTab)> onClick;
  std::function<void()> onDblClick;

  // User actions.
  void userSelectTab(int16_t index) { setTab(index); }
  void userDoubleClick();

 private:
  void checkIndex(int16_t index) const;

  std::vector<Tab> tabs_;
  std::vector<std::string> captions_;
  int16_t tab_;
};

}  // namespace trv3::ui
