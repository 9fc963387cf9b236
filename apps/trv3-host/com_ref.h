// Holds one reference to a component interface and releases it when it goes out of scope, so that
// no path through the host forgets a Release. The interface is used through its vtable as in C.
#pragma once

#include <utility>

namespace trv3::host {

template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(Interface* adopted) : pointer_(adopted) {}
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComRef() { reset(); }

  Interface* get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For calls that hand out a new reference through a void** out-parameter.
  void** receive() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }

  void reset() {
    if (Interface* held = std::exchange(pointer_, nullptr)) held->lpVtbl->Release(held);
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace trv3::host
