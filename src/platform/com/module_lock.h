// What keeps this module loaded: its live objects, and the references and locks that hosts hold on
// its class factory. The library may be unloaded only when there are none.
#pragma once

namespace trv3::com {

// Around the life of each object of the module.
void lockModule();
void unlockModule();

// For the host's factory references and LockServer calls. A host that unlocks more often than it
// locked takes away only its own locks, never the hold of a live object.
void lockServer();
void unlockServer();

bool moduleInUse();

}  // namespace trv3::com
