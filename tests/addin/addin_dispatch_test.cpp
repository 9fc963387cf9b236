#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "addin/addin_fixture.h"
#include "addin/waveform_interface.h"
#include "platform/com/automation.h"
#include "platform/com/bstr.h"
#include "platform/com/error_info.h"
#include "platform/com/utf.h"
#include "platform/com/variant.h"
#include "support/variant_references.h"

namespace trv3::testing {
namespace {

using Dispatch = RegisteredAddin;

IDispatch* dispatchOf(const Held<_CWaveForm>& object) {
  return reinterpret_cast<IDispatch*>(object.get());
}

struct Invocation {
  HRESULT status;
  com::Variant result;
  uint32_t argumentError;
};

// Invokes with the arguments in the caller's order (DISPPARAMS wants them reversed).
Invocation invoke(IDispatch* target, DISPID member, uint16_t flags, std::vector<VARIANT> arguments,
                  bool namedPut = false, EXCEPINFO* exception = nullptr) {
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPID putName = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), namedPut ? &putName : nullptr,
                    static_cast<uint32_t>(reversed.size()), namedPut ? 1u : 0u};
  Invocation call{S_OK, {}, 99};
  call.status = target->lpVtbl->Invoke(target, member, &GUID_NULL, 0, flags, &params,
                                       &call.result.raw(), exception, &call.argumentError);
  return call;
}

TEST_F(Dispatch, NamesMapToTheInterfacesDispatchIdsIgnoringCase) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    const std::vector<std::pair<std::string, DISPID>> members = {
        {"module", 0x40030000},         {"getWaveform", 0x60030004}, {"ComponentID", 0x68030003},
        {"COUNTRYCODE", 0x68030002},    {"WaveFormResult", 0x68030001}, {"ctype", 0x68030000},
        {"Execute", 0x60030005}};
    for (const auto& [name, expected] : members) {
      std::u16string wide = com::utf8ToUtf16(name);
      OLECHAR* names[] = {reinterpret_cast<OLECHAR*>(wide.data())};
      DISPID id = 0;
      EXPECT_EQ(dispatchOf(object)->lpVtbl->GetIDsOfNames(dispatchOf(object), &GUID_NULL,
                                                          names, 1, 0, &id),
                S_OK);
      EXPECT_EQ(id, expected) << name;
    }
    std::u16string unknown = u"getWave";
    OLECHAR* names[] = {reinterpret_cast<OLECHAR*>(unknown.data())};
    DISPID id = 0;
    EXPECT_EQ(dispatchOf(object)->lpVtbl->GetIDsOfNames(dispatchOf(object), &GUID_NULL,
                                                        names, 1, 0, &id),
              DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
  });
}

TEST_F(Dispatch, ExecuteByReferenceLeavesBothArgumentsUnchanged) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    int32_t action = 3;
    VARIANT data = com::Variant("keep me").detach();
    VARIANT actionArgument = referenceTo(action);
    VARIANT dataArgument = referenceTo(data);
    Invocation call =
        invoke(dispatchOf(object), DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, {actionArgument, dataArgument});
    EXPECT_EQ(call.status, S_OK);
    EXPECT_EQ(call.result.type(), VT_BOOL);
    EXPECT_EQ(call.result.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(action, 3);
    EXPECT_EQ(com::Variant::adopt(data).toText(), "keep me");

    // By value works too.
    com::Variant byValueAction(int32_t{9});
    com::Variant byValueData(1.5);
    call = invoke(dispatchOf(object), DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD,
                  {byValueAction.raw(), byValueData.raw()});
    EXPECT_EQ(call.status, S_OK);
    EXPECT_TRUE(call.result.toBool());
  });
}

TEST_F(Dispatch, PropertiesReadAndWriteThroughInvoke) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    IDispatch* d = dispatchOf(object);
    com::Variant german("49");
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, {german.raw()}, true).status,
              S_OK);
    Invocation code = invoke(d, DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(code.result.type(), VT_I4);
    EXPECT_EQ(code.result.raw().lVal, 49);
    Invocation label =
        invoke(d, DISPID_CWAVEFORM_COMPONENTID, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {});
    EXPECT_EQ(label.result.type(), VT_BSTR);
    EXPECT_EQ(label.result.toText(), "Velmora TRV3 series Oszilloskop-Wellenform");
    Invocation result = invoke(d, DISPID_CWAVEFORM_WAVEFORMRESULT, DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(result.result.type(), VT_I4);
    EXPECT_EQ(result.result.raw().lVal, 1);
    Invocation type = invoke(d, DISPID_CWAVEFORM_CTYPE, DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(type.result.type(), VT_I2);
    EXPECT_EQ(type.result.raw().iVal, 6);

    com::Variant number(int32_t{12});
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYPUT, {number.raw()}, true).status, S_OK);
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_MODULE, DISPATCH_PROPERTYGET, {}).result.toInt32(), 12);
  });
}

TEST_F(Dispatch, BadCallsAreRefusedWithTheirStatus) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    IDispatch* d = dispatchOf(object);
    com::Variant word("abc");
    Invocation mismatch = invoke(d, DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, {word.raw()}, true);
    EXPECT_EQ(mismatch.status, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(mismatch.argumentError, 0u);
    com::Variant huge(1e12);
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, {huge.raw()}, true).status,
              DISP_E_OVERFLOW);
    EXPECT_EQ(invoke(d, 0x12345, DISPATCH_METHOD, {}).status, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_CTYPE, DISPATCH_PROPERTYPUT, {word.raw()}, true).status,
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, {word.raw()}).status,
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(d, DISPID_CWAVEFORM_EXECUTE, DISPATCH_METHOD, {word.raw(), word.raw()}, true).status,
              DISP_E_PARAMNOTFOUND);
  });
}

TEST_F(Dispatch, APutLeavesTheCallersResultVariableAlone) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    IDispatch* d = dispatchOf(object);
    com::Variant code(int32_t{33}), callersVariable("kept");
    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS params{&code.raw(), &putName, 1, 1};
    EXPECT_EQ(d->lpVtbl->Invoke(d, DISPID_CWAVEFORM_COUNTRYCODE, &GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                                &callersVariable.raw(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(callersVariable.toText(), "kept");
  });
}

// A call from a thread other than the creator's would reach that thread's own session state.
TEST_F(Dispatch, CallsFromAnotherThreadAreRefusedAndChangeNothing) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    _CWaveForm* o = object.get();
    VARIANT wform{};
    double wTime = -1.0;
    for (const bool throughInvoke : {false, true}) {
      HRESULT status = S_OK;
      com::ErrorRecord error;
      EXCEPINFO exception{};  // refused before any member runs: no exception to describe
      std::thread([&] {
        status = throughInvoke ? invoke(dispatchOf(object), DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYGET, {},
                                        false, &exception).status
                               : o->lpVtbl->getWaveform(o, &wform, &wTime);
        error = com::errorInfoOf(reinterpret_cast<IUnknown*>(o), status);
      }).join();
      EXPECT_EQ(status, RPC_E_WRONG_THREAD);
      EXPECT_EQ(error.source, CWAVEFORM_PROGID);
    }
    EXPECT_EQ(wform.vt, VT_EMPTY);
    EXPECT_EQ(wTime, -1.0);
  });
}

// A thread that has ended passes its id on to the next thread; what it left behind stays its own.
TEST_F(Dispatch, AnEndedCreatorsInstanceIsNoLaterThreadsToUse) {
  _CWaveForm* left = nullptr;
  inFreshApartment([&] { left = create().release(); });
  HRESULT status = S_OK;
  int32_t code = 0;
  inFreshApartment([&] {
    status = left->lpVtbl->get_countryCode(left, &code);
    left->lpVtbl->Release(left);
  });
  EXPECT_EQ(status, RPC_E_WRONG_THREAD);
}

using DispatchWithoutLanguages = RegisteredAddinWithoutLanguages;

TEST_F(DispatchWithoutLanguages, ALoaderErrorTravelsInExcepInfo) {
  inFreshApartment([] {
    IDispatch* raw = nullptr;
    ASSERT_EQ(com::createInstance(CWAVEFORM_PROGID, IID_IDispatch, reinterpret_cast<void**>(&raw)), S_OK);
    Held<IDispatch> object(raw);
    com::Variant code(int32_t{33});
    EXCEPINFO exception{};
    Invocation call =
        invoke(raw, DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, {code.raw()}, true, &exception);
    EXPECT_EQ(call.status, DISP_E_EXCEPTION);
    const com::ErrorRecord error = com::takeExcepInfo(exception);
    EXPECT_EQ(error.scode, static_cast<HRESULT>(0x80040200u));
    EXPECT_EQ(error.description, "Did not find language");
    EXPECT_EQ(error.source, "openlang");
    // Without an EXCEPINFO the member's own status comes back, and the error info stays the
    // thread's, number, description and source.
    const HRESULT status =
        invoke(raw, DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, {code.raw()}, true).status;
    EXPECT_EQ(status, static_cast<HRESULT>(0x80040200u));
    const com::ErrorRecord kept = com::errorInfoOf(reinterpret_cast<IUnknown*>(raw), status);
    EXPECT_EQ(kept.description, "Did not find language");
    EXPECT_EQ(kept.source, "openlang");
  });
}

}  // namespace
}  // namespace trv3::testing
