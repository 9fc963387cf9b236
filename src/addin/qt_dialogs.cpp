// The add-in shows its dialogs as real Qt windows: the user interface "qt" is made available as
// the library loads, and the product chooses it when a display is there (user_interface.h).
#include "platform/ui/qt/qt_user_interface.h"

namespace {

[[maybe_unused]] const bool qtDialogsAvailable = (trv3::ui::qt::registerQtUserInterface(), true);

}  // namespace
