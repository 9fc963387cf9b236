#include "platform/com/error_info.h"

#include <atomic>
#include <memory>
#include <utility>

#include "platform/com/automation.h"
#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/module_lock.h"

namespace trv3::com {
namespace {

thread_local std::optional<ErrorRecord> threadErrorInfo;

struct ErrorInfoObject {
  IErrorInfo face;
  std::atomic<uint32_t> references{1};
  ErrorRecord record;
};

ErrorInfoObject* self(IErrorInfo* face) { return reinterpret_cast<ErrorInfoObject*>(face); }

HRESULT textOut(BSTR* out, const std::string& text) {
  if (out == nullptr) return E_POINTER;
  try {
    *out = allocBstr(text);
  } catch (...) {
    *out = nullptr;
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT errorInfoQuery(IErrorInfo* face, const IID* iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid && (*iid == IID_IUnknown || *iid == IID_IErrorInfo)) {
    face->lpVtbl->AddRef(face);
    *object = face;
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}
uint32_t errorInfoAddRef(IErrorInfo* face) { return ++self(face)->references; }
uint32_t errorInfoRelease(IErrorInfo* face) {
  const uint32_t left = --self(face)->references;
  if (left == 0) {
    delete self(face);
    unlockModule();
  }
  return left;
}
HRESULT errorInfoGuid(IErrorInfo*, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  *guid = GUID_NULL;
  return S_OK;
}
HRESULT errorInfoSource(IErrorInfo* face, BSTR* out) { return textOut(out, self(face)->record.source); }
HRESULT errorInfoDescription(IErrorInfo* face, BSTR* out) {
  return textOut(out, self(face)->record.description);
}
HRESULT errorInfoHelpFile(IErrorInfo*, BSTR* out) { return textOut(out, {}); }
HRESULT errorInfoHelpContext(IErrorInfo*, uint32_t* context) {
  if (context == nullptr) return E_POINTER;
  *context = 0;
  return S_OK;
}

const IErrorInfoVtbl errorInfoVtbl = {errorInfoQuery,       errorInfoAddRef,      errorInfoRelease,
                                      errorInfoGuid,        errorInfoSource,      errorInfoDescription,
                                      errorInfoHelpFile,    errorInfoHelpContext};

std::string takeText(BSTR& text) {
  std::string utf8 = bstrToUtf8(text);
  SysFreeString(std::exchange(text, nullptr));
  return utf8;
}

}  // namespace

HRESULT hresultFromErrorNumber(int32_t number) {
  if (number < 0) return number;
  if (number > 0 && number <= 0xFFFF) return static_cast<HRESULT>(CTL_E_BASE | static_cast<uint32_t>(number));
  return E_FAIL;
}

int32_t errorNumberFromHresult(HRESULT status) {
  if ((static_cast<uint32_t>(status) & 0xFFFF0000u) == static_cast<uint32_t>(CTL_E_BASE))
    return static_cast<int32_t>(static_cast<uint32_t>(status) & 0xFFFFu);
  return status;
}

HRESULT reportError(const RuntimeError& error) {
  ErrorRecord record{hresultFromErrorNumber(error.number()), error.description(), error.source()};
  setErrorInfo(record);
  return record.scode;
}

void setErrorInfo(const ErrorRecord& record) { threadErrorInfo = record; }

void clearErrorInfo() { threadErrorInfo.reset(); }

std::optional<ErrorRecord> takeErrorInfo() { return std::exchange(threadErrorInfo, std::nullopt); }

void fillExcepInfo(EXCEPINFO& info, const ErrorRecord& record) {
  // Both texts first: out of memory for the second leaves the caller's EXCEPINFO untouched and
  // frees the first.
  std::unique_ptr<OLECHAR, decltype(&SysFreeString)> source(allocBstr(record.source), &SysFreeString);
  const BSTR description = allocBstr(record.description);
  info = EXCEPINFO{};
  info.scode = record.scode;
  info.bstrSource = source.release();
  info.bstrDescription = description;
}

ErrorRecord takeExcepInfo(EXCEPINFO& info) {
  ErrorRecord record{info.scode, takeText(info.bstrDescription), takeText(info.bstrSource)};
  SysFreeString(std::exchange(info.bstrHelpFile, nullptr));
  return record;
}

IErrorInfo* createErrorInfo(const ErrorRecord& record) {
  auto* object = new ErrorInfoObject{{&errorInfoVtbl}, {1}, record};
  lockModule();  // its vtable lives here: a host holding it must not unload the library
  return &object->face;
}

ErrorRecord errorInfoOf(IUnknown* object, HRESULT failure) {
  ErrorRecord record{failure, {}, {}};
  IThreadErrorInfo* provider = nullptr;
  if (object == nullptr ||
      FAILED(object->lpVtbl->QueryInterface(object, &IID_IThreadErrorInfo,
                                            reinterpret_cast<void**>(&provider))))
    return record;
  IErrorInfo* info = nullptr;
  if (provider->lpVtbl->GetErrorInfo(provider, &info) == S_OK && info != nullptr) {
    BSTR text = nullptr;
    if (SUCCEEDED(info->lpVtbl->GetDescription(info, &text))) record.description = takeText(text);
    if (SUCCEEDED(info->lpVtbl->GetSource(info, &text))) record.source = takeText(text);
    info->lpVtbl->Release(info);
  }
  provider->lpVtbl->Release(provider);
  return record;
}

RuntimeError toRuntimeError(const ErrorRecord& record) {
  const int32_t number = errorNumberFromHresult(record.scode);
  std::string description = record.description;
  if (description.empty()) description = standardDescription(number);
  return RuntimeError(number, std::move(description), record.source);
}

}  // namespace trv3::com
