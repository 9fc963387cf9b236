#include "platform/discovery/model_collection.h"

#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"

namespace trv3::discovery {

void ModelCollection::Add(std::string item, std::string key) {
  if (findKey(key) != nullptr) {
    raise(KeyAlreadyAssociated, "This key is already associated with an element of this collection");
  }
  entries_.push_back({std::move(item), toLowerAscii(key), true});
}

void ModelCollection::Add(std::string item) { entries_.push_back({std::move(item), {}, false}); }

const std::string& ModelCollection::Item(int32_t index) const {
  if (index < 1 || index > Count()) raise(rt::SubscriptOutOfRange);
  return entries_[static_cast<size_t>(index - 1)].item;
}

const std::string& ModelCollection::Item(std::string_view key) const {
  const Entry* entry = findKey(key);
  if (entry == nullptr) raise(rt::InvalidProcedureCall);
  return entry->item;
}

bool ModelCollection::containsKey(std::string_view key) const { return findKey(key) != nullptr; }

bool ModelCollection::containsItem(std::string_view item) const {
  for (const Entry& entry : entries_) {
    if (entry.item == item) return true;
  }
  return false;
}

std::vector<std::string> ModelCollection::items() const {
  std::vector<std::string> result;
  result.reserve(entries_.size());
  for (const Entry& entry : entries_) result.push_back(entry.item);
  return result;
}

const ModelCollection::Entry* ModelCollection::findKey(std::string_view key) const {
  const std::string folded = toLowerAscii(key);
  for (const Entry& entry : entries_) {
    if (entry.keyed && entry.foldedKey == folded) return &entry;
  }
  return nullptr;
}

}  // namespace trv3::discovery
