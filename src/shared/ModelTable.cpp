#include "shared/ModelTable.h"

#include <filesystem>

#include "platform/runtime/module_path.h"
#include "shared/model_table_file.h"
#include "shared/profile_string.h"

namespace trv3::ModelTable {
namespace {

constexpr const char* kIniFileName = "vlmTRV3SERdc.ini";
constexpr const char* kSection = "TRV3 series";
// The reading buffer holds 500 characters, the terminator included.
constexpr size_t kValueBuffer = 500;

constexpr const char* kDefaultModels =
    "TRV30K2A,TRV30K4A,TRV30M2A,TRV30M4A,TRV30P2A,TRV30P4A,TRV30R2B,TRV30S2B,TRV31K2B,TRV31R2B";
constexpr const char* kDefaultChannels = "2,4,2,4,2,4,2,2,2,2";

// Once per apartment, that is once per host thread.
thread_local std::string supportedModels;
thread_local std::string modelChannels;

}  // namespace

std::filesystem::path modelTableFile() { return fileBesideAddin(kIniFileName); }

void loadModelTable() {
  const std::filesystem::path iniFile = modelTableFile();
  // A folder of that name counts as present too: it then yields two empty lists.
  std::error_code error;
  if (std::filesystem::exists(iniFile, error)) {
    supportedModels = readProfileString(iniFile, kSection, "Model", kValueBuffer);
    modelChannels = readProfileString(iniFile, kSection, "Channels", kValueBuffer);
  } else {
    supportedModels = kDefaultModels;
    modelChannels = kDefaultChannels;
  }
}

const std::string& SupportedModels() { return supportedModels; }
const std::string& ModelChannels() { return modelChannels; }

}  // namespace trv3::ModelTable
