#include "platform/ui/control.h"

#include <utility>

#include "platform/runtime/errors.h"
#include "platform/ui/user_interface.h"

namespace trv3::ui {

Control::Control(ControlKind kind, std::string name, Twips geometry, std::string designText,
                 std::optional<int32_t> textId, bool hasFont)
    : kind_(kind), name_(std::move(name)), geometry_(geometry), designText_(std::move(designText)),
      textId_(textId), hasFont_(hasFont) {}

void Control::placeIn(const Control& container, int16_t tabPage) {
  container_ = &container;
  tabPage_ = tabPage;
}

void Control::requireFont() const {
  if (!hasFont_) raise(PropertyNotSupported, "Object doesn't support this property or method");
}

void Control::setFontName(const std::string& name) {
  requireFont();
  font_.name = currentUserInterface().resolveFontFamily(name);
  notify(Property::Font);
}

void Control::setFontSize(int32_t size) {
  requireFont();
  font_.size = size;
  notify(Property::Font);
}

CaptionedControl::CaptionedControl(ControlKind kind, std::string name, Twips geometry,
                                   std::string designText, std::optional<int32_t> textId)
    : Control(kind, std::move(name), geometry, designText, textId), caption_(std::move(designText)) {}

void CaptionedControl::setCaption(std::string caption) {
  caption_ = std::move(caption);
  notify(Property::Caption);
}

}  // namespace trv3::ui
