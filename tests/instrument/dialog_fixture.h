// What every test of the set-up dialog needs: English language texts with an installed font,
// instant recorded pauses, the script backend with its notices captured, a model table in a
// temporary add-in folder, scripted instruments, and a SessionState as a new add-in leaves it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs/Fsetup.h"
#include "platform/runtime/clock.h"
#include "platform/ui/script_user_interface.h"
#include "scripted_session.h"
#include "shared/MGlobal.h"
#include "support/fake_languages.h"

namespace trv3::testing {

// The English texts the dialogs look up.
std::map<int32_t, std::string> englishTexts();

class DialogTest : public ::testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  // The user's actions for the next modal displays (replaces the backend, and its record).
  void play(const std::string& script);
  // Writes "vlmTRV3SERdc.ini" with these two lists into the add-in folder.
  void writeModelTable(const std::string& models, const std::string& channels);
  // A scripted instrument answering "*IDN?" with `idn` and every channel display query with `display`.
  std::shared_ptr<ScriptedSession> addScope(const std::string& address, const std::string& idn,
                                            int channels = 2, const std::string& display = "1");
  // A set-up dialog on a remembered address of `address`, as a new add-in creates it.
  std::unique_ptr<Fsetup> createSetup(const std::string& address = "");
  // What a fetch does with the dialog: result 2, then a new dialog on `address` shown modally
  // while the script backend plays `script`.
  std::unique_ptr<Fsetup> runSetup(const std::string& address, const std::string& script);
  // `setup` becomes a new dialog with "FAKE::1" opened on a scripted `model`; the opening's traffic
  // and pauses are forgotten.
  std::shared_ptr<ScriptedSession> openModel(const std::string& model, const std::string& firmware = "1.20");

  std::vector<std::string> messages() const;
  std::string notices() const { return notices_.str(); }

  SessionState& state = MGlobal::state();
  RecordingClock clock;
  ScriptedInstruments instruments;
  FakeLanguages languages;
  std::unique_ptr<ui::ScriptUserInterface> backend;
  std::unique_ptr<Fsetup> setup;

 private:
  std::ostringstream notices_;
  ScopedClock useClock_{clock};
  std::optional<ui::ScopedUserInterface> useBackend_;
  std::filesystem::path addinFolder_;
};

}  // namespace trv3::testing
