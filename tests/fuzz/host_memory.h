// The memory a fuzzed host builds for one call. Each block is allocated at exactly the size asked,
// so that a read past it is caught, and its bytes are copied once the call's arguments are built:
// afterwards the target tells whether the add-in changed any of them. The host frees every block
// itself, whatever the add-in did with it.
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

namespace trv3::fuzz {

class HostMemory {
 public:
  HostMemory() = default;
  HostMemory(const HostMemory&) = delete;
  HostMemory& operator=(const HostMemory&) = delete;
  ~HostMemory() {
    for (const Block& block : blocks_) std::free(block.start);
  }

  // Zero-filled; nullptr for no bytes.
  void* allocate(size_t bytes) {
    if (bytes == 0) return nullptr;
    void* start = std::calloc(1, bytes);
    if (start == nullptr) std::abort();
    blocks_.push_back({start, bytes, {}});
    return start;
  }

  template <class T>
  T* allocate(size_t count = 1) {
    return static_cast<T*>(allocate(count * sizeof(T)));
  }

  // Remembers every block as it stands.
  void seal() {
    for (Block& block : blocks_) {
      const auto* bytes = static_cast<const unsigned char*>(block.start);
      block.sealed.assign(bytes, bytes + block.size);
    }
  }

  bool unchangedSinceSealed() const {
    for (const Block& block : blocks_)
      if (std::memcmp(block.start, block.sealed.data(), block.size) != 0) return false;
    return true;
  }

 private:
  struct Block {
    void* start;
    size_t size;
    std::vector<unsigned char> sealed;
  };
  std::vector<Block> blocks_;
};

}  // namespace trv3::fuzz
