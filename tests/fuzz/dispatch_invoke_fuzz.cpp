// The add-in's IDispatch as hosts we do not control call it: a sequence of GetIDsOfNames and Invoke
// calls on one instance, with member ids, flags, argument counts, named arguments, values and the
// caller's optional pointers all decoded from the input. Every call ends with a status; it leaves
// the host's memory as it was (the dialog of getWaveform is always cancelled here, so no call has
// anything to write back); EXCEPINFO is filled only with DISP_E_EXCEPTION, puArgErr only on failure
// and within cArgs, and a call that only puts leaves its result alone; every reference the add-in
// takes of a host's object is given back by the time the instance is released.
#include <array>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "addin/waveform_interface.h"
#include "fuzz_target.h"
#include "host_memory.h"
#include "host_values.h"
#include "platform/com/automation.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/module_path.h"
#include "platform/ui/script_user_interface.h"
#include "support/temp_config_home.h"

extern "C" HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object);

namespace trv3::fuzz {
namespace {

// The script backend, cancelling every dialog, whose fonts are taken as named: font matching is no
// part of what is fuzzed, and fontconfig keeps a configuration per process that LeakSanitizer
// would report after each input.
class CancellingDialogs : public ui::ScriptUserInterface {
 public:
  explicit CancellingDialogs(std::ostream& notices) : ScriptUserInterface("cancel", notices) {}
  std::string resolveFontFamily(const std::string& name) override { return name; }
};

// The dialog's fixed pause on showing would otherwise cost each getWaveform a second.
class InstantClock : public Clock {
 public:
  void sleep(int32_t) override {}
};

// Settings in a folder of their own, the build's language components, dialogs that draw nothing,
// and no waiting.
struct FuzzedHost {
  FuzzedHost() { setAddinFolderOverride(TRV3_FUZZ_ADDIN_FOLDER); }
  // Each input starts with nothing remembered: without an address the dialog opens no instrument.
  void forgetSettings() {
    std::error_code ignored;
    std::filesystem::remove(home.storeFile(), ignored);
  }

  testing::TempConfigHome home;
  std::ostream nowhere{nullptr};
  CancellingDialogs dialogs{nowhere};
  ui::ScopedUserInterface useDialogs{dialogs};
  InstantClock clock;
  ScopedClock useClock{clock};
};

void check(bool held) {
  if (!held) __builtin_trap();
}

constexpr uint32_t Untouched = 0xA5A5A5A5;

_CWaveForm* createInstance() {
  IClassFactory* factory = nullptr;
  check(DllGetClassObject(&CLSID_CWaveForm, &IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK);
  _CWaveForm* object = nullptr;
  const HRESULT created =
      factory->lpVtbl->CreateInstance(factory, nullptr, &IID__CWaveForm, reinterpret_cast<void**>(&object));
  factory->lpVtbl->Release(factory);
  check(created == S_OK);
  return object;
}

const IID* interfaceId(InputReader& in) {
  switch (in.choice(4)) {
    case 0: return nullptr;
    case 1: return &IID__CWaveForm;
    default: return &GUID_NULL;
  }
}

// A status that says an exception escaped the add-in's own handling, or that memory ran out while
// every input is small.
bool unexpected(HRESULT status) { return status == E_UNEXPECTED || status == E_OUTOFMEMORY; }

constexpr const char* knownNames[] = {"module", "getWaveform", "ComponentID", "countryCode",
                                      "WaveFormResult", "CType", "Execute", "wform", "wTime",
                                      "Action", "data", "GETWAVEFORM", "WTIME"};

// A member's or parameter's name, or up to 15 UTF-16 units of anything; or null.
OLECHAR* nameOf(InputReader& in, HostMemory& memory) {
  const uint8_t pick = in.byte();
  if (pick == 0) return nullptr;
  if (pick < 0x80) {
    const char* known = knownNames[pick % std::size(knownNames)];
    const size_t length = std::strlen(known);
    auto* name = memory.allocate<OLECHAR>(length + 1);
    std::copy(known, known + length, name);
    return name;
  }
  const size_t units = pick % 16;
  auto* name = memory.allocate<OLECHAR>(units + 1);
  in.copy(name, units * sizeof(OLECHAR));
  return name;
}

void namesCall(_CWaveForm* object, InputReader& in) {
  HostMemory memory;
  const uint8_t pointers = in.byte();  // which of the caller's pointers are null
  const uint32_t count = static_cast<uint32_t>(in.choice(5));
  const IID* iid = interfaceId(in);
  // With no names the array still has a first one, which must not be read.
  OLECHAR** names = memory.allocate<OLECHAR*>(std::max<uint32_t>(count, 1));
  for (uint32_t i = 0; i < count; ++i) names[i] = nameOf(in, memory);
  std::vector<DISPID> ids(count + 1, static_cast<DISPID>(Untouched));
  memory.seal();
  const HRESULT status = object->lpVtbl->GetIDsOfNames(object, iid, (pointers & 1) ? nullptr : names,
                                                       count, 0, (pointers & 2) ? nullptr : ids.data());
  check(memory.unchangedSinceSealed());
  check(ids[count] == static_cast<DISPID>(Untouched));
  check(!unexpected(status));
  if (status == S_OK)
    for (uint32_t i = 0; i < count; ++i) check(ids[i] != DISPID_UNKNOWN);
}

constexpr DISPID members[] = {DISPID_CWAVEFORM_MODULE,      DISPID_CWAVEFORM_CTYPE,
                              DISPID_CWAVEFORM_WAVEFORMRESULT, DISPID_CWAVEFORM_COUNTRYCODE,
                              DISPID_CWAVEFORM_COMPONENTID, DISPID_CWAVEFORM_GETWAVEFORM,
                              DISPID_CWAVEFORM_EXECUTE,     DISPID_UNKNOWN,
                              0,                            DISPID_PROPERTYPUT};
constexpr DISPID parameterNames[] = {DISPID_PROPERTYPUT, 0, 1, 2, DISPID_UNKNOWN};

template <class Table>
auto pickOrRaw(InputReader& in, const Table& table) {
  const size_t pick = in.choice(std::size(table) + 1);
  return pick < std::size(table) ? table[pick] : in.raw<std::decay_t<decltype(table[0])>>();
}

void invokeCall(_CWaveForm* object, InputReader& in, std::span<HostObject> objects) {
  HostMemory memory;
  const DISPID member = pickOrRaw(in, members);
  const uint8_t flagCode = in.byte();
  const uint16_t flags = (flagCode & 0x80) ? in.raw<uint16_t>() : flagCode & 0x0F;
  const IID* iid = interfaceId(in);
  const uint8_t pointers = in.byte();  // which of the caller's pointers are null
  const uint32_t count = static_cast<uint32_t>(in.choice(5));
  const uint32_t named = static_cast<uint32_t>(in.choice(count + 2));  // one more than cArgs too
  auto* arguments = memory.allocate<VARIANT>(count);
  auto* names = memory.allocate<DISPID>(named);
  for (uint32_t k = 0; k < named; ++k) names[k] = pickOrRaw(in, parameterNames);
  HostValues(in, memory, objects).fillArguments({arguments, count});
  auto* params = memory.allocate<DISPPARAMS>();
  *params = {(pointers & 2) ? nullptr : arguments, (pointers & 4) ? nullptr : names, count, named};
  memory.seal();

  VARIANT result{};
  result.vt = VT_I4;
  result.lVal = static_cast<int32_t>(Untouched);
  EXCEPINFO exception{};
  uint32_t argumentError = Untouched;
  const bool withException = (pointers & 0x10) == 0;
  const HRESULT status = object->lpVtbl->Invoke(
      object, member, iid, 0, flags, (pointers & 1) ? nullptr : params, (pointers & 8) ? nullptr : &result,
      withException ? &exception : nullptr, (pointers & 0x20) ? nullptr : &argumentError);

  check(memory.unchangedSinceSealed());
  check(!unexpected(status));
  if (status == DISP_E_EXCEPTION) {
    check(withException && FAILED(exception.scode));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  } else {
    const EXCEPINFO untouched{};
    check(std::memcmp(&exception, &untouched, sizeof exception) == 0);
  }
  if (argumentError != Untouched) check(FAILED(status) && argumentError < count);
  // A failed call hands out nothing: its result is emptied or not touched at all; a put alone
  // leaves it alone.
  const bool resultUntouched = result.vt == VT_I4 && result.lVal == static_cast<int32_t>(Untouched);
  const bool putOnly = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) &&
                       !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
  if (putOnly)
    check(resultUntouched);
  else if (FAILED(status))
    check(resultUntouched || result.vt == VT_EMPTY);
  check(VariantClear(&result) == S_OK);
}

}  // namespace
}  // namespace trv3::fuzz

TRV3_FUZZ_TARGET(dispatch_invoke) {
  using namespace trv3::fuzz;
  static FuzzedHost host;
  host.forgetSettings();
  InputReader in(input);
  std::array<HostObject, 2> objects;
  _CWaveForm* object = createInstance();
  constexpr int MostCalls = 8;
  for (int call = 0; call < MostCalls && !in.exhausted(); ++call) {
    if (in.byte() & 1)
      namesCall(object, in);
    else
      invokeCall(object, in, objects);
  }
  object->lpVtbl->Release(object);
  for (const HostObject& held : objects) check(held.references == 0);
}
