#include "platform/runtime/errors.h"

namespace trv3 {

std::string standardDescription(int32_t number) {
  switch (number) {
    case rt::InvalidProcedureCall: return "Invalid procedure call or argument";
    case rt::Overflow: return "Overflow";
    case rt::SubscriptOutOfRange: return "Subscript out of range";
    case rt::DivisionByZero: return "Division by zero";
    case rt::TypeMismatch: return "Type mismatch";
    case rt::FloatingPoint: return "Invalid floating-point operation";
    case rt::FileNotFound: return "File not found";
    case rt::ObjectRequired: return "Object required";
    case rt::InvalidPropertyValue: return "Invalid property value";
    default: return "Application-defined or object-defined error";
  }
}

void raise(int32_t number, std::string description, std::string source) {
  if (description.empty()) description = standardDescription(number);
  throw RuntimeError(number, std::move(description), std::move(source));
}

}  // namespace trv3
