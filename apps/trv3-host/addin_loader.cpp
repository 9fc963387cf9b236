#include "addin_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <stdexcept>

#include "addin/waveform_interface.h"
#include "platform/com/activation.h"
#include "platform/com/error_info.h"
#include "platform/com/guid.h"
#include "platform/com/server_registration.h"

namespace trv3::host {

namespace {

// The add-in as built beside this program (build/bin/trv3-host, build/lib/vlmWFRM_TRV3.so), for
// the registration hint; a generic path when it is not there.
std::string addinFileHint() {
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const auto beside = program.parent_path().parent_path() / "lib" / "vlmWFRM_TRV3.so";
    if (std::filesystem::exists(beside, error)) return beside.lexically_normal().string();
  }
  return "PATH/TO/vlmWFRM_TRV3.so";
}

std::string lastErrorText(HRESULT status) {
  const auto record = com::takeErrorInfo();
  if (record && !record->description.empty()) return record->description;
  char text[32];
  std::snprintf(text, sizeof text, "status 0x%08X", static_cast<uint32_t>(status));
  return text;
}

// What CoCreateInstance does for a ProgID: the registry names the CLSID and the library file,
// the library is loaded and its class factory makes the instance.
ComRef<IDispatch> createRegistered() {
  ComRef<IDispatch> instance;
  const HRESULT status = com::createInstance(CWAVEFORM_PROGID, IID_IDispatch, instance.receive());
  if (status == CO_E_CLASSSTRING || status == REGDB_E_CLASSNOTREG) {
    com::takeErrorInfo();
    throw std::runtime_error(
        std::string("the class ") + CWAVEFORM_PROGID +
        " is not registered for this user; register the add-in with: trv3-regsvr " +
        addinFileHint());
  }
  if (FAILED(status))
    throw std::runtime_error(std::string("cannot create ") + CWAVEFORM_PROGID + ": " +
                             lastErrorText(status));
  return instance;
}

// Without the registry: load the file, take its DllGetClassObject export, ask it for the class
// factory of CWaveForm and let the factory create the instance. The library stays loaded for the
// life of the process, as the objects it made may outlive this function.
ComRef<IDispatch> createFromFile(const std::filesystem::path& file) {
  void* library = dlopen(std::filesystem::absolute(file).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw std::runtime_error(std::string("cannot load ") + dlerror());
  auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(dlsym(library, "DllGetClassObject"));
  if (getClassObject == nullptr)
    throw std::runtime_error(file.string() + " is not an in-process server (no DllGetClassObject)");

  ComRef<IClassFactory> factory;
  HRESULT status = getClassObject(&CLSID_CWaveForm, &IID_IClassFactory, factory.receive());
  if (FAILED(status))
    throw std::runtime_error(file.string() + " does not serve the class " + CWAVEFORM_PROGID);
  ComRef<IDispatch> instance;
  status = factory.get()->lpVtbl->CreateInstance(factory.get(), nullptr, &IID_IDispatch,
                                                 instance.receive());
  if (FAILED(status))
    throw std::runtime_error(std::string("cannot create ") + CWAVEFORM_PROGID + ": " +
                             lastErrorText(status));
  return instance;
}

}  // namespace

ComRef<IDispatch> createWaveformObject(const std::optional<std::filesystem::path>& libraryFile) {
  return libraryFile ? createFromFile(*libraryFile) : createRegistered();
}

std::optional<std::filesystem::path> addinLibraryFile(const std::optional<std::filesystem::path>& libraryFile) {
  if (libraryFile) return libraryFile;
  const auto classId = com::registeredClassOf(CWAVEFORM_PROGID);
  if (!classId) return std::nullopt;
  return com::registeredLibraryOf(*classId);
}

std::string registrationText() {
  const auto classId = com::registeredClassOf(CWAVEFORM_PROGID);
  if (!classId) return std::string(CWAVEFORM_PROGID) + " is not registered for this user";
  const auto library = com::registeredLibraryOf(*classId);
  return std::string(CWAVEFORM_PROGID) + ": CLSID " + com::guidToString(*classId) + ", library " +
         (library ? library->string() : "(none)");
}

}  // namespace trv3::host
