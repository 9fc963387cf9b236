// Language components made up in the test, installed for the calling thread, with a count of the
// catalog's enumerations.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/language/language_catalog.h"
#include "platform/runtime/errors.h"

namespace trv3::testing {

class FakeComponent : public language::LanguageComponent {
 public:
  FakeComponent(int32_t code, std::map<int32_t, std::string> texts, std::string font = "Fake Sans",
                int32_t size = 8)
      : code_(code), texts_(std::move(texts)), font_(std::move(font)), size_(size) {}

  std::string FontName() const override { return font_; }
  int32_t FontSize() const override { return size_; }
  std::string GetText(int32_t id) const override {
    const auto it = texts_.find(id);
    if (it == texts_.end()) raise(rt::InvalidProcedureCall, "no such text");
    return it->second;
  }
  int32_t ComponentCountryCode() const override {
    if (failCountryCode) raise(rt::ObjectErrorBase + 5, "country code unavailable", "fake");
    return code_;
  }

  bool failCountryCode = false;

 private:
  int32_t code_;
  std::map<int32_t, std::string> texts_;
  std::string font_;
  int32_t size_;
};

class FakeLanguages {
 public:
  FakeLanguages()
      : guard_([this](std::string_view category) {
          ++enumerations;
          lastCategory = std::string(category);
          return components;
        }) {}

  std::shared_ptr<FakeComponent> add(int32_t code, std::map<int32_t, std::string> texts,
                                     std::string font = "Fake Sans", int32_t size = 8) {
    auto component = std::make_shared<FakeComponent>(code, std::move(texts), std::move(font), size);
    components.push_back(component);
    return component;
  }

  std::vector<language::LanguageComponentRef> components;
  int enumerations = 0;
  std::string lastCategory;

 private:
  language::ScopedComponentSource guard_;
};

}  // namespace trv3::testing
