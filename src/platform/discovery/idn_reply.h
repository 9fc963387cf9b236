// The four comma-separated fields of an "*IDN?" reply: maker, model, serial number, firmware.
#pragma once

#include <string>
#include <string_view>

namespace trv3::discovery {

struct IdnFields {
  // Trimmed, for display.
  std::string maker;
  std::string model;
  std::string serialNumber;
  std::string firmware;  // everything after the third comma
  // The model field as the instrument sent it; opening the instrument later matches this text
  // against the supported models, so the support test must use it untrimmed.
  std::string rawModel;
};

// Missing fields are empty; a reply without commas is all maker.
IdnFields parseIdnReply(std::string_view reply);

// Whether the reply names one of the makers whose oscilloscopes the add-in opens (its current or
// its former name, anywhere in the reply and in any letter case).
bool namesOurMaker(std::string_view reply);

}  // namespace trv3::discovery
