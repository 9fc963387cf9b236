#include "platform/io/formatted_reply.h"

#include <limits>

#include "platform/runtime/conversions.h"

namespace trv3::io {

void FieldSplitter::feed(std::string_view piece) {
  if (heldReturn_) {
    heldReturn_ = false;
    take("\r");
  }
  if (!piece.empty() && piece.back() == '\r') {
    heldReturn_ = true;
    piece.remove_suffix(1);
  }
  take(piece);
}

void FieldSplitter::take(std::string_view bytes) {
  if (bytes.empty()) return;
  started_ = true;
  for (;;) {
    const size_t comma = bytes.find(',');
    if (index_ < capacity_) field_.append(bytes.substr(0, comma));
    if (comma == std::string_view::npos) return;
    endField();
    bytes.remove_prefix(comma + 1);
  }
}

void FieldSplitter::endField() {
  if (index_ < capacity_) sink_(index_, field_);
  field_.clear();
  ++index_;
}

void FieldSplitter::finish() {
  if (started_) endField();
}

double fieldNumber(std::string_view field) {
  return parseNumeric(field).value_or(std::numeric_limits<double>::quiet_NaN());
}

bool isFormat(std::string_view format, std::string_view name) {
  return toUpperAscii(trimBlanks(format, " \t")) == toUpperAscii(name);
}

}  // namespace trv3::io
