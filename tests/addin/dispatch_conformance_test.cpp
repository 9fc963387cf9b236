// Every argument form a host may pass through Invoke, against what it gets: written through,
// coerced by the automation run-time's rules, or refused with DISP_E_TYPEMISMATCH (naming the
// argument in puArgErr) or DISP_E_OVERFLOW.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "addin/addin_fixture.h"
#include "platform/com/automation.h"
#include "platform/com/variant.h"
#include "support/variant_references.h"

namespace trv3::testing {
namespace {

using Conformance = RegisteredAddin;

struct Call {
  HRESULT status;
  uint32_t argumentError;
  com::Variant result;
  std::vector<VARIANT> arguments;  // as the call left them, in the caller's order
};

// Arguments in the caller's order; DISPPARAMS wants them reversed.
Call invoke(_CWaveForm* object, DISPID member, uint16_t flags, std::vector<VARIANT> arguments) {
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPID putName = DISPID_PROPERTYPUT;
  const bool put = flags & DISPATCH_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), put ? &putName : nullptr,
                    static_cast<uint32_t>(reversed.size()), put ? 1u : 0u};
  Call call{S_OK, 99, {}, {}};
  call.status = object->lpVtbl->Invoke(object, member, &GUID_NULL, 0, flags, &params,
                                       &call.result.raw(), nullptr, &call.argumentError);
  call.arguments.assign(reversed.rbegin(), reversed.rend());
  return call;
}

template <class T>
VARIANT scalar(VARTYPE type, T value) {
  VARIANT v{};
  v.vt = type;
  std::memcpy(&v.lVal, &value, sizeof value);
  return v;
}

VARIANT decimal(unsigned __int128 digits, uint8_t scale, bool negative) {
  DECIMAL d{};
  d.scale = scale;
  d.sign = negative ? DECIMAL_NEG : 0;
  d.Hi32 = static_cast<uint32_t>(digits >> 64);
  d.Lo64 = static_cast<uint64_t>(digits);
  VARIANT v{};
  std::memcpy(&v, &d, sizeof d);
  v.vt = VT_DECIMAL;
  return v;
}

TEST_F(Conformance, CountryCodeTakesEveryScalarTypeByTheRunTimesRules) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    int16_t referencedShort = 44;
    VARIANT referencedUnsigned = scalar(VT_UI1, uint8_t{45});
    DECIMAL referencedDecimal{};
    referencedDecimal.Lo64 = 465;
    referencedDecimal.scale = 1;  // 46.5 halves to 46
    const com::Variant number("49"), spacedNumber(" 4.5E1 "), word("abc");
    VARIANT numberBeforeNul{};  // "47", NUL, "x": parsing ends at the NUL
    numberBeforeNul.vt = VT_BSTR;
    numberBeforeNul.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(u"47\0x"), 4);
    const com::Variant array(com::Int32SafeArray(2));
    VARIANT refToUnsigned = referenceTo(referencedUnsigned);
    VARIANT refToRefToUnsigned = referenceTo(refToUnsigned);
    VARIANT refToDecimal{};
    refToDecimal.vt = VT_BYREF | VT_DECIMAL;
    refToDecimal.pdecVal = &referencedDecimal;
    VARIANT refToShort{};
    refToShort.vt = VT_BYREF | VT_I2;
    refToShort.piVal = &referencedShort;

    struct Case {
      const char* form;
      VARIANT argument;
      HRESULT status;
      int32_t stored;
    };
    const Case cases[] = {
        {"I1", scalar(VT_I1, int8_t{-3}), S_OK, -3},
        {"UI1", scalar(VT_UI1, uint8_t{49}), S_OK, 49},
        {"I2", scalar(VT_I2, int16_t{33}), S_OK, 33},
        {"UI2", scalar(VT_UI2, uint16_t{65535}), S_OK, 65535},
        {"UI4", scalar(VT_UI4, uint32_t{49}), S_OK, 49},
        {"UI4 beyond I4", scalar(VT_UI4, uint32_t{4000000000u}), DISP_E_OVERFLOW, 0},
        {"INT", scalar(VT_INT, int32_t{-1}), S_OK, -1},
        {"UINT", scalar(VT_UINT, uint32_t{7}), S_OK, 7},
        {"I8", scalar(VT_I8, int64_t{49}), S_OK, 49},
        {"I8 beyond I4", scalar(VT_I8, int64_t{2147483648}), DISP_E_OVERFLOW, 0},
        {"UI8", scalar(VT_UI8, uint64_t{44}), S_OK, 44},
        {"R4 halves to even", scalar(VT_R4, 48.5f), S_OK, 48},
        {"R8 halves to even", scalar(VT_R8, 49.5), S_OK, 50},
        {"R8 negative half", scalar(VT_R8, -2.5), S_OK, -2},
        {"R8 rounds beyond I4", scalar(VT_R8, 2147483647.5), DISP_E_OVERFLOW, 0},
        {"R8 not a number", scalar(VT_R8, std::nan("")), DISP_E_OVERFLOW, 0},
        {"CY scaled by 10000", scalar(VT_CY, int64_t{495000}), S_OK, 50},
        {"CY half to even", scalar(VT_CY, int64_t{485000}), S_OK, 48},
        {"DATE as its day count", scalar(VT_DATE, 44.5), S_OK, 44},
        {"DECIMAL", decimal(495, 1, false), S_OK, 50},
        {"DECIMAL negative", decimal(125, 1, true), S_OK, -12},
        // More digits than a double holds: 48.5000000000000000001 and 33.49999999999999999999.
        {"DECIMAL just above a half",
         decimal(static_cast<unsigned __int128>(4850000000000000000) * 100 + 1, 19, false), S_OK, 49},
        {"DECIMAL just below a half",
         decimal(static_cast<unsigned __int128>(334999999999999999) * 10000 + 9999, 20, false), S_OK, 33},
        {"DECIMAL of no valid scale", decimal(5, 29, false), DISP_E_TYPEMISMATCH, 0},
        {"BOOL True", scalar(VT_BOOL, VARIANT_TRUE), S_OK, -1},
        {"BSTR number", number.raw(), S_OK, 49},
        {"BSTR number with blanks and exponent", spacedNumber.raw(), S_OK, 45},
        {"BSTR word", word.raw(), DISP_E_TYPEMISMATCH, 0},
        {"BSTR number, embedded NUL", numberBeforeNul, S_OK, 47},
        {"NULL", scalar(VT_NULL, 0), DISP_E_TYPEMISMATCH, 0},
        {"ERROR", scalar(VT_ERROR, DISP_E_PARAMNOTFOUND), DISP_E_TYPEMISMATCH, 0},
        {"array", array.raw(), DISP_E_TYPEMISMATCH, 0},
        {"BYREF I2", refToShort, S_OK, 44},
        {"BYREF VARIANT holding UI1", refToUnsigned, S_OK, 45},
        {"BYREF VARIANT holding a BYREF VARIANT", refToRefToUnsigned, S_OK, 45},
        {"BYREF DECIMAL", refToDecimal, S_OK, 46},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.form);
      ASSERT_EQ(object->lpVtbl->let_countryCode(object.get(), 1), S_OK);
      const Call put = invoke(object.get(), DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT,
                              {c.argument});
      EXPECT_EQ(put.status, c.status);
      if (c.status == DISP_E_TYPEMISMATCH) {
        EXPECT_EQ(put.argumentError, 0u);
      }
      int32_t stored = 0;
      object->lpVtbl->get_countryCode(object.get(), &stored);
      EXPECT_EQ(stored, c.status == S_OK ? c.stored : 1);
    }
    VariantClear(&numberBeforeNul);
  });
}

// How a call is framed rather than what it carries: flags, the reserved interface id, the put's
// named argument and the argument count, against the status the automation run-time gives and the
// argument it blames in puArgErr (99: none).
TEST_F(Conformance, CallsAreFramedAsTheAutomationRunTimeRequires) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    const IID otherIid = IID_IDispatch;
    enum class Named { None, PutName, OtherName, CountWithoutNames, BothByPosition, OneTwice, OneUnknown };
    struct Case {
      const char* call;
      DISPID member;
      uint16_t flags;
      const IID* iid;
      Named named;
      uint32_t count;
      HRESULT status;
      uint32_t argumentError = 99;
    };
    const Case cases[] = {
        {"put named DISPID_PROPERTYPUT", DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, &GUID_NULL, Named::PutName, 1, S_OK},
        {"put with no named argument", DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, &GUID_NULL, Named::None, 1, DISP_E_PARAMNOTFOUND, 0},
        {"put named otherwise", DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, &GUID_NULL, Named::OtherName, 1, DISP_E_PARAMNOTFOUND, 0},
        {"put counting names it lacks", DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYPUT, &GUID_NULL, Named::CountWithoutNames, 1, DISP_E_PARAMNOTFOUND},
        {"set of a number", DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUTREF, &GUID_NULL, Named::PutName, 1, DISP_E_MEMBERNOTFOUND},
        {"set of module", DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYPUTREF, &GUID_NULL, Named::PutName, 1, S_OK},
        {"put of a read-only property", DISPID_CWAVEFORM_WAVEFORMRESULT, DISPATCH_PROPERTYPUT, &GUID_NULL, Named::PutName, 1, DISP_E_MEMBERNOTFOUND},
        {"get as scripts ask", DISPID_CWAVEFORM_CTYPE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &GUID_NULL, Named::None, 0, S_OK},
        {"get with an argument", DISPID_CWAVEFORM_CTYPE, DISPATCH_PROPERTYGET, &GUID_NULL, Named::None, 1, DISP_E_BADPARAMCOUNT},
        {"method with one argument short", DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, &GUID_NULL, Named::None, 1, DISP_E_BADPARAMCOUNT},
        {"method as scripts call it", DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &GUID_NULL, Named::None, 2, S_OK},
        {"method read as a property", DISPID_CWAVEFORM_EXECUTE, DISPATCH_PROPERTYGET, &GUID_NULL, Named::None, 2, DISP_E_MEMBERNOTFOUND},
        {"method with named arguments", DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, &GUID_NULL, Named::BothByPosition, 2, S_OK},
        {"method naming one parameter twice", DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, &GUID_NULL, Named::OneTwice, 2, DISP_E_PARAMNOTFOUND, 1},
        {"method naming a parameter it lacks", DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, &GUID_NULL, Named::OneUnknown, 2, DISP_E_PARAMNOTFOUND, 1},
        {"unknown member", 0x12345, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &GUID_NULL, Named::None, 0, DISP_E_MEMBERNOTFOUND},
        {"interface id not IID_NULL", DISPID_CWAVEFORM_CTYPE, DISPATCH_PROPERTYGET, &otherIid, Named::None, 0, DISP_E_UNKNOWNINTERFACE},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.call);
      std::vector<VARIANT> arguments(c.count, scalar(VT_I4, int32_t{1}));
      std::vector<DISPID> names;
      switch (c.named) {
        case Named::PutName: names = {DISPID_PROPERTYPUT}; break;
        case Named::OtherName: names = {0}; break;
        case Named::BothByPosition: names = {1, 0}; break;
        case Named::OneTwice: names = {1, 1}; break;
        case Named::OneUnknown: names = {1, 7}; break;
        default: break;
      }
      const uint32_t named = c.named == Named::CountWithoutNames ? 1u : static_cast<uint32_t>(names.size());
      DISPPARAMS params{arguments.data(), names.empty() ? nullptr : names.data(), c.count, named};
      com::Variant result;
      uint32_t argumentError = 99;
      EXPECT_EQ(object->lpVtbl->Invoke(object.get(), c.member, c.iid, 0, c.flags, &params, &result.raw(),
                                       nullptr, &argumentError),
                c.status);
      EXPECT_EQ(argumentError, c.argumentError);
    }
  });
}

// Member names and, after a method's name, its parameters' names, which are their positions.
TEST_F(Conformance, NamesResolveIgnoringCaseParametersIncluded) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    struct Case {
      std::vector<std::u16string> names;
      HRESULT status;
      std::vector<DISPID> ids;
    };
    const Case cases[] = {
        {{u"GETWAVEFORM", u"wtime", u"WForm"}, S_OK, {DISPID_CWAVEFORM_GETWAVEFORM, 1, 0}},
        {{u"execute", u"DATA"}, S_OK, {DISPID_CWAVEFORM_EXECUTE, 1}},
        {{u"getWaveform", u"wTime", u"x"}, DISP_E_UNKNOWNNAME, {DISPID_CWAVEFORM_GETWAVEFORM, 1, DISPID_UNKNOWN}},
        {{u"countryCode", u"value"}, DISP_E_UNKNOWNNAME, {DISPID_CWAVEFORM_COUNTRYCODE, DISPID_UNKNOWN}},
        {{u"nothing", u"wform"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
    };
    for (Case c : cases) {
      SCOPED_TRACE(c.names.size());
      std::vector<OLECHAR*> names;
      for (std::u16string& name : c.names) names.push_back(reinterpret_cast<OLECHAR*>(name.data()));
      std::vector<DISPID> ids(names.size(), 12345);
      EXPECT_EQ(object->lpVtbl->GetIDsOfNames(object.get(), &GUID_NULL, names.data(),
                                              static_cast<uint32_t>(names.size()), 0, ids.data()),
                c.status);
      EXPECT_EQ(ids, c.ids);
    }
  });
}

// The host's variables behind getWaveform's two arguments, in the forms a host may pass them.
// "Via Variant": a reference to a Variant that itself refers to the typed variable.
enum class WformForm { VariantRef, Int32ArrayRef, Int32ArrayRefHoldingOld, Int32ArrayRefViaVariant, DoubleArrayRef, Int32Ref, Int32ArrayRefLocked, VariantRefHoldingLockedArray };
enum class WTimeForm { DoubleRef, DoubleRefViaVariant, VariantRef, Int32Ref, SingleRef, VariantRefHoldingText, VariantRefHoldingLockedArray };

struct HostVariables {
  VARIANT wformVariant{};
  SAFEARRAY* wformArray = nullptr;
  int32_t integer = -1;
  float single = -1.0f;
  double wTime = -1.0;
  VARIANT wTimeVariant{};
  VARIANT referenceHolder{};  // the Variant between the argument and the typed variable

  ~HostVariables() {
    for (SAFEARRAY* array : {wformVariant.vt & VT_ARRAY ? wformVariant.parray : nullptr, wformArray,
                             wTimeVariant.vt & VT_ARRAY ? wTimeVariant.parray : nullptr})
      if (array != nullptr) array->cLocks = 0;
    VariantClear(&referenceHolder);
    VariantClear(&wformVariant);
    SafeArrayDestroy(wformArray);
    VariantClear(&wTimeVariant);
  }

  VARIANT wform(WformForm form) {
    switch (form) {
      case WformForm::VariantRef: return referenceTo(wformVariant);
      case WformForm::Int32ArrayRefHoldingOld: return arrayReference(SafeArrayCreateVector(VT_I4, 0, 3), VT_I4);
      case WformForm::Int32ArrayRef: return arrayReference(nullptr, VT_I4);
      case WformForm::Int32ArrayRefViaVariant:
        referenceHolder = arrayReference(nullptr, VT_I4);
        return referenceTo(referenceHolder);
      case WformForm::DoubleArrayRef: return arrayReference(SafeArrayCreateVector(VT_R8, 0, 3), VT_R8);
      case WformForm::Int32Ref: return referenceTo(integer);
      case WformForm::Int32ArrayRefLocked: return arrayReference(lockedArray(), VT_I4);
      case WformForm::VariantRefHoldingLockedArray: return referenceToLockedArrayIn(wformVariant);
    }
    return VARIANT{};
  }

  // A reference to the host's typed array variable, which holds `array`.
  VARIANT arrayReference(SAFEARRAY* array, VARTYPE elements) {
    wformArray = array;
    VARIANT reference{};
    reference.vt = VT_BYREF | VT_ARRAY | elements;
    reference.pparray = &wformArray;
    return reference;
  }

  // A reference to a host's Variant holding an array the host has locked (as SafeArrayLock does),
  // so that the array can be neither freed nor kept.
  static VARIANT referenceToLockedArrayIn(VARIANT& variable) {
    variable.vt = VT_ARRAY | VT_I4;
    variable.parray = lockedArray();
    return referenceTo(variable);
  }

  static SAFEARRAY* lockedArray() {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 3);
    array->cLocks = 1;
    return array;
  }

  VARIANT time(WTimeForm form) {
    VARIANT reference{};
    switch (form) {
      case WTimeForm::DoubleRef: return referenceTo(wTime);
      case WTimeForm::DoubleRefViaVariant:
        referenceHolder = referenceTo(wTime);
        return referenceTo(referenceHolder);
      case WTimeForm::VariantRefHoldingText: wTimeVariant = com::Variant("abc").detach(); [[fallthrough]];
      case WTimeForm::VariantRef: return referenceTo(wTimeVariant);
      case WTimeForm::Int32Ref: return referenceTo(integer);
      case WTimeForm::SingleRef:
        reference.vt = VT_BYREF | VT_R4;
        reference.pfltVal = &single;
        return reference;
      case WTimeForm::VariantRefHoldingLockedArray: return referenceToLockedArrayIn(wTimeVariant);
    }
    return reference;
  }

  // The samples the host's wform variable holds now.
  uint32_t samples() const {
    const SAFEARRAY* array = wformVariant.vt == (VT_ARRAY | VT_I4) ? wformVariant.parray : wformArray;
    return array && array->cbElements == sizeof(int32_t) ? array->rgsabound[0].cElements : 0;
  }

  double time() const { return wTimeVariant.vt == VT_R8 ? wTimeVariant.dblVal : wTime; }
};

TEST_F(Conformance, GetWaveformWritesThroughOrRefusesBeforeAnyDialogOrTraffic) {
  const ConfirmedFetchSetup setup;
  const test::SimulatorProcess& simulator = setup.simulator;
  struct Case {
    const char* forms;
    WformForm wform;
    WTimeForm wTime;
    HRESULT status;
    uint32_t argumentError;
    bool cancelled = false;
  };
  const Case cases[] = {
      {"cancelled, Variant for wTime", WformForm::VariantRef, WTimeForm::VariantRef, S_OK, 0, true},
      {"Variant, double", WformForm::VariantRef, WTimeForm::DoubleRef, S_OK, 0},
      {"int32 array, Variant", WformForm::Int32ArrayRef, WTimeForm::VariantRef, S_OK, 0},
      {"int32 array replaced, double", WformForm::Int32ArrayRefHoldingOld, WTimeForm::DoubleRef, S_OK, 0},
      {"int32 array via Variant, double", WformForm::Int32ArrayRefViaVariant, WTimeForm::DoubleRef, S_OK, 0},
      {"Variant, double via Variant", WformForm::VariantRef, WTimeForm::DoubleRefViaVariant, S_OK, 0},
      {"double array", WformForm::DoubleArrayRef, WTimeForm::DoubleRef, DISP_E_TYPEMISMATCH, 1},
      {"int32 for wform", WformForm::Int32Ref, WTimeForm::DoubleRef, DISP_E_TYPEMISMATCH, 1},
      {"int32 for wTime", WformForm::VariantRef, WTimeForm::Int32Ref, DISP_E_TYPEMISMATCH, 0},
      {"single for wTime", WformForm::VariantRef, WTimeForm::SingleRef, DISP_E_TYPEMISMATCH, 0},
      {"Variant holding text for wTime", WformForm::VariantRef, WTimeForm::VariantRefHoldingText,
       DISP_E_TYPEMISMATCH, 0},
      {"locked int32 array", WformForm::Int32ArrayRefLocked, WTimeForm::DoubleRef, DISP_E_ARRAYISLOCKED, 1},
      {"Variant holding a locked array for wform", WformForm::VariantRefHoldingLockedArray,
       WTimeForm::DoubleRef, DISP_E_ARRAYISLOCKED, 1},
      {"Variant holding a locked array for wTime", WformForm::VariantRef,
       WTimeForm::VariantRefHoldingLockedArray, DISP_E_ARRAYISLOCKED, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.forms);
    inFreshApartment([&] {
      const ScopedEnvironment script("TRV3_UI_SCRIPT", c.cancelled ? "cancel" : "channel 1; points 600; ok");
      Held<_CWaveForm> object = create();
      HostVariables host;
      const size_t trafficBefore = simulator.loggedMessages().size();
      const Call call = invoke(object.get(), DISPID_CWAVEFORM_GETWAVEFORM, DISPATCH_METHOD,
                               {host.wform(c.wform), host.time(c.wTime)});
      EXPECT_EQ(call.status, c.status);
      int32_t result = 0;
      object->lpVtbl->get_WaveFormResult(object.get(), &result);
      if (c.cancelled) {
        EXPECT_EQ(result, 2);
        EXPECT_EQ(host.samples(), 0u);
        EXPECT_EQ(host.wTimeVariant.vt, VT_EMPTY);
        EXPECT_EQ(host.wTime, -1.0);
      } else if (c.status == S_OK) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(host.samples(), 600u);
        EXPECT_GT(host.time(), 0.0);
      } else {
        EXPECT_EQ(call.argumentError, c.argumentError);
        EXPECT_EQ(result, 1);  // no fetch began
        EXPECT_EQ(simulator.loggedMessages().size(), trafficBefore);
        EXPECT_EQ(host.wTime, -1.0);
      }
    });
  }
}

TEST_F(Conformance, ExecuteAndModuleTakeAnyVariantArraysIncluded) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    const SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 1}};
    SAFEARRAY* texts = SafeArrayCreate(VT_BSTR, 2, bounds);
    static_cast<BSTR*>(texts->pvData)[3] = SysAllocString(reinterpret_cast<const OLECHAR*>(u"x"));
    VARIANT textArray{};
    textArray.vt = VT_ARRAY | VT_BSTR;
    textArray.parray = texts;
    VARIANT doubleArray{};
    doubleArray.vt = VT_ARRAY | VT_R8;
    doubleArray.parray = SafeArrayCreateVector(VT_R8, 0, 4);
    VARIANT variantArray{};
    variantArray.vt = VT_ARRAY | VT_VARIANT;
    variantArray.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    int16_t shortValue = 5;
    VARIANT refToShort{};
    refToShort.vt = VT_BYREF | VT_I2;
    refToShort.piVal = &shortValue;
    VARIANT refToArray{};
    refToArray.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    refToArray.pparray = &variantArray.parray;

    const VARIANT forms[] = {textArray, doubleArray, variantArray, refToShort, refToArray,
                             decimal(1, 0, false), scalar(VT_NULL, 0), scalar(VT_UI8, uint64_t{1})};
    for (const VARIANT& form : forms) {
      SCOPED_TRACE(form.vt);
      const Call execute = invoke(object.get(), DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, {form, form});
      EXPECT_EQ(execute.status, S_OK);
      EXPECT_EQ(execute.result.type(), VT_BOOL);
      EXPECT_EQ(execute.result.raw().boolVal, VARIANT_TRUE);
      for (const VARIANT& left : execute.arguments) EXPECT_EQ(std::memcmp(&left, &form, sizeof form), 0);

      EXPECT_EQ(invoke(object.get(), DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYPUT, {form}).status, S_OK);
      const Call held = invoke(object.get(), DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYGET, {});
      EXPECT_EQ(held.status, S_OK);
      EXPECT_EQ(held.result.type(), form.vt & ~VT_BYREF);  // the value, not the reference
      if (form.vt & VT_ARRAY) {
        const SAFEARRAY* original = (form.vt & VT_BYREF) ? *form.pparray : form.parray;
        EXPECT_NE(held.result.raw().parray, original);  // a copy of its own
        EXPECT_EQ(held.result.raw().parray->cDims, original->cDims);
      }
    }
    EXPECT_EQ(shortValue, 5);
    EXPECT_EQ(*refToArray.pparray, variantArray.parray);
    // The copy held owns its texts: they outlive the host's array.
    invoke(object.get(), DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYPUT, {textArray});
    VariantClear(&textArray);
    const Call held = invoke(object.get(), DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(held.result.type(), VT_ARRAY | VT_BSTR);
    const BSTR kept = static_cast<BSTR*>(held.result.raw().parray->pvData)[3];
    ASSERT_EQ(SysStringLen(kept), 1u);
    EXPECT_EQ(kept[0], u'x');
    VariantClear(&doubleArray);
    VariantClear(&variantArray);
  });
}

}  // namespace
}  // namespace trv3::testing
