#include "model_catalog.h"

#include <array>

namespace trv3::sim {
namespace {

constexpr int kSeriesRecord = 100000;
constexpr int kUnknownModelRecord = 100000;

// Record lengths of the legacy models cover the largest point count the add-in offers them.
constexpr std::array kModels{
    ModelInfo{"TRV30K2A", 2, false, kSeriesRecord}, ModelInfo{"TRV30K4A", 4, false, kSeriesRecord},
    ModelInfo{"TRV30M2A", 2, false, kSeriesRecord}, ModelInfo{"TRV30M4A", 4, false, kSeriesRecord},
    ModelInfo{"TRV30P2A", 2, false, kSeriesRecord}, ModelInfo{"TRV30P4A", 4, false, kSeriesRecord},
    ModelInfo{"TRV30R2B", 2, false, kSeriesRecord}, ModelInfo{"TRV30S2B", 2, false, kSeriesRecord},
    ModelInfo{"TRV31K2B", 2, false, kSeriesRecord}, ModelInfo{"TRV31R2B", 2, false, kSeriesRecord},
    ModelInfo{"LX210", 2, false, 1000},  ModelInfo{"LX220", 2, false, 1000},
    ModelInfo{"LX230", 2, false, 1000},  ModelInfo{"LX240", 2, false, 1000},
    ModelInfo{"LX250", 2, false, 1000},  ModelInfo{"LX260", 2, false, 1000},
    ModelInfo{"LX270", 2, false, 2000},  ModelInfo{"LX270D", 2, true, 2000},
    ModelInfo{"LX280", 4, false, 20000}, ModelInfo{"LX280A", 4, true, 20000},
    ModelInfo{"LX280C", 4, true, 20000}, ModelInfo{"LX290", 4, false, 20000},
    ModelInfo{"LX290D", 4, true, 20000},
};

}  // namespace

ModelInfo lookUpModel(std::string_view name) {
  for (const ModelInfo& model : kModels) {
    if (model.name == name) return model;
  }
  return {name, 2, false, kUnknownModelRecord};
}

}  // namespace trv3::sim
