// The language library: installed language components, one per language, registered under a
// category identifier. Each component is a JSON file in <catalog folder>/<category>/, and the
// catalog folder is "languages" beside the add-in's library file. Every failure is a RuntimeError.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::language {

class LanguageComponent {
 public:
  virtual ~LanguageComponent() = default;
  virtual std::string FontName() const = 0;
  virtual int32_t FontSize() const = 0;
  // Raises for an id that the component does not hold.
  virtual std::string GetText(int32_t id) const = 0;
  virtual int32_t ComponentCountryCode() const = 0;
};

using LanguageComponentRef = std::shared_ptr<const LanguageComponent>;

// The components of a category, enumerated once in order. An installed component is read only
// when the enumeration reaches it, so that a loader that stops at the first match reads no more.
class ComponentCollection {
 public:
  explicit ComponentCollection(std::vector<LanguageComponentRef> components);
  explicit ComponentCollection(std::vector<std::string> files);

  // The next component, or none at the end. Files that are not valid components are passed over.
  LanguageComponentRef Next();

 private:
  std::vector<LanguageComponentRef> components_;
  std::vector<std::string> files_;
  size_t position_ = 0;
};

class LanguageCatalog {
 public:
  // Every installed component of the category, in file-name order.
  ComponentCollection FindComponents(std::string_view category) const;
};

// The folder that holds one subfolder per category; an empty path restores the one beside the
// add-in. The folder is given as text (see path_text.h).
void setCatalogFolder(const std::filesystem::path& folder);
std::string catalogFolder();

// Lets tests stand in for the installed components: while the guard lives, FindComponents on this
// thread returns what the source gives (the source may also raise).
using ComponentSource = std::function<std::vector<LanguageComponentRef>(std::string_view category)>;
class ScopedComponentSource {
 public:
  explicit ScopedComponentSource(ComponentSource source);
  ~ScopedComponentSource();
  ScopedComponentSource(const ScopedComponentSource&) = delete;
  ScopedComponentSource& operator=(const ScopedComponentSource&) = delete;

 private:
  ComponentSource previous_;
};

}  // namespace trv3::language
