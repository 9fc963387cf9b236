#include "platform/language/language_catalog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <set>

#include "platform/runtime/errors.h"
#include "shared/MLocaleGen.h"

namespace trv3::language {
namespace {

constexpr const char* Category = "{5C3A91E2-47B0-11d4-9F2A-0A0017C4B6D3}";

std::vector<LanguageComponentRef> allOf(ComponentCollection components) {
  std::vector<LanguageComponentRef> all;
  while (LanguageComponentRef component = components.Next()) all.push_back(std::move(component));
  return all;
}

class CatalogFolder : public ::testing::Test {
 protected:
  CatalogFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trv3-lang-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    std::filesystem::create_directories(root_ / Category);
    setCatalogFolder(root_);
  }
  ~CatalogFolder() override {
    setCatalogFolder({});
    std::filesystem::remove_all(root_);
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(root_ / Category / name) << text;
  }
  static std::string component(int code, const std::string& text500) {
    return R"({"countryCode": )" + std::to_string(code) +
           R"(, "fontName": "DejaVu Sans", "fontSize": 8, "texts": {"500": ")" + text500 + R"("}})";
  }
  std::filesystem::path root_;
};

TEST_F(CatalogFolder, ListsValidComponentsInFileNameOrder) {
  write("b.json", component(49, "Wellenform"));
  write("a.json", component(1, "WaveForm"));
  write("c.json", "{ not json");
  write("d.json", R"({"countryCode": 33})");  // no texts: not a component
  write("e.txt", component(44, "ignored"));
  const auto components = allOf(LanguageCatalog().FindComponents(Category));
  ASSERT_EQ(components.size(), 2u);
  EXPECT_EQ(components[0]->ComponentCountryCode(), 1);
  EXPECT_EQ(components[1]->ComponentCountryCode(), 49);
  EXPECT_EQ(components[1]->GetText(500), "Wellenform");
  EXPECT_EQ(components[0]->FontName(), "DejaVu Sans");
  EXPECT_EQ(components[0]->FontSize(), 8);
  EXPECT_THROW(components[0]->GetText(501), RuntimeError);
  EXPECT_TRUE(allOf(LanguageCatalog().FindComponents("{00000000-0000-0000-0000-000000000000}")).empty());
}

// Only a name with a stem before ".json" is a component: a hidden file named ".json" is not.
TEST_F(CatalogFolder, PassesOverNamesWithoutAStemOrOtherwiseSpelt) {
  for (const char* name : {".json", "a.JSON", "a.json.bak"}) write(name, component(1, "WaveForm"));
  write("..json", component(49, "Wellenform"));
  const auto components = allOf(LanguageCatalog().FindComponents(Category));
  ASSERT_EQ(components.size(), 1u);
  EXPECT_EQ(components[0]->ComponentCountryCode(), 49);
}

TEST_F(CatalogFolder, TheLoaderReadsInstalledFiles) {
  write("a.json", component(1, "WaveForm"));
  int32_t code = 7;
  MLocaleGen::loadLanguage(code);
  EXPECT_EQ(MLocaleGen::getLangText(500), "WaveForm");
  MLocaleGen::releaseLanguage();
}

// A size in points with a fraction is rounded; the language is still the one the file gives.
TEST_F(CatalogFolder, AFontSizeWithAFractionIsRoundedNotRefused) {
  const struct {
    const char* size;
    int32_t points;
  } cases[] = {{"8.25", 8}, {"8.5", 8}, {"9.5", 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    write("a.json", R"({"countryCode": 1, "fontName": "DejaVu Sans", "fontSize": )" +
                        std::string(c.size) + R"(, "texts": {}})");
    const auto components = allOf(LanguageCatalog().FindComponents(Category));
    ASSERT_EQ(components.size(), 1u);
    EXPECT_EQ(components[0]->FontSize(), c.points);
  }
}

// A file placed before the English component, claiming its code in a way no component may: it is
// passed over, and the loader takes the English one.
TEST_F(CatalogFolder, AComponentOfNoValidShapeNeverPassesForAnother) {
  const auto claiming = [](const std::string& code, const std::string& size, const std::string& texts,
                           const std::string& more = "") {
    return R"({"countryCode": )" + code + R"(, "fontName": "Hijack", "fontSize": )" + size +
           R"(, "texts": )" + texts + more + "}";
  };
  const std::string texts = R"({"500": "hijacked"})";
  std::string zeros;
  for (int i = 0; i < 10000; ++i) zeros += "0,";
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"a code past 32 bits", claiming("4294967297", "8", texts)},
      {"a Boolean code", claiming("true", "8", texts)},
      {"a code with a fraction", claiming("1.7", "8", texts)},
      {"a font size past 32 bits", claiming("1", "1e300", texts)},
      {"texts in an array", claiming("1", "8", R"(["hijacked"])")},
      {"nested 100,000 levels deep",
       claiming("1", "8", texts, R"(, "pad": )" + std::string(100000, '[') + std::string(100000, ']'))},
      {"more values than any component", claiming("1", "8", texts, R"(, "pad": [)" + zeros + "0]")},
  };
  write("b.json", component(1, "WaveForm"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write("a.json", c.text);
    int32_t code = 1;
    MLocaleGen::loadLanguage(code);
    EXPECT_EQ(MLocaleGen::getLangText(500), "WaveForm");
    EXPECT_EQ(MLocaleGen::getLangFontName(), "DejaVu Sans");
    MLocaleGen::releaseLanguage();
  }
}

TEST(InstalledLanguages, EnglishGermanAndFrenchHoldEveryTextId) {
  setCatalogFolder(TRV3_INSTALLED_LANGUAGES);
  const auto components = allOf(LanguageCatalog().FindComponents(Category));
  setCatalogFolder({});
  std::set<int32_t> codes;
  for (const auto& component : components) {
    codes.insert(component->ComponentCountryCode());
    EXPECT_EQ(component->FontName(), "DejaVu Sans");
    EXPECT_EQ(component->FontSize(), 8);
    for (int32_t id : {200, 201, 202, 500, 501, 502, 503, 504, 505, 506, 507, 508, 509, 510, 512, 514})
      EXPECT_FALSE(component->GetText(id).empty()) << "code " << component->ComponentCountryCode()
                                                   << " id " << id;
    const std::string label = component->GetText(514);
    EXPECT_EQ(label.find("LX2xx"), label.rfind("LX2xx"));
    EXPECT_NE(label.find("LX2xx"), std::string::npos);
  }
  EXPECT_EQ(codes, (std::set<int32_t>{1, 33, 49}));
}

}  // namespace
}  // namespace trv3::language
