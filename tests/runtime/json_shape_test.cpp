#include "platform/runtime/json_shape.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace trv3 {
namespace {

// The entries counted in the text match the parsed document's, whatever the spacing, escapes and
// brackets inside strings; a member named twice is the one way to hold fewer.
TEST(JsonShape, EntriesAsWrittenMatchTheParsedDocumentUnlessAMemberIsNamedTwice) {
  const struct {
    const char* text;
    bool namedTwice;
  } cases[] = {
      {"{\n\t\"a\\\"\": [1, [ ], {\"x\": {}}],\r\n \"b\": \"}{,[\\\\\"}", false},
      {R"({"a": [[], [[]], {"": ""}], "c": "\u0022,"})", false},
      {R"({"a": {"b": 1, "c": 2, "b": 3}})", true},
      {R"({"s": {"t": [1]}, "s": {}})", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const JsonShape shape = jsonShape(c.text, 8, 100);
    ASSERT_FALSE(shape.fault);
    EXPECT_EQ(jsonEntries(nlohmann::json::parse(c.text)) != shape.entries, c.namedTwice);
  }
}

}  // namespace
}  // namespace trv3
