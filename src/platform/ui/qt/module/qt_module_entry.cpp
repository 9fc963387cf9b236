// The Qt module's one export (see platform/ui/qt_module.h). The caller owns the backend it gets.
#include "platform/ui/qt/qt_user_interface.h"
#include "platform/ui/qt_module.h"

extern "C" __attribute__((visibility("default"))) trv3::ui::UserInterface* trv3CreateQtUserInterface(
    std::string& whyNot) {
  return trv3::ui::qt::createQtUserInterface(whyNot).release();
}
