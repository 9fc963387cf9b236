// The add-in shows its dialogs as real Qt windows: the user interface "qt" is made available as
// the library loads, and the product chooses it when a display is there (user_interface.h). Qt
// itself comes with the Qt module beside the add-in, loaded the first time "qt" is chosen, so
// hosts and scripts that never show a Qt dialog never load Qt.
#include <stdexcept>

#include "platform/runtime/loaded_library.h"
#include "platform/runtime/module_path.h"
#include "platform/ui/qt_module.h"
#include "platform/ui/user_interface.h"

namespace {

std::unique_ptr<trv3::ui::UserInterface> loadQtUserInterface() {
  trv3::LoadedLibrary module(
      trv3::fileBesideModuleOf(reinterpret_cast<const void*>(&loadQtUserInterface), trv3::ui::QtModuleFileName));
  const auto entry = module.function<trv3::ui::QtModuleEntry>(trv3::ui::QtModuleEntryName);
  if (entry == nullptr) throw std::runtime_error("cannot load the Qt dialogs: " + module.failure());
  std::string whyNot;
  std::unique_ptr<trv3::ui::UserInterface> userInterface(entry(whyNot));
  if (!userInterface) throw std::runtime_error(whyNot);
  return userInterface;
}

[[maybe_unused]] const bool qtDialogsAvailable =
    (trv3::ui::registerUserInterface("qt", loadQtUserInterface), true);

}  // namespace
