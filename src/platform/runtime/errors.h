// Run-time errors as the add-in's procedures raise and handle them: a number, a description and a
// source, carried as a C++ exception and turned into HRESULT plus error info only at the COM boundary.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace trv3 {

// Numbers of the run-time's own errors that the add-in's procedures can meet.
namespace rt {
constexpr int32_t InvalidProcedureCall = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t SubscriptOutOfRange = 9;
constexpr int32_t DivisionByZero = 11;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t FloatingPoint = 16;
constexpr int32_t FileNotFound = 53;
constexpr int32_t ObjectRequired = 424;
constexpr int32_t InvalidPropertyValue = 380;

// Errors the add-in raises itself: the object-error base plus a small number.
constexpr int32_t ObjectErrorBase = static_cast<int32_t>(0x80040000u);
constexpr int32_t LanguageNotFound = static_cast<int32_t>(0x80040200u);      // "openlang"
constexpr int32_t WrongLanguageComponent = static_cast<int32_t>(0x80040202u);  // told already
}  // namespace rt

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int32_t number, std::string description, std::string source = {})
      : std::runtime_error(description), number_(number), description_(std::move(description)),
        source_(std::move(source)) {}

  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

// The run-time's standard description for one of its own numbers ("Overflow", "Type mismatch", ...).
std::string standardDescription(int32_t number);

// Raises a run-time error; with no description the run-time's standard one is used.
[[noreturn]] void raise(int32_t number, std::string description = {}, std::string source = {});

// The three error styles of the add-in's procedures, so that each procedure shows its style at a glance.
//
//   propagate            nothing to write: a RuntimeError simply passes to the caller.
//   resumeNext(stmt)     skip the failing statement and go on with the next one.
//   leaveQuietly(body)   leave the procedure quietly at the first error.
//
// Both helpers catch only RuntimeError: a logic fault in our own code (std::logic_error, bad_alloc)
// is not an instrument or user problem and must not be swallowed.

// Runs one statement; a RuntimeError skips it. Returns whether it completed.
template <class Statement>
bool resumeNext(Statement&& statement) {
  try {
    std::forward<Statement>(statement)();
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

// Runs a procedure body; the first RuntimeError ends it quietly. Returns whether it completed.
template <class Body>
bool leaveQuietly(Body&& body) {
  return resumeNext(std::forward<Body>(body));
}

}  // namespace trv3
