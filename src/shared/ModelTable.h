// The supported-model table: model numbers and their channel counts, from "vlmTRV3SERdc.ini" beside
// the add-in's library file, or the built-in defaults when that file does not exist.
#pragma once

#include <string>

namespace trv3::ModelTable {

// Reads the table again (per apartment) into the two texts below.
void loadModelTable();

// Comma-separated, paired by position; empty in a new apartment until loadModelTable runs.
const std::string& SupportedModels();
const std::string& ModelChannels();

}  // namespace trv3::ModelTable
