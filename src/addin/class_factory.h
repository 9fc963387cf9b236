// The class factory of CWaveForm, one for the module.
#pragma once

#include "platform/com/abi.h"

namespace trv3::addin {

IClassFactory* waveFormClassFactory();

}  // namespace trv3::addin
