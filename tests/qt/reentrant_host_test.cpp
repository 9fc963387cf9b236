// A careless Qt host: while the set-up dialog of a getWaveform is shown, one of the host's own
// events calls the add-in again on the same thread. Whatever it does, the fetch under way ends with
// its own outcome, the re-entering call with one of its own, and the next fetch works.
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "addin/addin_fixture.h"
#include "platform/com/abi.h"
#include "platform/com/automation.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/settings/settings_store.h"
#include "qt/qt_display.h"
#include "support/variant_references.h"

namespace trv3 {
namespace {

using testing::Held;

// The members a host calls, through the vtable or through IDispatch::Invoke.
class HostCalls {
 public:
  HostCalls(_CWaveForm* object, bool viaInvoke) : object_(object), viaInvoke_(viaInvoke) {}

  HRESULT getWaveform(VARIANT& wform, double& wTime) const {
    if (!viaInvoke_) return object_->lpVtbl->getWaveform(object_, &wform, &wTime);
    return invoke(DISPID_CWAVEFORM_GETWAVEFORM, DISPATCH_METHOD,
                  {testing::referenceTo(wform), testing::referenceTo(wTime)}, nullptr);
  }

  int32_t waveFormResult() const {
    int32_t result = 0;
    EXPECT_EQ(object_->lpVtbl->get_WaveFormResult(object_, &result), S_OK);
    return result;
  }

  HRESULT setCountryCode(int32_t code) const {
    if (!viaInvoke_) return object_->lpVtbl->let_countryCode(object_, code);
    VARIANT value{};
    value.vt = VT_I4;
    value.lVal = code;
    return invoke(DISPID_CWAVEFORM_COUNTRYCODE, DISPATCH_PROPERTYPUT, {value}, nullptr);
  }

  std::string componentId() const {
    com::Variant text;
    if (viaInvoke_) {
      EXPECT_EQ(invoke(DISPID_CWAVEFORM_COMPONENTID, DISPATCH_PROPERTYGET, {}, &text.raw()), S_OK);
      return text.toText();
    }
    BSTR value = nullptr;
    EXPECT_EQ(object_->lpVtbl->get_ComponentID(object_, &value), S_OK);
    const std::string id = com::bstrToUtf8(value);
    SysFreeString(value);
    return id;
  }

 private:
  // The arguments in the caller's order; DISPPARAMS holds them reversed.
  HRESULT invoke(DISPID member, uint16_t flags, std::vector<VARIANT> arguments, VARIANT* result) const {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID putName = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), put ? &putName : nullptr, static_cast<uint32_t>(reversed.size()),
                      put ? 1u : 0u};
    auto* dispatch = reinterpret_cast<IDispatch*>(object_);
    uint32_t argumentError = 0;
    return dispatch->lpVtbl->Invoke(dispatch, member, &GUID_NULL, 0, flags, &params, result, nullptr,
                                    &argumentError);
  }

  _CWaveForm* object_;
  bool viaInvoke_;
};

// What the host does from its event while the dialog is shown.
enum class Reentry {
  NestedFetch,               // getWaveform again on the same instance
  NestedFetchOnNewInstance,  // creates a second instance and calls getWaveform on it
  NestedFetchAfterOk,        // the event presses OK itself, then calls getWaveform again
  LastRelease,               // releases its only reference to the instance whose fetch is shown
  LanguageChange,            // sets countryCode 49 and reads ComponentID
};
// How the user then ends the outer dialog.
enum class Ending { Ok, Cancel, CloseCommand };

struct Row {
  const char* name;
  Reentry reentry;
  bool viaInvoke;
  Ending ending;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const Row rows[] = {
    {"NestedFetchSameInstance", Reentry::NestedFetch, false, Ending::Ok},
    {"NestedFetchSameInstanceViaInvoke", Reentry::NestedFetch, true, Ending::Cancel},
    {"NestedFetchOnInstanceCreatedMeanwhile", Reentry::NestedFetchOnNewInstance, false, Ending::CloseCommand},
    {"NestedFetchAfterTheUsersOk", Reentry::NestedFetchAfterOk, false, Ending::Ok},
    {"LastReleaseDuringTheDialog", Reentry::LastRelease, false, Ending::Ok},
    {"LastReleaseDuringTheDialogViaInvoke", Reentry::LastRelease, true, Ending::Ok},
    {"LanguageChangeDuringTheDialogViaInvoke", Reentry::LanguageChange, true, Ending::Ok},
};

constexpr const char* AppName = "Velmora\\Quorvalis\\Arb Application";
constexpr const char* Section = "TRV3 series";
constexpr const char* GermanComponentId = "Velmora TRV3 series Oszilloskop-Wellenform";
constexpr int32_t Untouched = 42;
constexpr double UntouchedTime = -1.0;

// What a re-entering fetch got back.
struct NestedOutcome {
  HRESULT status = E_FAIL;
  int32_t waveFormResult = 0;
  VARIANT wform{};
  double wTime = UntouchedTime;
  bool secondDialogShown = false;
};

class ReentrantHost : public testing::RegisteredAddin, public ::testing::WithParamInterface<Row> {
 protected:
  ReentrantHost() { settings::SaveSetting(AppName, Section, "Addr", simulator_.socketResource()); }

  // A getWaveform from the host's event. Should it show a dialog of its own, the dialog is closed
  // from that dialog's loop so that the call comes back.
  static NestedOutcome nestedFetch(const HostCalls& host) {
    NestedOutcome outcome;
    outcome.wform.vt = VT_I4;
    outcome.wform.lVal = Untouched;
    QWidget* outer = QApplication::activeModalWidget();
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      QWidget* shown = QApplication::activeModalWidget();
      if (shown == nullptr || shown == outer) return;
      outcome.secondDialogShown = true;
      shown->close();
    });
    closer.start(0);
    outcome.status = host.getWaveform(outcome.wform, outcome.wTime);
    outcome.waveFormResult = host.waveFormResult();
    return outcome;
  }

  static void end(Ending ending) {
    switch (ending) {
      case Ending::Ok:
        // Another points entry than the remembered one, so that what the user chose can be told apart.
        QTest::keyClick(&testing::shownWidget<QComboBox>("cboPoints"), Qt::Key_Down);
        QTest::mouseClick(&testing::shownWidget<QPushButton>("cmdOK"), Qt::LeftButton);
        break;
      case Ending::Cancel:
        QTest::mouseClick(&testing::shownWidget<QPushButton>("cmdCancel"), Qt::LeftButton);
        break;
      case Ending::CloseCommand: testing::shownWindow().close(); break;
    }
  }

  static void expectRefused(const NestedOutcome& nested) {
    EXPECT_FALSE(nested.secondDialogShown);
    EXPECT_EQ(nested.status, S_OK);
    EXPECT_EQ(nested.waveFormResult, 2);
    EXPECT_EQ(nested.wform.vt, VT_I4);
    EXPECT_EQ(nested.wform.lVal, Untouched);
    EXPECT_EQ(nested.wTime, UntouchedTime);
  }

  test::SimulatorProcess simulator_{{"--model", "TRV30K2A", "--display", "1,0"}};
  testing::ScopedEnvironment userInterface_{"TRV3_UI", "qt"};
};

TEST_P(ReentrantHost, OuterFetchKeepsItsOutcomeAndTheNextFetchWorks) {
  const Row& row = GetParam();
  // An instance the host keeps throughout; through it the outcome is read once the other is gone.
  const Held<_CWaveForm> keeper = create();
  _CWaveForm* fetching = create().release();
  const HostCalls host(fetching, row.viaInvoke);
  bool eventRan = false;

  testing::duringDisplay([&] {
    eventRan = true;
    switch (row.reentry) {
      case Reentry::NestedFetch:
        expectRefused(nestedFetch(host));
        end(row.ending);
        break;
      case Reentry::NestedFetchOnNewInstance: {
        const Held<_CWaveForm> second = create();
        expectRefused(nestedFetch(HostCalls(second.get(), row.viaInvoke)));
        end(row.ending);
        break;
      }
      case Reentry::NestedFetchAfterOk:
        end(row.ending);
        expectRefused(nestedFetch(host));
        break;
      case Reentry::LastRelease:
        fetching->lpVtbl->Release(fetching);
        fetching = nullptr;
        end(row.ending);
        break;
      case Reentry::LanguageChange:
        EXPECT_EQ(host.setCountryCode(49), S_OK);
        EXPECT_EQ(host.componentId(), GermanComponentId);
        end(row.ending);
        break;
    }
  });
  VARIANT wform{};
  wform.vt = VT_I4;
  wform.lVal = Untouched;
  double wTime = UntouchedTime;
  EXPECT_EQ(host.getWaveform(wform, wTime), S_OK);
  com::Variant delivered = com::Variant::adopt(wform);
  ASSERT_TRUE(eventRan);

  const HostCalls kept(keeper.get(), row.viaInvoke);
  if (row.ending == Ending::Ok) {
    EXPECT_EQ(kept.waveFormResult(), 1);
    EXPECT_EQ(delivered.type(), VT_ARRAY | VT_I4);
    EXPECT_GT(wTime, 0.0);
  } else {
    EXPECT_EQ(kept.waveFormResult(), 2);
    EXPECT_EQ(delivered.type(), VT_I4);
    EXPECT_EQ(wTime, UntouchedTime);
  }
  // The released instance terminated when its fetch returned, saving what the user chose in it.
  if (row.reentry == Reentry::LastRelease) {
    EXPECT_EQ(settings::GetSetting(AppName, Section, "Cbo_Idx", ""), "1");
  }
  if (row.reentry == Reentry::LanguageChange) {
    int32_t code = 0;
    keeper->lpVtbl->get_countryCode(keeper.get(), &code);
    EXPECT_EQ(code, 49);
    EXPECT_EQ(kept.componentId(), GermanComponentId);
  }
  if (fetching != nullptr) fetching->lpVtbl->Release(fetching);

  // The next fetch shows its dialog and delivers.
  testing::duringDisplay([] { QTest::mouseClick(&testing::shownWidget<QPushButton>("cmdOK"), Qt::LeftButton); });
  VARIANT next{};
  double nextTime = 0.0;
  EXPECT_EQ(kept.getWaveform(next, nextTime), S_OK);
  EXPECT_EQ(kept.waveFormResult(), 1);
  EXPECT_EQ(com::Variant::adopt(next).type(), VT_ARRAY | VT_I4);
}

INSTANTIATE_TEST_SUITE_P(Reentries, ReentrantHost, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace trv3
