// The library's four entry points, the only symbols it exports.
#include "addin/class_factory.h"
#include "addin/waveform_interface.h"
#include "platform/com/call_boundary.h"
#include "platform/com/guid.h"
#include "platform/com/module_lock.h"
#include "platform/com/server_registration.h"

namespace {

trv3::com::ServerRegistration thisServer() {
  return {CLSID_CWaveForm,
          CWAVEFORM_PROGID,
          "CWaveForm",
          IID__CWaveForm,
          "_CWaveForm",
          LIBID_vlmWFRM_TRV3,
          "vlmWFRM_TRV3",
          "Velmora Quorvalis TRV3 Scope Waveform Editor Add-In",
          "1.0",
          "Apartment",
          trv3::com::moduleFileOf(reinterpret_cast<const void*>(&thisServer))};
}

}  // namespace

#define TRV3_EXPORT extern "C" __attribute__((visibility("default")))

TRV3_EXPORT HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid == nullptr || iid == nullptr) return E_INVALIDARG;
  if (!(*clsid == CLSID_CWaveForm)) return CLASS_E_CLASSNOTAVAILABLE;
  IClassFactory* factory = trv3::addin::waveFormClassFactory();
  return factory->lpVtbl->QueryInterface(factory, iid, object);
}

TRV3_EXPORT HRESULT DllCanUnloadNow(void) {
  return trv3::com::moduleInUse() ? S_FALSE : S_OK;
}

TRV3_EXPORT HRESULT DllRegisterServer(void) {
  const HRESULT hr = trv3::com::callBoundary([] { trv3::com::registerServer(thisServer()); });
  return FAILED(hr) ? SELFREG_E_CLASS : hr;
}

TRV3_EXPORT HRESULT DllUnregisterServer(void) {
  const HRESULT hr = trv3::com::callBoundary([] { trv3::com::unregisterServer(thisServer()); });
  return FAILED(hr) ? SELFREG_E_CLASS : hr;
}
