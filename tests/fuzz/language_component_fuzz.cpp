// Language component files as installed beside the add-in.
#include "fuzz_target.h"
#include "platform/language/json_component.h"
#include "platform/runtime/errors.h"
#include "scratch_file.h"

TRV3_FUZZ_TARGET(language_component) {
  static trv3::fuzz::ScratchFile file("component");
  try {
    const auto component = trv3::language::JsonComponent::load(file.write(input));
    for (const int32_t id : {0, 200, 508, 509, 510, 512, -1}) component->GetText(id);
    component->FontName();
    component->FontSize();
  } catch (const trv3::RuntimeError&) {
  }
}
