// Where the supported-model table is read from: "vlmTRV3SERdc.ini" in the add-in's folder.
#pragma once

#include <filesystem>

namespace trv3::ModelTable {

// The folder of the add-in's library file, one separator (never two), and the file name.
std::filesystem::path modelTableFile();

}  // namespace trv3::ModelTable
