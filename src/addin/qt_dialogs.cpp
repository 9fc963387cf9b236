// The add-in shows its dialogs as real Qt windows: the user interface "qt" is made available as
// the library loads, and the product chooses it when a display is there (user_interface.h). Qt
// itself comes with the Qt module beside the add-in, loaded the first time "qt" is chosen, so
// hosts and scripts that never show a Qt dialog never load Qt.
#include <dlfcn.h>

#include <iostream>

#include "platform/com/server_registration.h"
#include "platform/ui/qt_module.h"
#include "platform/ui/user_interface.h"

namespace {

std::unique_ptr<trv3::ui::UserInterface> loadQtUserInterface() {
  const auto file = trv3::com::moduleFileOf(reinterpret_cast<const void*>(&loadQtUserInterface))
                        .parent_path() / trv3::ui::QtModuleFileName;
  // Never closed: a module that may have made the process's Qt application stays.
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  const auto entry = module ? reinterpret_cast<trv3::ui::QtModuleEntry>(dlsym(module, trv3::ui::QtModuleEntryName))
                            : nullptr;
  if (entry == nullptr) {
    std::cerr << "trv3: cannot load the Qt dialogs: " << dlerror() << "\n";
    return nullptr;
  }
  return std::unique_ptr<trv3::ui::UserInterface>(entry());
}

[[maybe_unused]] const bool qtDialogsAvailable =
    (trv3::ui::registerUserInterface("qt", loadQtUserInterface), true);

}  // namespace
