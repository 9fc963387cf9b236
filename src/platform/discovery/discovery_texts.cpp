#include "platform/discovery/discovery_texts.h"

namespace trv3::discovery {
namespace {

const DiscoveryTexts english{
    "Search again", "Searching for instruments...", "No instruments found",
    "Address",      "Manufacturer",                 "Model",
    "Serial number", "Firmware",                    "Supported",
    "Yes",          "No",                           "Supported instruments:",
    "none",
};

const DiscoveryTexts german{
    "Erneut suchen",  "Suche nach Instrumenten...", "Keine Instrumente gefunden",
    "Adresse",        "Hersteller",                 "Modell",
    "Seriennummer",   "Firmware",                   "Unterstützt",
    "Ja",             "Nein",                       "Unterstützte Instrumente:",
    "keine",
};

const DiscoveryTexts french{
    "Rechercher à nouveau", "Recherche des instruments...", "Aucun instrument trouvé",
    "Adresse",              "Fabricant",                    "Modèle",
    "Numéro de série",      "Micrologiciel",                "Pris en charge",
    "Oui",                  "Non",                          "Instruments pris en charge :",
    "aucun",
};

}  // namespace

const DiscoveryTexts& textsForLanguage(int32_t countryCode) {
  switch (countryCode) {
    case 49: return german;
    case 33: return french;
    default: return english;
  }
}

}  // namespace trv3::discovery
