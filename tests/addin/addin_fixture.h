// The built add-in module registered in a temporary per-user registry, and the means to create and
// drive its class the way a host does.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "addin/waveform_interface.h"
#include "platform/com/activation.h"
#include "platform/settings/settings_store.h"
#include "support/scoped_environment.h"
#include "support/simulator_process.h"
#include "support/temp_config_home.h"

namespace trv3::testing {

struct Releaser {
  template <class Interface>
  void operator()(Interface* held) const {
    held->lpVtbl->Release(held);
  }
};
template <class Interface>
using Held = std::unique_ptr<Interface, Releaser>;

// The module as the build placed it, beside its language components.
inline void* builtModule() {
  void* module = dlopen(TRV3_ADDIN_MODULE, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(module, nullptr) << dlerror();
  return module;
}

template <class Entry>
Entry entryOf(void* module, const char* name) {
  return reinterpret_cast<Entry>(dlsym(module, name));
}

// Runs the body on a thread of its own: a new apartment with its own session state.
template <class Body>
void inFreshApartment(Body body) {
  std::thread apartment(body);
  apartment.join();
}

class RegisteredAddin : public ::testing::Test {
 protected:
  RegisteredAddin() : module_(builtModule()) {
    auto registerServer = entryOf<DllRegisterServerFn>(module_, "DllRegisterServer");
    EXPECT_EQ(registerServer(), S_OK);
  }

  static Held<_CWaveForm> create() {
    _CWaveForm* object = nullptr;
    EXPECT_EQ(com::createInstance(CWAVEFORM_PROGID, IID__CWaveForm, reinterpret_cast<void**>(&object)),
              S_OK);
    return Held<_CWaveForm>(object);
  }

  TempConfigHome home_;
  void* module_;
};

}  // namespace trv3::testing

namespace trv3::testing {

// A copy of the module in a folder of its own, where no language component is installed,
// registered in a temporary per-user registry.
class RegisteredAddinWithoutLanguages : public ::testing::Test {
 protected:
  RegisteredAddinWithoutLanguages() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trv3-addin-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    const std::filesystem::path file = folder_ / "vlmWFRM_TRV3.so";
    std::filesystem::copy_file(TRV3_ADDIN_MODULE, file);
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(module, nullptr) << dlerror();
    EXPECT_EQ(entryOf<DllRegisterServerFn>(module, "DllRegisterServer")(), S_OK);
  }
  ~RegisteredAddinWithoutLanguages() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  TempConfigHome home_;
  std::filesystem::path folder_;
};

}  // namespace trv3::testing

namespace trv3::testing {

// A simulated two-channel instrument as the remembered address, and the script dialog that takes
// 600 points of channel 1: every getWaveform of a host then delivers.
struct ConfirmedFetchSetup {
  ConfirmedFetchSetup() {
    settings::SaveSetting("Velmora\\Quorvalis\\Arb Application", "TRV3 series", "Addr",
                          simulator.socketResource());
  }

  test::SimulatorProcess simulator{{"--model", "TRV30K2A", "--display", "1,0"}};
  ScopedEnvironment userInterface{"TRV3_UI", "script"};
  ScopedEnvironment script{"TRV3_UI_SCRIPT", "channel 1; points 600; ok"};
};

}  // namespace trv3::testing
