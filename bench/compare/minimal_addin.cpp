// The least library that a host can load the way it loads the add-in: the same four exports and
// a class whose only working member is ComponentID. The baseline of the load cost.
#include <atomic>
#include <string_view>

#include "addin/waveform_interface.h"
#include "platform/com/automation.h"
#include "platform/com/guid.h"

namespace {

std::atomic<int> liveObjects{0};


HRESULT queryInterface(_CWaveForm* self, const IID* iid, void** object) {
  if (*iid == IID_IUnknown || *iid == IID_IDispatch || *iid == IID__CWaveForm) {
    *object = self;
    self->lpVtbl->AddRef(self);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

struct Instance {
  _CWaveForm face;
  std::atomic<uint32_t> references{1};
};

uint32_t addRef(_CWaveForm* self) { return ++reinterpret_cast<Instance*>(self)->references; }

uint32_t release(_CWaveForm* self) {
  auto* instance = reinterpret_cast<Instance*>(self);
  const uint32_t left = --instance->references;
  if (left == 0) {
    delete instance;
    --liveObjects;
  }
  return left;
}

HRESULT componentId(_CWaveForm*, BSTR* value) {
  static const std::u16string_view name = u"TRV3 series";
  *value = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(name.data()), uint32_t(name.size()));
  return *value ? S_OK : E_OUTOFMEMORY;
}

const _CWaveFormVtbl instanceTable = {
    queryInterface, addRef, release,
    [](_CWaveForm*, uint32_t*) { return E_NOTIMPL; },
    [](_CWaveForm*, uint32_t, LCID, void**) { return E_NOTIMPL; },
    [](_CWaveForm*, const IID*, OLECHAR**, uint32_t, LCID, DISPID*) { return E_NOTIMPL; },
    [](_CWaveForm*, DISPID, const IID*, LCID, uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*, uint32_t*) {
      return E_NOTIMPL;
    },
    [](_CWaveForm*, VARIANT*) { return E_NOTIMPL; },
    [](_CWaveForm*, VARIANT) { return E_NOTIMPL; },
    [](_CWaveForm*, VARIANT) { return E_NOTIMPL; },
    [](_CWaveForm*, VARIANT*, double*) { return E_NOTIMPL; },
    componentId,
    [](_CWaveForm*, int32_t*) { return E_NOTIMPL; },
    [](_CWaveForm*, int32_t) { return E_NOTIMPL; },
    [](_CWaveForm*, int32_t*) { return E_NOTIMPL; },
    [](_CWaveForm*, VARIANT*) { return E_NOTIMPL; },
    [](_CWaveForm*, int32_t*, VARIANT*, VARIANT_BOOL*) { return E_NOTIMPL; }};

HRESULT factoryQueryInterface(IClassFactory* self, const IID* iid, void** object) {
  *object = (*iid == IID_IUnknown || *iid == IID_IClassFactory) ? self : nullptr;
  return *object ? S_OK : E_NOINTERFACE;
}

HRESULT createInstance(IClassFactory*, IUnknown* outer, const IID* iid, void** object) {
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* instance = new Instance{{&instanceTable}};
  ++liveObjects;
  const HRESULT status = queryInterface(&instance->face, iid, object);
  release(&instance->face);
  return status;
}

const IClassFactoryVtbl factoryTable = {
    factoryQueryInterface, [](IClassFactory*) -> uint32_t { return 2; },
    [](IClassFactory*) -> uint32_t { return 1; }, createInstance,
    [](IClassFactory*, int32_t) { return S_OK; }};
IClassFactory factory{&factoryTable};

}  // namespace

#define MINIMAL_EXPORT extern "C" __attribute__((visibility("default")))

MINIMAL_EXPORT HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
  *object = nullptr;
  if (!(*clsid == CLSID_CWaveForm)) return CLASS_E_CLASSNOTAVAILABLE;
  return factoryQueryInterface(&factory, iid, object);
}
MINIMAL_EXPORT HRESULT DllCanUnloadNow(void) { return liveObjects == 0 ? S_OK : S_FALSE; }
MINIMAL_EXPORT HRESULT DllRegisterServer(void) { return E_NOTIMPL; }
MINIMAL_EXPORT HRESULT DllUnregisterServer(void) { return E_NOTIMPL; }
