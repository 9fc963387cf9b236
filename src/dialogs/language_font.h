// The language component's font on a dialog's controls.
#pragma once

namespace trv3::ui {
class Form;
}

namespace trv3 {

// Gives every control of the form that has a font the language's font name and size; a setting
// that a control refuses is skipped.
void applyLanguageFontToControls(const ui::Form& form);

}  // namespace trv3
