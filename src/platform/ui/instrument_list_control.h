// A control that lists the instruments found on the user's connections and lets the user pick one:
// the discovery control of the connect dialog. The control itself belongs to another library; the
// form model carries it so that a view can render it (object<T>()), and offers the one user action
// that the script backend needs.
#pragma once

#include <any>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace trv3::ui {

class InstrumentListControl : public Control {
 public:
  struct Entry {
    std::string address;
    bool selectable = false;
  };

  // `object` holds a std::shared_ptr to the real control.
  InstrumentListControl(std::string name, std::string className, Twips geometry, std::any object)
      : Control(ControlKind::InstrumentList, std::move(name), geometry, {}, std::nullopt, false),
        className_(std::move(className)), object_(std::move(object)) {}

  const std::string& className() const { return className_; }

  // The real control, or nullptr when it is not of type T.
  template <class T>
  std::shared_ptr<T> object() const {
    const auto* held = std::any_cast<std::shared_ptr<T>>(&object_);
    return held ? *held : nullptr;
  }

  // Waits for a running search to end (within the search's own time-out) and lists what it found.
  virtual std::vector<Entry> entriesAfterSearch() = 0;
  // User action: picks entry `index`; false when it cannot be picked.
  virtual bool userPick(size_t index) = 0;

 private:
  std::string className_;
  std::any object_;
};

}  // namespace trv3::ui
