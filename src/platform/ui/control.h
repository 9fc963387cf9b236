// The toolkit-neutral model of a dialog control: what it is called, where it sits (in twips, as
// designed), its design-time text and language text id, its font, and a notification for a view
// whenever something it shows changes. Dialog logic works on these models only; a toolkit layer
// renders them and forwards the user's actions to their user-action entry points.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ui/signal.h"

namespace trv3::ui {

// The run-time's numbers for a control that refuses an index or a property.
constexpr int32_t InvalidPropertyArrayIndex = 381;
constexpr int32_t PropertyNotSupported = 438;

// Pointer codes of a form.
constexpr int16_t DefaultPointer = 0;
constexpr int16_t Hourglass = 11;

// Position and size in twips (1/1440 inch), relative to the control's container.
struct Twips {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  std::optional<int32_t> height;  // none: the control's natural height (a combo box's)
};

struct Font {
  std::string name;
  int32_t size = 0;
};

enum class ControlKind { Form, TabControl, Frame, Label, TextBox, ComboBox, CheckBox, CommandButton, InstrumentList };

// What a view has to refresh.
enum class Property {
  Caption,      // caption of a form, label, frame, check box or button
  Font,
  Text,         // text of a text box
  Items,        // entries of a combo box (cleared or appended)
  ItemData,
  Selection,    // selected entry of a combo box
  Locked,
  Value,        // state of a check box
  TabCaption,
  SelectedTab,
  Visibility,   // a form shown, hidden or unloaded
  Focus,
  Repaint,
};

class Control {
 public:
  Control(ControlKind kind, std::string name, Twips geometry, std::string designText = {},
          std::optional<int32_t> textId = std::nullopt, bool hasFont = true);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  const Twips& geometry() const { return geometry_; }
  // The text the control carries before creation replaces it, and the language text id that
  // replaces it (none where the text is not localised).
  const std::string& designText() const { return designText_; }
  const std::optional<int32_t>& textId() const { return textId_; }

  // Where it sits: directly on the form (no container), on a page of a tab control, or in a frame.
  const Control* container() const { return container_; }
  int16_t tabPage() const { return tabPage_; }
  void placeIn(const Control& container, int16_t tabPage = -1);

  bool hasFont() const { return hasFont_; }
  const Font& font() const { return font_; }
  // The name reads back as the family the user interface really draws with, which differs from
  // the requested one when that font is not installed.
  void setFontName(const std::string& name);
  void setFontSize(int32_t size);

  Signal<Property> changed;

 protected:
  void notify(Property property) const { changed.emit(property); }

 private:
  void requireFont() const;

  ControlKind kind_;
  std::string name_;
  Twips geometry_;
  std::string designText_;
  std::optional<int32_t> textId_;
  bool hasFont_;
  Font font_;
  const Control* container_ = nullptr;
  int16_t tabPage_ = -1;
};

// A control that shows a caption: starts with its design-time text.
class CaptionedControl : public Control {
 public:
  CaptionedControl(ControlKind kind, std::string name, Twips geometry, std::string designText,
                   std::optional<int32_t> textId);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);

 private:
  std::string caption_;
};

}  // namespace trv3::ui
