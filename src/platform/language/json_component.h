// A language component stored as JSON:
//   { "countryCode": 1, "fontName": "DejaVu Sans", "fontSize": 8, "texts": { "200": "&Ok", ... } }
#pragma once

#include <map>
#include <string>

#include "platform/language/language_catalog.h"

namespace trv3::language {

class JsonComponent : public LanguageComponent {
 public:
  // Raises when the file cannot be read or is not a component. The path is text (see
  // path_text.h); a std::filesystem::path converts.
  static std::shared_ptr<JsonComponent> load(const std::string& file);

  std::string FontName() const override { return fontName_; }
  int32_t FontSize() const override { return fontSize_; }
  std::string GetText(int32_t id) const override;
  int32_t ComponentCountryCode() const override { return countryCode_; }

 private:
  int32_t countryCode_ = 0;
  std::string fontName_;
  int32_t fontSize_ = 0;
  std::map<int32_t, std::string> texts_;
};

}  // namespace trv3::language
