// The discovery control's own captions in the languages it knows (country codes 1, 49 and 33);
// any other code gets the English ones. UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace trv3::discovery {

struct DiscoveryTexts {
  std::string searchAgain;         // the button that starts a new search
  std::string searching;           // status while a search runs
  std::string noneFound;           // status after a search that found nothing
  std::string columnAddress;
  std::string columnMaker;
  std::string columnModel;
  std::string columnSerialNumber;
  std::string columnFirmware;
  std::string columnSupported;
  std::string yes;
  std::string no;
  std::string supportedInstruments;  // the label's lead-in, followed by the model list
  std::string noModels;              // stands for the model list when it is empty
};

const DiscoveryTexts& textsForLanguage(int32_t countryCode);

}  // namespace trv3::discovery
