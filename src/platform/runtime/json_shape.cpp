#include "platform/runtime/json_shape.h"

namespace trv3 {

std::optional<std::string> jsonShapeFault(std::string_view text, int deepestNesting, size_t mostValues) {
  if (text.find('\0') != std::string_view::npos) return "a NUL";
  const auto tooMany = [&] { return "more than " + std::to_string(mostValues) + " values"; };
  int depth = 0;
  size_t values = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepestNesting)
        return "brackets nested deeper than " + std::to_string(deepestNesting) + " levels";
      if (++values > mostValues) return tooMany();
    } else if (c == ',') {
      if (++values > mostValues) return tooMany();
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return std::nullopt;
}

}  // namespace trv3
