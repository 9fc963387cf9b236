// Conversions of format "K": a reply taken as a comma-separated list of values.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace trv3::io {

// Splits a reply into its comma-separated fields (blanks kept) in one pass, piece by piece as the
// reply arrives. Only the first `capacity` fields are handed to the sink; the rest are skipped
// without being stored. A "\r" that ends the reply belongs to no field; an empty reply has none.
class FieldSplitter {
 public:
  using Sink = std::function<void(size_t index, std::string_view field)>;

  FieldSplitter(size_t capacity, Sink sink) : capacity_(capacity), sink_(std::move(sink)) {}

  void feed(std::string_view piece);
  // The reply is complete: hands over its last field.
  void finish();

 private:
  void take(std::string_view bytes);
  void endField();

  size_t capacity_;
  Sink sink_;
  std::string field_;
  size_t index_ = 0;
  bool started_ = false;
  // A "\r" at the end of the last piece: the end of the reply, unless more follows.
  bool heldReturn_ = false;
};

// The number of a field ("+1.00000000E-06", " 9.9E+37 "); not-a-number for a field that is none.
double fieldNumber(std::string_view field);

// Whether a format text names the given format; letter case and surrounding blanks do not count.
bool isFormat(std::string_view format, std::string_view name);

}  // namespace trv3::io
