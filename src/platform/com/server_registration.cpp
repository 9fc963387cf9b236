#include "platform/com/server_registration.h"

#include <optional>
#include <vector>

#include "platform/com/guid.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/module_path.h"
#include "platform/settings/settings_store.h"

namespace trv3::com {
namespace {

// Built at each call, so that loading the library builds no string.
std::string classesKey(std::string_view rest) { return "Software\\Classes\\" + std::string(rest); }

std::string classKey(const CLSID& id) { return classesKey("CLSID\\" + guidToString(id)); }
std::string progIdKey(std::string_view progId) { return classesKey(progId); }
std::string interfaceKey(const IID& id) { return classesKey("Interface\\" + guidToString(id)); }
std::string typeLibraryKey(const GUID& id) { return classesKey("TypeLib\\" + guidToString(id)); }

}  // namespace

void registerServer(const ServerRegistration& s) {
  const std::string classId = guidToString(s.classId);
  const std::string libraryId = guidToString(s.typeLibraryId);
  const std::string library = s.libraryFile.string();
  const std::string version = typeLibraryKey(s.typeLibraryId) + "\\" + s.typeLibraryVersion;
  const std::vector<settings::ValueWrite> writes = {
      {classKey(s.classId), "", s.progId},
      {classKey(s.classId) + "\\InprocServer32", "", library},
      {classKey(s.classId) + "\\InprocServer32", "ThreadingModel", s.threadingModel},
      {classKey(s.classId) + "\\ProgID", "", s.progId},
      {classKey(s.classId) + "\\TypeLib", "", libraryId},
      {classKey(s.classId) + "\\VERSION", "", s.typeLibraryVersion},
      {progIdKey(s.progId), "", s.progId},
      {progIdKey(s.progId) + "\\Clsid", "", classId},
      {interfaceKey(s.interfaceId), "", s.interfaceName},
      {interfaceKey(s.interfaceId) + "\\TypeLib", "", libraryId},
      {interfaceKey(s.interfaceId) + "\\TypeLib", "Version", s.typeLibraryVersion},
      {version, "", s.typeLibraryDescription},
      {version, "Name", s.typeLibraryName},
      {version + "\\0\\linux", "", library},
      {version + "\\FLAGS", "", "0"},
      {version + "\\HELPDIR", "", s.libraryFile.parent_path().string()},
  };
  settings::SetValues(writes);
}

void unregisterServer(const ServerRegistration& s) {
  const std::vector<std::string> keys = {classKey(s.classId), progIdKey(s.progId),
                                         interfaceKey(s.interfaceId), typeLibraryKey(s.typeLibraryId)};
  settings::DeleteKeys(keys);
}

std::optional<CLSID> registeredClassOf(std::string_view progId) {
  if (progId.empty()) return std::nullopt;
  const auto text = settings::QueryValue(progIdKey(progId) + "\\Clsid", "");
  return text ? parseGuid(*text) : std::nullopt;
}

std::optional<std::filesystem::path> registeredLibraryOf(const CLSID& classId) {
  const auto text = settings::QueryValue(classKey(classId) + "\\InprocServer32", "");
  if (!text || text->empty()) return std::nullopt;
  return std::filesystem::path(*text);
}

std::filesystem::path moduleFileOf(const void* address) {
  const std::optional<std::filesystem::path> module = moduleFileHolding(address);
  if (!module) raise(rt::ObjectErrorBase + 1, "Cannot tell which file holds this module", "registration");
  return *module;
}

}  // namespace trv3::com
