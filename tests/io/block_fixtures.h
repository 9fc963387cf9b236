// Blocks for the tests: an Int32ArrayTarget over a vector as the stand-in for the host's array,
// block texts, and the codes that a block must deliver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/io/io_session.h"

namespace trv3::io::testing {

class VectorTarget : public Int32ArrayTarget {
 public:
  size_t size() const override { return values.size(); }
  int32_t* resize(size_t count) override {
    values.resize(count);
    ++resizeCount;
    return values.data();
  }
  std::vector<int32_t> values;
  int resizeCount = 0;
};

// The codes of a block's bytes as the reader must deliver them: unsigned, 0..255.
inline std::vector<int32_t> codesOf(const std::string& bytes) {
  std::vector<int32_t> codes;
  codes.reserve(bytes.size());
  for (const char c : bytes) codes.push_back(static_cast<unsigned char>(c));
  return codes;
}

// A block of one-byte codes in definite form: "#<n><length><data>".
inline std::string definiteBlock(const std::string& data) {
  const std::string length = std::to_string(data.size());
  return "#" + std::to_string(length.size()) + length + data;
}

// `count` bytes that run through every code, the newline (10) among them many times.
inline std::string everyCode(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + 10) % 256);
  return bytes;
}

}  // namespace trv3::io::testing
