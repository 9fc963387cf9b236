#include "platform/runtime/json_shape.h"

namespace trv3 {

JsonShape jsonShape(std::string_view text, int deepestNesting, size_t mostValues) {
  JsonShape shape;
  if (text.find('\0') != std::string_view::npos) {
    shape.fault = "a NUL";
    return shape;
  }
  const auto tooMany = [&] { return "more than " + std::to_string(mostValues) + " values"; };
  int depth = 0;
  size_t values = 0;
  bool inString = false;
  bool justOpened = false;  // the first entry of a container, if any, is next
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    if (justOpened && c != ']' && c != '}') ++shape.entries;
    justOpened = false;
    if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      justOpened = true;
      if (++depth > deepestNesting)
        shape.fault = "brackets nested deeper than " + std::to_string(deepestNesting) + " levels";
      else if (++values > mostValues)
        shape.fault = tooMany();
      if (shape.fault) return shape;
    } else if (c == ',') {
      ++shape.entries;
      if (++values > mostValues) {
        shape.fault = tooMany();
        return shape;
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return shape;
}

}  // namespace trv3
