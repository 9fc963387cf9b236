// Format "K" replies: a list of fields, split as the reply arrives in pieces, into texts and into
// the doubles of a preamble. The first byte picks where the pieces break and how many fields are
// kept.
#include <cmath>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "platform/io/formatted_reply.h"

namespace {

std::vector<std::string> split(std::string_view reply, size_t capacity, size_t pieceSize) {
  std::vector<std::string> fields;
  trv3::io::FieldSplitter splitter(capacity, [&](size_t index, std::string_view field) {
    if (index != fields.size()) __builtin_trap();  // fields arrive in order, none skipped
    fields.emplace_back(field);
  });
  for (size_t at = 0; at < reply.size(); at += pieceSize) splitter.feed(reply.substr(at, pieceSize));
  splitter.finish();
  return fields;
}

}  // namespace

TRV3_FUZZ_TARGET(k_list) {
  if (input.empty()) return;
  const size_t pieceSize = 1 + input[0] % 7;
  const size_t capacity = input[0] >> 4;  // 0 to 15, the preamble's 10 among them
  const std::string_view reply = trv3::fuzz::asText(input.subspan(1));

  const auto whole = split(reply, SIZE_MAX, reply.size() + 1);
  // Pieces split exactly as the whole reply does, and a capacity only cuts the list short.
  const auto pieces = split(reply, capacity, pieceSize);
  if (pieces.size() != std::min(whole.size(), capacity)) __builtin_trap();
  for (size_t i = 0; i < pieces.size(); ++i)
    if (pieces[i] != whole[i]) __builtin_trap();
  // No byte is lost but a "\r" that ends the reply.
  std::string joined;
  for (size_t i = 0; i < whole.size(); ++i) joined += (i ? "," : "") + whole[i];
  if (joined != reply && joined + "\r" != reply) __builtin_trap();

  for (const auto& field : pieces) trv3::io::fieldNumber(field);
  trv3::io::isFormat(reply, "K");
}
