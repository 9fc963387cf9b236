// The per-user registry: one human-readable JSON file, $XDG_CONFIG_HOME/velmora/registry.json
// (~/.config when the variable is unset or empty), looked up again at every call. Every change is a
// read-modify-write under an inter-process file lock, written atomically, so concurrent writers never
// lose each other's values. A file that cannot be parsed is renamed aside, the user is told,
// and it is treated as empty.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trv3::settings {

// Program settings, addressed by application, section and key (an application name may hold "\"
// to nest keys). A missing value reads as the default.
std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                       std::string_view defaultValue = {});
// Raises InvalidProcedureCall for an empty application, section or key, and "Path/File access
// error" when the store cannot be written.
void SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                 std::string_view value);

// One key of a section and its value, for reading or saving several keys at once.
struct Setting {
  std::string key;
  std::string value;
};
// Reads the keys from one reading of the store; a missing key keeps the value it has (its default).
void GetSettings(std::string_view appName, std::string_view section, std::span<Setting> settings);
// Saves the values in one change of the store; nothing is written if one fails. Raises as
// SaveSetting.
void SaveSettings(std::string_view appName, std::string_view section, std::span<const Setting> settings);

// An empty key deletes the whole section; deleting what is not there changes nothing.
void DeleteSetting(std::string_view appName, std::string_view section, std::string_view key);

// The key tree beneath the user's hive: key paths separated by "\", names compared ignoring ASCII
// letter case, the default value of a key under the empty name.
std::optional<std::string> QueryValue(std::string_view keyPath, std::string_view name);

struct ValueWrite {
  std::string keyPath;
  std::string name;
  std::string value;
};
// Writes all values in one change, creating keys as needed; nothing is written if one fails.
void SetValues(std::span<const ValueWrite> writes);
// Deletes the keys with everything beneath them, in one change.
void DeleteKeys(std::span<const std::string> keyPaths);

// The file behind the store, for the current environment.
std::filesystem::path storePath();

// Tells the user that the store could not be read and was renamed aside (to "<store>.unreadable-
// <time>-<process>"), or, with an empty setAside, that it could not be renamed either and is left
// as it is, nothing being saved over it; called once per unreadable file. By default one line on
// standard error; a host with a user interface may replace it.
using UnreadableStoreNotice =
    std::function<void(const std::filesystem::path& store, const std::filesystem::path& setAside)>;
UnreadableStoreNotice& unreadableStoreNotice();

}  // namespace trv3::settings
