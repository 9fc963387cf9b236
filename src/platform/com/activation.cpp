#include "platform/com/activation.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "platform/com/error_info.h"
#include "platform/com/guid.h"
#include "platform/com/server_registration.h"

namespace trv3::com {
namespace {

HRESULT fail(HRESULT status, std::string description) {
  setErrorInfo({status, std::move(description), "activation"});
  return status;
}

// Libraries stay loaded for the life of the process: objects of theirs may be alive anywhere, and
// loading a file twice returns the same handle anyway.
std::mutex librariesMutex;
std::map<std::filesystem::path, void*> loadedLibraries;

void* loadLibrary(const std::filesystem::path& file, std::string& why) {
  std::lock_guard lock(librariesMutex);
  if (auto it = loadedLibraries.find(file); it != loadedLibraries.end()) return it->second;
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    why = error ? error : "unknown error";
    return nullptr;
  }
  loadedLibraries.emplace(file, handle);
  return handle;
}

}  // namespace

HRESULT classIdFromProgId(std::string_view progId, CLSID& classId) {
  const auto registered = registeredClassOf(progId);
  if (!registered)
    return fail(CO_E_CLASSSTRING, "The class \"" + std::string(progId) + "\" is not registered");
  classId = *registered;
  return S_OK;
}

HRESULT createInstanceFromFile(const std::filesystem::path& library, const CLSID& classId,
                               const IID& iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  std::string why;
  void* handle = loadLibrary(library, why);
  if (handle == nullptr) return fail(E_FAIL, "Cannot load " + library.string() + ": " + why);
  auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  if (getClassObject == nullptr)
    return fail(E_FAIL, library.string() + " is not an in-process server");
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject(&classId, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr))
    return fail(hr, library.string() + " does not serve the class " + guidToString(classId));
  hr = factory->lpVtbl->CreateInstance(factory, nullptr, &iid, object);
  factory->lpVtbl->Release(factory);
  if (FAILED(hr)) return fail(hr, "The class " + guidToString(classId) + " refused to create an instance");
  return hr;
}

HRESULT createInstance(const CLSID& classId, const IID& iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const auto library = registeredLibraryOf(classId);
  if (!library)
    return fail(REGDB_E_CLASSNOTREG, "The class " + guidToString(classId) + " is not registered");
  return createInstanceFromFile(*library, classId, iid, object);
}

HRESULT createInstance(std::string_view progId, const IID& iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  CLSID classId;
  const HRESULT hr = classIdFromProgId(progId, classId);
  if (FAILED(hr)) return hr;
  return createInstance(classId, iid, object);
}

}  // namespace trv3::com
