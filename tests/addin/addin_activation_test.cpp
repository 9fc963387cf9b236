#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "addin/waveform_interface.h"
#include "platform/com/activation.h"
#include "platform/com/error_info.h"
#include "platform/com/guid.h"
#include "platform/settings/settings_store.h"
#include "addin/addin_fixture.h"

namespace trv3::testing {
namespace {

using Activation = RegisteredAddin;

const std::string ClassKey = "Software\\Classes\\CLSID\\" + com::guidToString(CLSID_CWaveForm);

TEST_F(Activation, RegistrationNamesTheLibraryFileTheThreadingModelAndTheProgId) {
  EXPECT_EQ(settings::QueryValue(ClassKey + "\\InprocServer32", ""),
            std::filesystem::path(TRV3_ADDIN_MODULE).lexically_normal().string());
  EXPECT_EQ(settings::QueryValue(ClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(settings::QueryValue(ClassKey + "\\ProgID", ""), "vlmWFRM_TRV3.CWaveForm");
  EXPECT_EQ(settings::QueryValue("Software\\Classes\\vlmWFRM_TRV3.CWaveForm\\Clsid", ""),
            "{792C262D-BBA0-47C1-AE88-DCBFD63A7A87}");
  EXPECT_EQ(settings::QueryValue("Software\\Classes\\TypeLib\\" +
                                     com::guidToString(LIBID_vlmWFRM_TRV3) + "\\1.0",
                                 ""),
            "Velmora Quorvalis TRV3 Scope Waveform Editor Add-In");
}

TEST_F(Activation, TheClassIsCreatedByProgIdAndByClassId) {
  inFreshApartment([] {
    Held<_CWaveForm> byProgId = create();
    ASSERT_TRUE(byProgId);
    int32_t result = 0;
    EXPECT_EQ(byProgId->lpVtbl->get_WaveFormResult(byProgId.get(), &result), S_OK);
    EXPECT_EQ(result, 1);

    IDispatch* byClassId = nullptr;
    EXPECT_EQ(com::createInstance(CLSID_CWaveForm, IID_IDispatch, reinterpret_cast<void**>(&byClassId)),
              S_OK);
    ASSERT_NE(byClassId, nullptr);
    byClassId->lpVtbl->Release(byClassId);
  });
}

TEST_F(Activation, UnregisteredClassesAreReportedWithAReason) {
  auto unregisterServer = entryOf<DllRegisterServerFn>(module_, "DllUnregisterServer");
  EXPECT_EQ(unregisterServer(), S_OK);
  EXPECT_EQ(settings::QueryValue(ClassKey + "\\InprocServer32", ""), std::nullopt);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(com::createInstance(CWAVEFORM_PROGID, IID_IUnknown, &object), CO_E_CLASSSTRING);
  EXPECT_EQ(object, nullptr);
  EXPECT_NE(com::takeErrorInfo()->description.find("not registered"), std::string::npos);
  EXPECT_EQ(com::createInstance(CLSID_CWaveForm, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(Activation, AClassNamingAMissingLibraryFailsToLoad) {
  const settings::ValueWrite moved{ClassKey + "\\InprocServer32", "", "/nonexistent/vlmWFRM_TRV3.so"};
  settings::SetValues({&moved, 1});
  void* object = nullptr;
  EXPECT_EQ(com::createInstance(CWAVEFORM_PROGID, IID_IUnknown, &object), E_FAIL);
  EXPECT_NE(com::takeErrorInfo()->description.find("/nonexistent/vlmWFRM_TRV3.so"), std::string::npos);
}

TEST_F(Activation, TheModuleStaysLoadedWhileObjectsOrLocksLive) {
  auto canUnload = entryOf<DllCanUnloadNowFn>(module_, "DllCanUnloadNow");
  auto getClassObject = entryOf<DllGetClassObjectFn>(module_, "DllGetClassObject");
  inFreshApartment([&] {
    EXPECT_EQ(canUnload(), S_OK);
    Held<_CWaveForm> object = create();
    EXPECT_EQ(canUnload(), S_FALSE);
    object.reset();
    EXPECT_EQ(canUnload(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->lpVtbl->LockServer(factory, 1), S_OK);
    factory->lpVtbl->Release(factory);
    EXPECT_EQ(canUnload(), S_FALSE);
    EXPECT_EQ(factory->lpVtbl->LockServer(factory, 0), S_OK);
    EXPECT_EQ(canUnload(), S_OK);

    // A host that releases and unlocks more often than it took them cannot free a live object.
    object = create();
    factory->lpVtbl->Release(factory);
    EXPECT_EQ(factory->lpVtbl->LockServer(factory, 0), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    object.reset();
    EXPECT_EQ(canUnload(), S_OK);
  });
}

// A host object held in `module` is released while the instance ends; a host that asks then
// whether it may unload the library must hear no.
DllCanUnloadNowFn canUnloadDuringRelease = nullptr;
HRESULT answerDuringRelease = E_FAIL;
uint32_t hostObjectRelease(IDispatch*) {
  answerDuringRelease = canUnloadDuringRelease();
  return 0;
}
uint32_t hostObjectAddRef(IDispatch*) { return 2; }

TEST_F(Activation, TheModuleStaysLoadedUntilTheInstanceHasEnded) {
  canUnloadDuringRelease = entryOf<DllCanUnloadNowFn>(module_, "DllCanUnloadNow");
  inFreshApartment([&] {
    const IDispatchVtbl vtable = {nullptr, hostObjectAddRef, hostObjectRelease, nullptr,
                                  nullptr, nullptr,          nullptr};
    IDispatch hostObject{&vtable};
    Held<_CWaveForm> object = create();
    VARIANT value{};
    value.vt = VT_DISPATCH;
    value.pdispVal = &hostObject;
    ASSERT_EQ(object->lpVtbl->set_module(object.get(), value), S_OK);
    object.reset();
    EXPECT_EQ(answerDuringRelease, S_FALSE);
    EXPECT_EQ(canUnloadDuringRelease(), S_OK);
  });
}

TEST_F(Activation, TheFactoryServesOnlyItsClassWithoutAggregation) {
  auto getClassObject = entryOf<DllGetClassObjectFn>(module_, "DllGetClassObject");
  void* object = nullptr;
  EXPECT_EQ(getClassObject(&IID_IDispatch, &IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  IUnknown outer{};
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, &outer, &IID_IUnknown, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, &IID_IClassFactory, &object),
            E_NOINTERFACE);
  factory->lpVtbl->Release(factory);
}

TEST_F(Activation, EveryInterfaceOfAnObjectSharesOneIdentity) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    void* unknown = nullptr;
    void* dispatch = nullptr;
    void* errors = nullptr;
    ASSERT_EQ(object->lpVtbl->QueryInterface(object.get(), &IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(object->lpVtbl->QueryInterface(object.get(), &IID_IDispatch, &dispatch), S_OK);
    ASSERT_EQ(object->lpVtbl->QueryInterface(object.get(), &IID_IThreadErrorInfo, &errors), S_OK);
    EXPECT_EQ(unknown, object.get());
    EXPECT_EQ(dispatch, object.get());
    auto* errorFace = static_cast<IThreadErrorInfo*>(errors);
    void* backToUnknown = nullptr;
    ASSERT_EQ(errorFace->lpVtbl->QueryInterface(errorFace, &IID_IUnknown, &backToUnknown), S_OK);
    EXPECT_EQ(backToUnknown, unknown);
    for (void* reference : {unknown, dispatch, backToUnknown}) static_cast<IUnknown*>(reference)->lpVtbl->Release(static_cast<IUnknown*>(reference));
    errorFace->lpVtbl->Release(errorFace);
    void* support = nullptr;
    ASSERT_EQ(object->lpVtbl->QueryInterface(object.get(), &IID_ISupportErrorInfo, &support), S_OK);
    auto* supportFace = static_cast<ISupportErrorInfo*>(support);
    EXPECT_EQ(supportFace->lpVtbl->InterfaceSupportsErrorInfo(supportFace, &IID__CWaveForm), S_OK);
    EXPECT_EQ(supportFace->lpVtbl->InterfaceSupportsErrorInfo(supportFace, &IID_IClassFactory), S_FALSE);
    ASSERT_EQ(supportFace->lpVtbl->QueryInterface(supportFace, &IID_IUnknown, &backToUnknown), S_OK);
    EXPECT_EQ(backToUnknown, unknown);
    static_cast<IUnknown*>(backToUnknown)->lpVtbl->Release(static_cast<IUnknown*>(backToUnknown));
    EXPECT_EQ(supportFace->lpVtbl->Release(supportFace), 1u);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->lpVtbl->QueryInterface(object.get(), &IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
  });
}

TEST(AddinModule, ExportsOnlyTheFourEntryPoints) {
  // Every defined dynamic symbol, functions and data alike.
  FILE* listing = popen("nm -D --defined-only " TRV3_ADDIN_MODULE, "r");
  ASSERT_NE(listing, nullptr);
  std::set<std::string> symbols;
  char line[512];
  while (std::fgets(line, sizeof line, listing)) {
    char type = 0;
    char name[400] = {};
    if (std::sscanf(line, "%*s %c %399s", &type, name) == 2) symbols.insert(name);
  }
  EXPECT_EQ(pclose(listing), 0);
  EXPECT_EQ(symbols, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                               "DllRegisterServer", "DllUnregisterServer"}));
}

}  // namespace
}  // namespace trv3::testing
