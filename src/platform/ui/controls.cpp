#include "platform/ui/controls.h"

#include <utility>

#include "platform/runtime/errors.h"

namespace trv3::ui {

void CommandButton::userClick() {
  if (onClick) onClick();
}

void CheckBox::setValue(int16_t value) {
  if (value < Unchecked || value > Grayed) raise(rt::InvalidPropertyValue);
  value_ = value;
  notify(Property::Value);
}

void CheckBox::userClick() { setValue(value_ == Checked ? Unchecked : Checked); }

TextBox::TextBox(std::string name, Twips geometry, std::string designText)
    : Control(ControlKind::TextBox, std::move(name), geometry, designText), text_(std::move(designText)) {}

void TextBox::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  notify(Property::Text);
  if (onChange) onChange();
}

void ComboBox::clear() {
  entries_.clear();
  listIndex_ = -1;
  notify(Property::Items);
  notify(Property::Selection);
}

void ComboBox::addItem(std::string text) {
  entries_.push_back({std::move(text), 0});
  notify(Property::Items);
}

size_t ComboBox::position(int32_t index) const {
  if (index < 0 || index >= listCount()) raise(InvalidPropertyArrayIndex, "Invalid property array index");
  return static_cast<size_t>(index);
}

const std::string& ComboBox::list(int32_t index) const { return entries_[position(index)].text; }

int32_t ComboBox::itemData(int32_t index) const { return entries_[position(index)].itemData; }

void ComboBox::setItemData(int32_t index, int32_t value) {
  entries_[position(index)].itemData = value;
  notify(Property::ItemData);
}

void ComboBox::setListIndex(int32_t index) {
  if (index < -1 || index >= listCount()) raise(rt::InvalidPropertyValue);
  listIndex_ = index;
  notify(Property::Selection);
}

std::string ComboBox::text() const { return listIndex_ < 0 ? std::string() : list(listIndex_); }

void ComboBox::setLocked(bool locked) {
  locked_ = locked;
  notify(Property::Locked);
}

bool ComboBox::userSelect(int32_t index) {
  if (locked_ || index < 0 || index >= listCount()) return false;
  setListIndex(index);
  return true;
}

TabControl::TabControl(std::string name, Twips geometry, std::vector<Tab> tabs, int16_t designTab)
    : Control(ControlKind::TabControl, std::move(name), geometry), tabs_(std::move(tabs)), tab_(designTab) {
  for (const Tab& t : tabs_) captions_.push_back(t.designCaption);
}

void TabControl::checkIndex(int16_t index) const {
  if (index < 0 || index >= tabCount()) raise(rt::InvalidPropertyValue);
}

const TabControl::Tab& TabControl::tabDesign(int16_t index) const {
  checkIndex(index);
  return tabs_[static_cast<size_t>(index)];
}

const std::string& TabControl::tabCaption(int16_t index) const {
  checkIndex(index);
  return captions_[static_cast<size_t>(index)];
}

void TabControl::setTabCaption(int16_t index, std::string caption) {
  checkIndex(index);
  captions_[static_cast<size_t>(index)] = std::move(caption);
  notify(Property::TabCaption);
}

void TabControl::setTab(int16_t index) {
  checkIndex(index);
  if (index == tab_) return;
  const int16_t previous = tab_;
  tab_ = index;
  notify(Property::SelectedTab);
  if (onClick) onClick(previous);
}

void TabControl::userDoubleClick() {
  if (onDblClick) onDblClick();
}

}  // namespace trv3::ui
