// Model -> view notifications: a list of listeners that a view connects to and disconnects from.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace trv3::ui {

template <class... Args>
class Signal {
 public:
  using Listener = std::function<void(Args...)>;

  int connect(Listener listener) {
    listeners_.emplace_back(++lastId_, std::move(listener));
    return lastId_;
  }

  void disconnect(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
  }

  // A listener may connect or disconnect others while it runs; this emission reaches the listeners
  // that were connected when it began.
  void emit(Args... args) const {
    const auto current = listeners_;
    for (const auto& entry : current) entry.second(args...);
  }

 private:
  std::vector<std::pair<int, Listener>> listeners_;
  int lastId_ = 0;
};

}  // namespace trv3::ui
