// A keyed collection of texts with the run-time Collection's rules: items numbered from 1 in the
// order they were added, keys unique and compared without regard to letter case. The connect
// dialog fills it with the supported model numbers, each keyed by itself, so a model that stands
// twice in the list cannot be added a second time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::discovery {

// The run-time's number for adding a key that is already present.
constexpr int32_t KeyAlreadyAssociated = 457;

class ModelCollection {
 public:
  // Adds an item under a key; a key already present (in any letter case) raises
  // KeyAlreadyAssociated and leaves the collection unchanged.
  void Add(std::string item, std::string key);
  // Adds an item without a key.
  void Add(std::string item);

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

  // 1-based; an index outside 1..Count raises SubscriptOutOfRange.
  const std::string& Item(int32_t index) const;
  // A key that is not present raises InvalidProcedureCall.
  const std::string& Item(std::string_view key) const;

  bool containsKey(std::string_view key) const;
  // Whether some item equals the text exactly (letter case and blanks count).
  bool containsItem(std::string_view item) const;

  // The items in order, for display.
  std::vector<std::string> items() const;

 private:
  struct Entry {
    std::string item;
    std::string foldedKey;
    bool keyed;
  };
  const Entry* findKey(std::string_view key) const;

  std::vector<Entry> entries_;
};

}  // namespace trv3::discovery
