#include <gtest/gtest.h>

#include "addin/waveform_interface.h"
#include "platform/com/automation.h"
#include "platform/com/bstr.h"
#include "platform/com/error_info.h"
#include "platform/com/variant.h"
#include "platform/settings/settings_store.h"
#include "addin/addin_fixture.h"

namespace trv3::testing {
namespace {

using Members = RegisteredAddin;

constexpr const char* App = "Velmora\\Quorvalis\\Arb Application";
constexpr const char* Section = "TRV3 series";

std::string componentId(_CWaveForm* object) {
  BSTR text = nullptr;
  EXPECT_EQ(object->lpVtbl->get_ComponentID(object, &text), S_OK);
  std::string utf8 = com::bstrToUtf8(text);
  SysFreeString(text);
  return utf8;
}

int32_t countryCode(_CWaveForm* object) {
  int32_t code = 0;
  EXPECT_EQ(object->lpVtbl->get_countryCode(object, &code), S_OK);
  return code;
}

TEST_F(Members, AFreshInstanceWithoutStoredSettingsSavesTheDefaultsAtTermination) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    int32_t result = 0;
    EXPECT_EQ(object->lpVtbl->get_WaveFormResult(object.get(), &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(countryCode(object.get()), 1);
    EXPECT_EQ(componentId(object.get()), "Velmora TRV3 series Scope Waveform");
  });
  EXPECT_EQ(settings::GetSetting(App, Section, "Addr", "absent"), "");
  EXPECT_EQ(settings::GetSetting(App, Section, "Chan"), "1");
  EXPECT_EQ(settings::GetSetting(App, Section, "Cbo_Idx"), "0");
}

TEST_F(Members, StoredSettingsAreLoadedAtCreationAndSavedBackAsPlainDecimals) {
  settings::SaveSetting(App, Section, "Addr", "TCPIP0::127.0.0.1::inst0::INSTR");
  settings::SaveSetting(App, Section, "Chan", " 3 ");
  settings::SaveSetting(App, Section, "Cbo_Idx", "-2");
  inFreshApartment([] { create(); });
  EXPECT_EQ(settings::GetSetting(App, Section, "Addr"), "TCPIP0::127.0.0.1::inst0::INSTR");
  EXPECT_EQ(settings::GetSetting(App, Section, "Chan"), "3");
  EXPECT_EQ(settings::GetSetting(App, Section, "Cbo_Idx"), "-2");
}

TEST_F(Members, AValueThatCannotBeSavedKeepsNoOtherFromBeingSaved) {
  // A key named "Cbo_Idx" in the section, where the value of that name would go.
  settings::SaveSetting(App, std::string(Section) + "\\Cbo_Idx", "in the way", "1");
  inFreshApartment([] { create(); });
  EXPECT_EQ(settings::GetSetting(App, Section, "Addr", "absent"), "");
  EXPECT_EQ(settings::GetSetting(App, Section, "Chan"), "1");
}

TEST_F(Members, AChannelThatIsNotANumberKeepsTheApartmentsValueAndTheRestStillLoads) {
  inFreshApartment([] {
    settings::SaveSetting(App, Section, "Chan", "abc");
    settings::SaveSetting(App, Section, "Addr", "kept");
    create();
    EXPECT_EQ(settings::GetSetting(App, Section, "Chan"), "0");  // a fresh apartment's value
    EXPECT_EQ(settings::GetSetting(App, Section, "Addr"), "kept");

    settings::SaveSetting(App, Section, "Chan", "5");
    create();
    settings::SaveSetting(App, Section, "Chan", "abc");
    Held<_CWaveForm> object = create();
    EXPECT_EQ(countryCode(object.get()), 1);  // the step after still ran
    object.reset();
    EXPECT_EQ(settings::GetSetting(App, Section, "Chan"), "5");
  });
}

TEST_F(Members, CountryCodeChoosesTheLanguageWithFallbackToEnglish) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    EXPECT_EQ(object->lpVtbl->let_countryCode(object.get(), 49), S_OK);
    EXPECT_EQ(componentId(object.get()), "Velmora TRV3 series Oszilloskop-Wellenform");
    EXPECT_EQ(object->lpVtbl->let_countryCode(object.get(), 33), S_OK);
    EXPECT_EQ(componentId(object.get()), "Velmora TRV3 series Forme d'onde d'oscilloscope");
    EXPECT_EQ(object->lpVtbl->let_countryCode(object.get(), 44), S_OK);
    EXPECT_EQ(componentId(object.get()), "Velmora TRV3 series Scope Waveform");
    EXPECT_EQ(countryCode(object.get()), 44);
  });
}

TEST_F(Members, InstancesOfOneApartmentShareTheSessionState) {
  inFreshApartment([] {
    Held<_CWaveForm> first = create();
    first->lpVtbl->let_countryCode(first.get(), 49);
    Held<_CWaveForm> second = create();  // resets countryCode to 1 for both
    EXPECT_EQ(countryCode(first.get()), 1);
    second->lpVtbl->let_countryCode(second.get(), 33);
    EXPECT_EQ(countryCode(first.get()), 33);
  });
}

TEST_F(Members, CTypeIsAlwaysTheSixteenBitSix) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    for (int read = 0; read < 2; ++read) {
      VARIANT type;
      VariantInit(&type);
      EXPECT_EQ(object->lpVtbl->get_CType(object.get(), &type), S_OK);
      EXPECT_EQ(type.vt, VT_I2);
      EXPECT_EQ(type.iVal, 6);
    }
  });
}

TEST_F(Members, ExecuteReturnsTrueAndLeavesBothArgumentsAlone) {
  inFreshApartment([] {
    Held<_CWaveForm> object = create();
    int32_t action = 17;
    com::Variant data("payload");
    const BSTR before = data.raw().bstrVal;
    VARIANT_BOOL done = VARIANT_FALSE;
    EXPECT_EQ(object->lpVtbl->Execute(object.get(), &action, &data.raw(), &done), S_OK);
    EXPECT_EQ(done, VARIANT_TRUE);
    EXPECT_EQ(action, 17);
    EXPECT_EQ(data.raw().vt, VT_BSTR);
    EXPECT_EQ(data.raw().bstrVal, before);
    EXPECT_EQ(data.toText(), "payload");
  });
}

struct CountedObject {
  IUnknown face;
  uint32_t references = 1;
};
HRESULT countedQuery(IUnknown*, const IID*, void**) { return E_NOINTERFACE; }
uint32_t countedAddRef(IUnknown* self) { return ++reinterpret_cast<CountedObject*>(self)->references; }
uint32_t countedRelease(IUnknown* self) { return --reinterpret_cast<CountedObject*>(self)->references; }
const IUnknownVtbl countedVtbl = {countedQuery, countedAddRef, countedRelease};

TEST_F(Members, ModuleHoldsWhateverTheHostAssigns) {
  CountedObject host{{&countedVtbl}};
  inFreshApartment([&] {
    Held<_CWaveForm> object = create();
    com::Variant reference = com::Variant::object(&host.face);
    EXPECT_EQ(object->lpVtbl->set_module(object.get(), reference.raw()), S_OK);
    EXPECT_EQ(host.references, 3u);  // the test's Variant and the add-in each hold one
    VARIANT back;
    VariantInit(&back);
    EXPECT_EQ(object->lpVtbl->get_module(object.get(), &back), S_OK);
    EXPECT_EQ(back.vt, VT_UNKNOWN);
    EXPECT_EQ(back.punkVal, &host.face);
    VariantClear(&back);
    EXPECT_EQ(object->lpVtbl->let_module(object.get(), com::Variant(2.5).raw()), S_OK);
    EXPECT_EQ(object->lpVtbl->get_module(object.get(), &back), S_OK);
    EXPECT_EQ(com::Variant::adopt(back).toDouble(), 2.5);
  });
  EXPECT_EQ(host.references, 1u);  // everything handed back
}

using MembersWithoutLanguages = RegisteredAddinWithoutLanguages;

TEST_F(MembersWithoutLanguages, CountryCodeFailsWithTheOpenlangErrorInfo) {
  inFreshApartment([] {
    _CWaveForm* raw = nullptr;
    // Creation ignores the missing language and succeeds all the same.
    ASSERT_EQ(com::createInstance(CWAVEFORM_PROGID, IID__CWaveForm, reinterpret_cast<void**>(&raw)),
              S_OK);
    Held<_CWaveForm> object(raw);
    EXPECT_EQ(countryCode(object.get()), 1);
    const HRESULT status = object->lpVtbl->let_countryCode(object.get(), 33);
    EXPECT_EQ(status, static_cast<HRESULT>(0x80040200u));
    const com::ErrorRecord error = com::errorInfoOf(reinterpret_cast<IUnknown*>(object.get()), status);
    EXPECT_EQ(error.description, "Did not find language");
    EXPECT_EQ(error.source, "openlang");
    // The error info was handed over once.
    EXPECT_EQ(com::errorInfoOf(reinterpret_cast<IUnknown*>(object.get()), status).description, "");
    EXPECT_EQ(countryCode(object.get()), 33);
    EXPECT_EQ(componentId(object.get()), "");
  });
}

}  // namespace
}  // namespace trv3::testing
