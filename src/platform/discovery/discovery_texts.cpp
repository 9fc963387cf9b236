#include "platform/discovery/discovery_texts.h"

namespace trv3::discovery {

// Built on first use rather than as the library loads, where every host would pay for them.
const DiscoveryTexts& textsForLanguage(int32_t countryCode) {
  switch (countryCode) {
    case 49: {
      static const DiscoveryTexts german{
          "Erneut suchen",  "Suche nach Instrumenten...", "Keine Instrumente gefunden",
          "Adresse",        "Hersteller",                 "Modell",
          "Seriennummer",   "Firmware",                   "Unterstützt",
          "Ja",             "Nein",                       "Unterstützte Instrumente:",
          "keine",
      };
      return german;
    }
    case 33: {
      static const DiscoveryTexts french{
          "Rechercher à nouveau", "Recherche des instruments...", "Aucun instrument trouvé",
          "Adresse",              "Fabricant",                    "Modèle",
          "Numéro de série",      "Micrologiciel",                "Pris en charge",
          "Oui",                  "Non",                          "Instruments pris en charge :",
          "aucun",
      };
      return french;
    }
    default: {
      static const DiscoveryTexts english{
          "Search again", "Searching for instruments...", "No instruments found",
          "Address",      "Manufacturer",                 "Model",
          "Serial number", "Firmware",                    "Supported",
          "Yes",          "No",                           "Supported instruments:",
          "none",
      };
      return english;
    }
  }
}

}  // namespace trv3::discovery
