// A host that keeps the object in a static, or releases it from an atexit handler, releases it
// while the process ends, after the thread's own state is gone. Termination must still save the
// remembered settings intact.
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

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

// What a host gets when it asks for an object too late; the child exits with 0 when refused.
void exitWithLateCreation() {
  IClassFactory* factory = nullptr;
  getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
  void* object = nullptr;
  const HRESULT status = factory->lpVtbl->CreateInstance(factory, nullptr, &IID__CWaveForm, &object);
  _exit(status == CO_E_NOTINITIALIZED && object == nullptr ? 0 : 4);
}

using LateCreation = RegisteredAddin;

// In an exit handler (which runs after the exiting thread's thread_locals are destroyed), or in a
// thread's key destructors, the thread's own state has gone: an object is refused rather than built
// on what was destroyed.
TEST_F(LateCreation, IsRefusedWhenTheProcessOrTheThreadEnds) {
  getClassObject = entryOf<DllGetClassObjectFn>(module_, "DllGetClassObject");
  const struct {
    const char* when;
    void (*child)();
  } cases[] = {
      {"in an exit handler",
       [] {
         std::atexit(exitWithLateCreation);
         create().reset();
         std::exit(5);
       }},
      {"in a thread's key destructor",
       [] {
         pthread_key_t key;
         pthread_key_create(&key, [](void*) { exitWithLateCreation(); });
         std::thread([key] {
           create().reset();
           pthread_setspecific(key, &key);
         }).join();
         std::exit(5);
       }},
  };
  for (const auto& c : cases) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) c.child();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << c.when << ": the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << c.when;
  }
}

}  // namespace
}  // namespace trv3::testing
