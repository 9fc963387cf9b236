#include "addin/waveform_dispatch.h"

#include <array>
#include <new>
#include <string>
#include <string_view>

#include "platform/com/automation.h"
#include "platform/com/dispatch_arguments.h"
#include "platform/com/error_info.h"
#include "platform/com/guid.h"
#include "platform/com/utf.h"
#include "platform/runtime/conversions.h"

namespace trv3::addin {
namespace {

using com::DispatchArguments;
using com::DispatchFailure;

// A method's parameters in order: a parameter's dispatch id is its position.
struct MemberName {
  const char* name;
  DISPID id;
  std::array<const char*, 2> parameters;
};

constexpr MemberName memberNames[] = {
    {"module", DISPID_CWAVEFORM_MODULE, {}},
    {"getWaveform", DISPID_CWAVEFORM_GETWAVEFORM, {"wform", "wTime"}},
    {"ComponentID", DISPID_CWAVEFORM_COMPONENTID, {}},
    {"countryCode", DISPID_CWAVEFORM_COUNTRYCODE, {}},
    {"WaveFormResult", DISPID_CWAVEFORM_WAVEFORMRESULT, {}},
    {"CType", DISPID_CWAVEFORM_CTYPE, {}},
    {"Execute", DISPID_CWAVEFORM_EXECUTE, {"Action", "data"}},
};

std::string lowerName(const OLECHAR* name) {
  return toLowerAscii(com::utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name))));
}

bool isGet(uint16_t flags) { return flags & DISPATCH_PROPERTYGET; }
bool isMethod(uint16_t flags) { return flags & DISPATCH_METHOD; }
bool isPut(uint16_t flags) { return flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF); }

// A vtable member failed; its error info is this thread's.
struct MemberFailure {
  HRESULT status;
};

void check(HRESULT status) {
  if (FAILED(status)) throw MemberFailure{status};
}

com::Variant asResult(int32_t value) { return com::Variant(value); }
com::Variant asResult(VARIANT& value) { return com::Variant::adopt(value); }
com::Variant asResult(BSTR text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = text;
  return com::Variant::adopt(value);
}

// A property get: no arguments, and what the vtable getter hands out becomes the result.
template <class Value, class Getter>
void readProperty(DISPPARAMS* params, VARIANT* result, Getter get) {
  DispatchArguments arguments(params, 0);
  Value value{};
  check(get(&value));
  com::setResult(result, asResult(value));
}

void invokeMember(_CWaveForm* self, DISPID member, uint16_t flags, DISPPARAMS* params,
                  VARIANT* result) {
  const _CWaveFormVtbl& v = *self->lpVtbl;
  switch (member) {
    case DISPID_CWAVEFORM_MODULE:
      if (isPut(flags)) {
        DispatchArguments arguments(params, 1, true);
        VARIANT& value = arguments.at(0);
        check((flags & DISPATCH_PROPERTYPUTREF) ? v.set_module(self, value)
                                                 : v.let_module(self, value));
        return;
      }
      if (isGet(flags))
        return readProperty<VARIANT>(params, result, [&](VARIANT* out) { return v.get_module(self, out); });
      break;
    case DISPID_CWAVEFORM_GETWAVEFORM:
      if (isMethod(flags)) {
        DispatchArguments arguments(params, 2);
        // Both are checked before the member runs: a refused argument shows no dialog.
        com::VariantReference wform(arguments, 0, VT_I4);
        com::DoubleReference wTime(arguments, 1);
        check(v.getWaveform(self, wform.get(), wTime.get()));
        // The caller's Variant changes only when the fetch wrote wTime: with a delivered waveform
        // (WaveFormResult 1), or a transfer that failed after computing it.
        int32_t outcome = 0;
        check(v.get_WaveFormResult(self, &outcome));
        if (outcome == 1 || wTime.changed()) wTime.writeBack();
        return;
      }
      break;
    case DISPID_CWAVEFORM_COMPONENTID:
      if (isGet(flags))
        return readProperty<BSTR>(params, result, [&](BSTR* out) { return v.get_ComponentID(self, out); });
      break;
    case DISPID_CWAVEFORM_COUNTRYCODE:
      if (flags & DISPATCH_PROPERTYPUT) {  // a number: no set form
        DispatchArguments arguments(params, 1, true);
        check(v.let_countryCode(self, arguments.int32Value(0)));
        return;
      }
      if (isGet(flags))
        return readProperty<int32_t>(params, result, [&](int32_t* out) { return v.get_countryCode(self, out); });
      break;
    case DISPID_CWAVEFORM_WAVEFORMRESULT:
      if (isGet(flags))
        return readProperty<int32_t>(params, result,
                                     [&](int32_t* out) { return v.get_WaveFormResult(self, out); });
      break;
    case DISPID_CWAVEFORM_CTYPE:
      if (isGet(flags))
        return readProperty<VARIANT>(params, result, [&](VARIANT* out) { return v.get_CType(self, out); });
      break;
    case DISPID_CWAVEFORM_EXECUTE:
      if (isMethod(flags)) {
        // Execute reads neither argument, so any form of either is accepted as it is.
        DispatchArguments arguments(params, 2);
        VARIANT& action = arguments.at(0);
        VARIANT& data = arguments.at(1);
        int32_t unreadAction = 0;
        int32_t* actionTarget =
            action.vt == (VT_BYREF | VT_I4) && action.plVal ? action.plVal : &unreadAction;
        VARIANT* dataTarget = data.vt == (VT_BYREF | VT_VARIANT) && data.pvarVal ? data.pvarVal : &data;
        VARIANT_BOOL done = VARIANT_FALSE;
        check(v.Execute(self, actionTarget, dataTarget, &done));
        com::setResult(result, com::Variant::boolean(done != VARIANT_FALSE));
        return;
      }
      break;
    default:
      break;
  }
  throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
}

HRESULT reportInExcepInfo(EXCEPINFO& exception, HRESULT status) noexcept {
  try {
    const auto record = com::takeErrorInfo();
    com::fillExcepInfo(exception, record.value_or(com::ErrorRecord{status, {}, {}}));
    return DISP_E_EXCEPTION;
  } catch (...) {
    return status;  // no room for the texts: the status alone
  }
}

}  // namespace

HRESULT waveFormGetIDsOfNames(_CWaveForm*, const IID*, OLECHAR** names, uint32_t count, LCID,
                              DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  if (names[0] == nullptr) return E_INVALIDARG;
  for (uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  try {
    // The first name is the member's, the others its parameters'.
    const std::string wanted = lowerName(names[0]);
    const MemberName* found = nullptr;
    for (const MemberName& member : memberNames)
      if (toLowerAscii(member.name) == wanted) found = &member;
    if (found == nullptr) return DISP_E_UNKNOWNNAME;
    ids[0] = found->id;
    bool allKnown = true;
    for (uint32_t i = 1; i < count; ++i) {
      const std::string parameter = names[i] ? lowerName(names[i]) : std::string();
      for (DISPID position = 0; position < static_cast<DISPID>(found->parameters.size()); ++position)
        if (found->parameters[position] && toLowerAscii(found->parameters[position]) == parameter)
          ids[i] = position;
      allKnown = allKnown && ids[i] != DISPID_UNKNOWN;
    }
    return allKnown ? S_OK : DISP_E_UNKNOWNNAME;
  } catch (...) {
    return E_OUTOFMEMORY;  // copying a name is all that can fail
  }
}

HRESULT waveFormInvoke(_CWaveForm* self, DISPID member, const IID* iid, LCID, uint16_t flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                       uint32_t* argumentError) {
  if (iid != nullptr && !(*iid == GUID_NULL)) return DISP_E_UNKNOWNINTERFACE;  // reserved: IID_NULL
  // A put has no result: the caller's variable is left alone, whatever it holds.
  if (result != nullptr && !isPut(flags)) VariantInit(result);
  com::clearErrorInfo();
  try {
    invokeMember(self, member, flags, params, result);
    return S_OK;
  } catch (const DispatchFailure& failure) {
    if (argumentError != nullptr && failure.argumentIndex != DispatchFailure::NoArgument)
      *argumentError = failure.argumentIndex;
    return failure.status;
  } catch (const MemberFailure& failure) {
    // The member's error info travels in EXCEPINFO; without one it stays this thread's.
    if (exception == nullptr) return failure.status;
    return reportInExcepInfo(*exception, failure.status);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace trv3::addin
