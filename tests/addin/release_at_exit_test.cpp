// A host that keeps the object in a static, or releases it from an atexit handler, releases it
// while the process ends, after the thread's own state is gone. Termination must still save the
// remembered settings intact.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "addin/addin_fixture.h"
#include "platform/settings/settings_store.h"

namespace trv3::testing {
namespace {

constexpr const char* AppName = "Velmora\\Quorvalis\\Arb Application";
constexpr const char* Section = "TRV3 series";

// Constructed before the module is loaded, so it is destroyed after the module's own statics.
Held<_CWaveForm> keptUntilExit;

void releaseKept() { keptUntilExit.reset(); }

enum class Release { FromStaticDestructor, FromAtExitHandler };

class ReleaseAtExit : public RegisteredAddin, public ::testing::WithParamInterface<Release> {};

TEST_P(ReleaseAtExit, SavesTheRememberedSettingsIntact) {
  // Longer than any short-string buffer, so a destroyed copy would show.
  const std::string address = "TCPIP::127.0.0.1::5025::SOCKET";
  settings::SaveSetting(AppName, Section, "Addr", address);
  settings::SaveSetting(AppName, Section, "Chan", "2");
  settings::SaveSetting(AppName, Section, "Cbo_Idx", "3");
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // On this process's main thread, whose state goes before any static.
    keptUntilExit = create();
    // Only termination can put the loaded values back.
    settings::SaveSetting(AppName, Section, "Addr", "stale");
    settings::SaveSetting(AppName, Section, "Chan", "stale");
    settings::SaveSetting(AppName, Section, "Cbo_Idx", "stale");
    if (GetParam() == Release::FromAtExitHandler) std::atexit(releaseKept);
    std::exit(keptUntilExit ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(settings::GetSetting(AppName, Section, "Addr", "absent"), address);
  EXPECT_EQ(settings::GetSetting(AppName, Section, "Chan", "absent"), "2");
  EXPECT_EQ(settings::GetSetting(AppName, Section, "Cbo_Idx", "absent"), "3");
}

INSTANTIATE_TEST_SUITE_P(Host, ReleaseAtExit,
                         ::testing::Values(Release::FromStaticDestructor, Release::FromAtExitHandler));

DllGetClassObjectFn getClassObject = nullptr;

using LateCreation = RegisteredAddin;

// An exit handler runs after the exiting thread's thread_locals are destroyed: an object asked for
// there is refused rather than built on what was destroyed (the child exits 0 when it is).
TEST_F(LateCreation, IsRefusedInAnExitHandler) {
  getClassObject = entryOf<DllGetClassObjectFn>(module_, "DllGetClassObject");
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    std::atexit([] {
      IClassFactory* factory = nullptr;
      getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
      void* object = nullptr;
      _exit(factory->lpVtbl->CreateInstance(factory, nullptr, &IID__CWaveForm, &object) == CO_E_NOTINITIALIZED ? 0 : 4);
    });
    create().reset();
    std::exit(5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace trv3::testing
