// The connect dialog's instrument list: the view of the discovery control it carries.
#include <stdexcept>

#include "platform/ui/qt/control_bindings.h"
#include "platform/ui/qt/discovery_view.h"

namespace trv3::ui::qt {
namespace {

// Everything the view shows comes from the discovery control itself; the control model adds only
// the place on the form.
class InstrumentListBinding : public ControlBinding {
 public:
  InstrumentListBinding(InstrumentListControl& list, DiscoveryView& view, UserActionGuard& guard)
      : ControlBinding(list, view, guard) {}

 protected:
  void refresh(Property) override {}
};

}  // namespace

std::unique_ptr<ControlBinding> bindInstrumentList(InstrumentListControl& list, QWidget& parent, UserActionGuard& guard) {
  const auto control = list.object<discovery::DiscoveryControl>();
  if (!control) throw std::logic_error("no view for the control class " + list.className());
  return std::make_unique<InstrumentListBinding>(list, *new DiscoveryView(*control, guard, parent), guard);
}

}  // namespace trv3::ui::qt
