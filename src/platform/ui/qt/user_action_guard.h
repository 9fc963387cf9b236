// Where a widget hands the user's action to the model. The model's handlers may raise run-time
// errors (or worse); none of them may unwind through Qt's event loop, so the guard keeps the error,
// ends the modal display, and the display raises it again where it began.
#pragma once

#include <functional>

namespace trv3::ui::qt {

class UserActionGuard {
 public:
  virtual ~UserActionGuard() = default;
  virtual void run(const std::function<void()>& action) = 0;
};

}  // namespace trv3::ui::qt
