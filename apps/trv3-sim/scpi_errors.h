// SCPI error numbers and the error queue read by ":SYSTem:ERRor?".
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace trv3::sim {

// Thrown by parsing and by command handlers; the session queues it and carries on.
struct ScpiError {
  int code;
  const char* text;
};

inline constexpr ScpiError kSyntaxError{-102, "Syntax error"};
inline constexpr ScpiError kDataTypeError{-104, "Data type error"};
inline constexpr ScpiError kParameterNotAllowed{-108, "Parameter not allowed"};
inline constexpr ScpiError kMissingParameter{-109, "Missing parameter"};
inline constexpr ScpiError kUndefinedHeader{-113, "Undefined header"};
inline constexpr ScpiError kSuffixOutOfRange{-114, "Header suffix out of range"};
inline constexpr ScpiError kDataOutOfRange{-222, "Data out of range"};
inline constexpr ScpiError kTooMuchData{-223, "Too much data"};
inline constexpr ScpiError kIllegalParameterValue{-224, "Illegal parameter value"};
inline constexpr ScpiError kQueueOverflow{-350, "Queue overflow"};
inline constexpr ScpiError kQueryInterrupted{-410, "Query INTERRUPTED"};
inline constexpr ScpiError kQueryDeadlocked{-430, "Query DEADLOCKED"};

// First in, first out, bounded like an instrument's: when full, the newest entry becomes
// "Queue overflow" so a misbehaving client cannot grow it without end.
class ErrorQueue {
 public:
  static constexpr std::size_t kCapacity = 30;

  void push(const ScpiError& error);
  // The oldest entry as the instrument answers it, e.g. -113,"Undefined header"; +0,"No error"
  // when empty.
  std::string pop();
  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }

 private:
  std::deque<ScpiError> entries_;
};

}  // namespace trv3::sim
