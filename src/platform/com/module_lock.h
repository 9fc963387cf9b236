// The count of live objects and server locks of this module: the library may be unloaded only
// when it is zero.
#pragma once

namespace trv3::com {

void lockModule();
void unlockModule();
bool moduleInUse();

}  // namespace trv3::com
