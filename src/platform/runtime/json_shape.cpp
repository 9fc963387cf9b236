#include "platform/runtime/json_shape.h"

namespace trv3 {

JsonShape jsonShape(std::string_view text, int deepestNesting, size_t mostValues) {
  JsonShape shape;
  if (text.find('\0') != std::string_view::npos) {
    shape.fault = "a NUL";
    return shape;
  }
  int depth = 0;
  size_t values = 0;  // containers and the entries after a comma
  bool inString = false;
  bool justOpened = false;  // the first entry of a container, if any, is next
  for (size_t i = 0; i < text.size() && !shape.fault; ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    if (justOpened && c != ']' && c != '}') ++shape.entries;
    justOpened = c == '[' || c == '{';
    if (c == '"') inString = true;
    else if (c == ']' || c == '}') --depth;
    else if (c == ',') ++shape.entries;
    if (justOpened && ++depth > deepestNesting)
      shape.fault = "brackets nested deeper than " + std::to_string(deepestNesting) + " levels";
    else if ((justOpened || c == ',') && ++values > mostValues)
      shape.fault = "more than " + std::to_string(mostValues) + " values";
  }
  return shape;
}

}  // namespace trv3
