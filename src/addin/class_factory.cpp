#include "addin/class_factory.h"

#include "addin/waveform_object.h"
#include "platform/com/guid.h"
#include "platform/com/module_lock.h"

namespace trv3::addin {
namespace {

HRESULT factoryQuery(IClassFactory* self, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == nullptr) return E_INVALIDARG;
  if (!(*iid == IID_IUnknown || *iid == IID_IClassFactory)) return E_NOINTERFACE;
  self->lpVtbl->AddRef(self);
  *object = self;
  return S_OK;
}

// The factory is static; its references keep the module loaded.
uint32_t factoryAddRef(IClassFactory*) {
  com::lockServer();
  return 2;
}

uint32_t factoryRelease(IClassFactory*) {
  com::unlockServer();
  return 1;
}

HRESULT factoryCreateInstance(IClassFactory*, IUnknown* outer, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (iid == nullptr) return E_INVALIDARG;
  return createWaveFormObject(*iid, object);
}

HRESULT factoryLockServer(IClassFactory*, int32_t lock) {
  if (lock)
    com::lockServer();
  else
    com::unlockServer();
  return S_OK;
}

const IClassFactoryVtbl factoryVtbl = {factoryQuery, factoryAddRef, factoryRelease,
                                       factoryCreateInstance, factoryLockServer};
IClassFactory factory = {&factoryVtbl};

}  // namespace

IClassFactory* waveFormClassFactory() { return &factory; }

}  // namespace trv3::addin
