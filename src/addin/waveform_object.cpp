#include "addin/waveform_object.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "addin/CWaveForm.h"
#include "addin/waveform_dispatch.h"
#include "platform/com/bstr.h"
#include "platform/com/call_boundary.h"
#include "platform/com/error_info.h"
#include "platform/com/guid.h"
#include "platform/com/module_lock.h"
#include "shared/MGlobal.h"

namespace trv3::addin {
namespace {

// A number of the calling thread that no later thread gets: a thread's id passes on once the
// thread has ended, and an instance it left behind must not pass for its successor's.
uint64_t threadToken() {
  static std::atomic<uint64_t> issued{0};
  thread_local const uint64_t token = ++issued;
  return token;
}

struct WaveFormObject {
  WaveFormObject();

  _CWaveForm face;  // first: the object's identity
  IThreadErrorInfo errorFace;
  ISupportErrorInfo supportFace;
  std::atomic<uint32_t> references{1};
  const uint64_t creator = threadToken();
  CWaveForm instance;  // constructed last, so its initialisation sees a complete object
};

WaveFormObject* objectOf(_CWaveForm* face) { return reinterpret_cast<WaveFormObject*>(face); }

WaveFormObject* objectOf(IThreadErrorInfo* face) {
  return reinterpret_cast<WaveFormObject*>(reinterpret_cast<char*>(face) -
                                           offsetof(WaveFormObject, errorFace));
}

WaveFormObject* objectOf(ISupportErrorInfo* face) {
  return reinterpret_cast<WaveFormObject*>(reinterpret_cast<char*>(face) -
                                           offsetof(WaveFormObject, supportFace));
}

// The members work on the session state of the thread that created the instance, which no other
// thread may touch: a call from another thread would silently read and change that thread's own
// state instead, so it is refused, as a proxy refuses a call from the wrong apartment.
[[noreturn]] void raiseWrongThread() {
  raise(RPC_E_WRONG_THREAD, "The add-in was called on a thread other than the one that created it",
        CWAVEFORM_PROGID);
}

bool onCreatorThread(_CWaveForm* face) { return threadToken() == objectOf(face)->creator; }

CWaveForm& instanceOf(_CWaveForm* face) {
  if (!onCreatorThread(face)) raiseWrongThread();
  return objectOf(face)->instance;
}

uint32_t addRef(_CWaveForm* self);
uint32_t release(_CWaveForm* self);

// A running member holds a reference of its own: the host may release its last one from its own
// events while the member's dialog is shown, and the instance then terminates (saving what the user
// chose in that dialog) only once the member has returned.
class HeldForTheCall {
 public:
  explicit HeldForTheCall(_CWaveForm* self) : self_(self) { addRef(self_); }
  ~HeldForTheCall() { release(self_); }
  HeldForTheCall(const HeldForTheCall&) = delete;
  HeldForTheCall& operator=(const HeldForTheCall&) = delete;

 private:
  _CWaveForm* self_;
};

// A member's way in. Once the calling thread's apartment has ended, the state a member works on
// (the thread's language, model table and error info) is gone, and a process's exit handlers run
// after that of the exiting thread: the call is refused, with no error info, which would need the
// same state.
template <class Body>
HRESULT memberCall(_CWaveForm* self, Body&& body) {
  if (MGlobal::apartmentEnded()) return CO_E_NOTINITIALIZED;
  const HeldForTheCall held(self);
  return com::callBoundary([&] { body(instanceOf(self)); });
}

HRESULT queryInterface(_CWaveForm* self, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == nullptr) return E_INVALIDARG;
  WaveFormObject* o = objectOf(self);
  if (isWaveFormInterface(*iid))
    *object = &o->face;
  else if (*iid == IID_IThreadErrorInfo)
    *object = &o->errorFace;
  else if (*iid == IID_ISupportErrorInfo)
    *object = &o->supportFace;
  else
    return E_NOINTERFACE;
  ++o->references;
  return S_OK;
}

uint32_t addRef(_CWaveForm* self) { return ++objectOf(self)->references; }

uint32_t release(_CWaveForm* self) {
  const uint32_t left = --objectOf(self)->references;
  if (left == 0) {
    delete objectOf(self);  // termination runs here
    com::unlockModule();    // only now: termination may still release the host's objects
  }
  return left;
}

HRESULT getTypeInfoCount(_CWaveForm*, uint32_t* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;  // no type information is served at run time
  return S_OK;
}

HRESULT getTypeInfo(_CWaveForm*, uint32_t, LCID, void** typeInfo) {
  if (typeInfo != nullptr) *typeInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT getModule(_CWaveForm* self, VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  return memberCall(self, [&](CWaveForm& waveform) { *value = com::Variant(waveform.module()).detach(); });
}

HRESULT assignModule(_CWaveForm* self, VARIANT value) {
  return memberCall(self, [&](CWaveForm& waveform) { waveform.setModule(com::Variant::valueOf(value)); });
}

// The host's values are handed back on every way out, so that even an unexpected failure never
// leaves the host's wform emptied.
HRESULT getWaveform(_CWaveForm* self, VARIANT* wform, double* wTime) {
  if (wform == nullptr || wTime == nullptr) return E_POINTER;
  com::Variant waveform = com::Variant::adopt(*wform);
  double time = *wTime;
  const HRESULT status = memberCall(self, [&](CWaveForm& instance) { instance.getWaveform(waveform, time); });
  *wform = waveform.detach();
  *wTime = time;
  return status;
}

HRESULT getComponentId(_CWaveForm* self, BSTR* value) {
  if (value == nullptr) return E_POINTER;
  return memberCall(self, [&](CWaveForm& waveform) { *value = com::allocBstr(waveform.ComponentID()); });
}

HRESULT getCountryCode(_CWaveForm* self, int32_t* value) {
  if (value == nullptr) return E_POINTER;
  return memberCall(self, [&](CWaveForm& waveform) { *value = waveform.countryCode(); });
}

HRESULT letCountryCode(_CWaveForm* self, int32_t value) {
  return memberCall(self, [&](CWaveForm& waveform) { waveform.setCountryCode(value); });
}

HRESULT getWaveFormResult(_CWaveForm* self, int32_t* value) {
  if (value == nullptr) return E_POINTER;
  return memberCall(self, [&](CWaveForm& waveform) { *value = waveform.WaveFormResult(); });
}

HRESULT getCType(_CWaveForm* self, VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  return memberCall(self, [&](CWaveForm& waveform) { *value = waveform.CType().detach(); });
}

HRESULT execute(_CWaveForm* self, int32_t* action, VARIANT* data, VARIANT_BOOL* result) {
  if (action == nullptr || data == nullptr || result == nullptr) return E_POINTER;
  return memberCall(self, [&](CWaveForm& waveform) {
    *result = waveform.Execute(*action, *data) ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

HRESULT invoke(_CWaveForm* self, DISPID member, const IID* iid, LCID locale, uint16_t flags,
               DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, uint32_t* argumentError) {
  if (MGlobal::apartmentEnded()) return CO_E_NOTINITIALIZED;
  if (!onCreatorThread(self)) return com::callBoundary([] { raiseWrongThread(); });
  // Held across all the members one Invoke calls.
  const HeldForTheCall held(self);
  return waveFormInvoke(self, member, iid, locale, flags, params, result, exception, argumentError);
}

const _CWaveFormVtbl waveFormVtbl = {
    queryInterface, addRef,        release,        getTypeInfoCount,  getTypeInfo,
    waveFormGetIDsOfNames, invoke,         getModule, assignModule,   assignModule,
    getWaveform,    getComponentId, getCountryCode, letCountryCode,   getWaveFormResult,
    getCType,       execute,
};

HRESULT errorFaceGetErrorInfo(IThreadErrorInfo*, IErrorInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  try {
    const auto record = com::takeErrorInfo();
    if (!record) return S_FALSE;
    *info = com::createErrorInfo(*record);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// The other faces share the object's identity and reference count.
template <class Face>
HRESULT faceQuery(Face* self, const IID* iid, void** object) {
  return queryInterface(&objectOf(self)->face, iid, object);
}
template <class Face>
uint32_t faceAddRef(Face* self) {
  return addRef(&objectOf(self)->face);
}
template <class Face>
uint32_t faceRelease(Face* self) {
  return release(&objectOf(self)->face);
}

// Every member of _CWaveForm (and of IDispatch, the same interface) leaves error info on failure.
HRESULT supportsErrorInfo(ISupportErrorInfo*, const IID* iid) {
  if (iid == nullptr) return E_INVALIDARG;
  return *iid == IID__CWaveForm || *iid == IID_IDispatch ? S_OK : S_FALSE;
}

const IThreadErrorInfoVtbl errorFaceVtbl = {faceQuery<IThreadErrorInfo>, faceAddRef<IThreadErrorInfo>,
                                            faceRelease<IThreadErrorInfo>, errorFaceGetErrorInfo};

const ISupportErrorInfoVtbl supportFaceVtbl = {faceQuery<ISupportErrorInfo>,
                                               faceAddRef<ISupportErrorInfo>,
                                               faceRelease<ISupportErrorInfo>, supportsErrorInfo};

WaveFormObject::WaveFormObject()
    : face{&waveFormVtbl}, errorFace{&errorFaceVtbl}, supportFace{&supportFaceVtbl} {
  com::lockModule();
}

}  // namespace

bool isWaveFormInterface(const IID& iid) {
  return iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__CWaveForm;
}

HRESULT createWaveFormObject(const IID& iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!isWaveFormInterface(iid) && !(iid == IID_IThreadErrorInfo) && !(iid == IID_ISupportErrorInfo))
    return E_NOINTERFACE;
  if (MGlobal::apartmentEnded()) return CO_E_NOTINITIALIZED;
  WaveFormObject* created = nullptr;
  const HRESULT hr = com::callBoundary([&] { created = new WaveFormObject; });
  if (FAILED(hr)) return hr;
  queryInterface(&created->face, &iid, object);
  release(&created->face);  // the asked interface now holds the only reference
  return S_OK;
}

}  // namespace trv3::addin
