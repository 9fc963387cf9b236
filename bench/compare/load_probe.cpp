// What a host pays to bring an in-process server in, measured inside a fresh process: dlopen,
// the class factory, one instance, its ComponentID, and the release. With a second library
// argument that library is loaded too while the instance lives (the Qt module that the first
// dialog of the Qt path loads). Prints {"seconds", "steps", "qt_loaded", "component"} as JSON,
// "steps" being the seconds of dlopen, create (class factory and instance), ComponentID, the second
// library if any, and release.
#include <dlfcn.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "addin/waveform_interface.h"
#include "platform/com/automation.h"
#include "platform/com/bstr.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::cerr << "load_probe: " << what << "\n";
  std::exit(1);
}

bool qtLoaded() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("libQt6") != std::string::npos) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) fail("usage: load_probe LIBRARY [LIBRARY_LOADED_ON_THE_QT_PATH]");
  const auto started = std::chrono::steady_clock::now();
  auto stepStarted = started;
  std::vector<double> steps;
  const auto stepDone = [&] {
    const auto now = std::chrono::steady_clock::now();
    steps.push_back(std::chrono::duration<double>(now - stepStarted).count());
    stepStarted = now;
  };
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) fail(dlerror());
  auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(dlsym(library, "DllGetClassObject"));
  if (getClassObject == nullptr) fail("no DllGetClassObject");
  stepDone();
  IClassFactory* factory = nullptr;
  if (FAILED(getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    fail("no class factory");
  _CWaveForm* instance = nullptr;
  if (FAILED(factory->lpVtbl->CreateInstance(factory, nullptr, &IID__CWaveForm,
                                             reinterpret_cast<void**>(&instance))))
    fail("no instance");
  stepDone();
  BSTR component = nullptr;
  if (FAILED(instance->lpVtbl->get_ComponentID(instance, &component))) fail("no ComponentID");
  const std::string componentText = trv3::com::bstrToUtf8(component);
  SysFreeString(component);
  stepDone();
  if (argc > 2) {
    if (dlopen(argv[2], RTLD_NOW | RTLD_LOCAL) == nullptr) fail(dlerror());
    stepDone();
  }
  instance->lpVtbl->Release(instance);
  factory->lpVtbl->Release(factory);
  stepDone();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cout << nlohmann::json{{"seconds", seconds}, {"steps", steps}, {"qt_loaded", qtLoaded()},
                              {"component", componentText}}
            << "\n";
}
