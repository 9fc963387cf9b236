// Sets the transport linked into this program as the opener of VXI-11 addresses.
#include "vxi11_module_entry.h"

namespace {

[[maybe_unused]] const bool vxi11InProcess = (trv3::io::setVxi11Opener(trv3OpenVxi11Transport), true);

}  // namespace
