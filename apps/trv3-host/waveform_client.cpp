#include "waveform_client.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "addin/waveform_interface.h"
#include "platform/com/automation.h"
#include "platform/com/utf.h"

namespace trv3::host {

namespace {

std::string fromBstr(BSTR text) {
  if (!text) return {};
  return com::utf16ToUtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

std::string hex(HRESULT status) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<uint32_t>(status));
  return buffer;
}

// The text of a failed Invoke: the add-in's description and source when it raised an error, the
// bare status otherwise. Frees the strings the exception info holds.
std::string failureText(HRESULT status, EXCEPINFO& exception) {
  std::string text;
  if (status == DISP_E_EXCEPTION) {
    const std::string description = fromBstr(exception.bstrDescription);
    const std::string source = fromBstr(exception.bstrSource);
    text = description.empty() ? "error" : description;
    text += " (error " + hex(exception.scode);
    if (!source.empty()) text += ", source " + source;
    text += ")";
  } else {
    text = "status " + hex(status);
  }
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  return text;
}

// Owns a result Variant until the value has been taken out of it.
struct VariantGuard {
  VARIANT value;
  ~VariantGuard() { VariantClear(&value); }
};

}  // namespace

WaveformClient::WaveformClient(ComRef<IDispatch> instance) : instance_(std::move(instance)) {}

VARIANT WaveformClient::invoke(const char* what, DISPID member, uint16_t flags,
                               DISPPARAMS& params) {
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  uint32_t argumentError = 0;
  IDispatch* dispatch = instance_.get();
  const HRESULT status = dispatch->lpVtbl->Invoke(dispatch, member, &GUID_NULL, 0, flags, &params,
                                                  &result, &exception, &argumentError);
  if (FAILED(status)) {
    VariantClear(&result);
    throw std::runtime_error(std::string(what) + " failed: " + failureText(status, exception));
  }
  return result;
}

VARIANT WaveformClient::get(const char* what, DISPID member) {
  DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
  return invoke(what, member, DISPATCH_PROPERTYGET, noArguments);
}

void WaveformClient::setCountryCode(int32_t code) {
  // A property put passes the new value as the one argument, named DISPID_PROPERTYPUT.
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = code;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &putId, 1, 1};
  VariantGuard result{
      invoke("setting countryCode", DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, params)};
}

int32_t WaveformClient::countryCode() {
  VariantGuard result{get("reading countryCode", DISPID_CWAVEFORM_COUNTRYCODE)};
  if (result.value.vt != VT_I4) throw std::runtime_error("countryCode is not a 32-bit integer");
  return result.value.lVal;
}

std::string WaveformClient::componentId() {
  VariantGuard result{get("reading ComponentID", DISPID_CWAVEFORM_COMPONENTID)};
  if (result.value.vt != VT_BSTR) throw std::runtime_error("ComponentID is not a text");
  return fromBstr(result.value.bstrVal);
}

std::string WaveformClient::cType() {
  VariantGuard result{get("reading CType", DISPID_CWAVEFORM_CTYPE)};
  switch (result.value.vt) {
    case VT_I2:
      return std::to_string(result.value.iVal) + " (16-bit integer)";
    case VT_I4:
      return std::to_string(result.value.lVal) + " (32-bit integer)";
    default:
      return "a Variant of type " + std::to_string(result.value.vt);
  }
}

int32_t WaveformClient::waveFormResult() {
  VariantGuard result{get("reading WaveFormResult", DISPID_CWAVEFORM_WAVEFORMRESULT)};
  if (result.value.vt != VT_I4) throw std::runtime_error("WaveFormResult is not a 32-bit integer");
  return result.value.lVal;
}

bool WaveformClient::getWaveform(std::vector<int32_t>& codes, double& wTime) {
  // Both arguments go by reference: the add-in writes the sample array into the host's Variant
  // and the time value into the host's double. DISPPARAMS lists arguments last first, so wTime
  // (the second parameter) is rgvarg[0] and wform is rgvarg[1].
  VariantGuard wform{};
  VariantInit(&wform.value);
  VARIANT arguments[2];
  VariantInit(&arguments[0]);
  arguments[0].vt = VT_R8 | VT_BYREF;
  arguments[0].pdblVal = &wTime;
  VariantInit(&arguments[1]);
  arguments[1].vt = VT_VARIANT | VT_BYREF;
  arguments[1].pvarVal = &wform.value;
  DISPPARAMS params{arguments, nullptr, 2, 0};
  VariantGuard result{invoke("getWaveform", DISPID_CWAVEFORM_GETWAVEFORM, DISPATCH_METHOD, params)};

  codes.clear();
  if (wform.value.vt != (VT_ARRAY | VT_I4) || wform.value.parray == nullptr) return false;
  const SAFEARRAY* samples = wform.value.parray;
  int32_t lower = 0;
  int32_t upper = -1;
  if (FAILED(SafeArrayGetLBound(samples, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(samples, 1, &upper)))
    return false;
  const auto* first = static_cast<const int32_t*>(samples->pvData);
  if (upper >= lower) codes.assign(first, first + (static_cast<int64_t>(upper) - lower + 1));
  return true;
}

}  // namespace trv3::host
