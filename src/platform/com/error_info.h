// Error info: the description and source of a failed call, kept per thread as the component model
// does, handed to automation callers in EXCEPINFO and to vtable callers as an IErrorInfo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/com/abi.h"
#include "platform/runtime/errors.h"

namespace trv3::com {

struct ErrorRecord {
  HRESULT scode = E_FAIL;
  std::string description;
  std::string source;
};

// A run-time error number as a status: numbers that are already failure statuses (the object
// errors 0x8004xxxx) stay as they are; the run-time's own numbers n become 0x800A0000 + n.
HRESULT hresultFromErrorNumber(int32_t number);
// The inverse: the number a caller's run-time shows for a failure status.
int32_t errorNumberFromHresult(HRESULT status);

// Makes the error this thread's error info and returns its status.
HRESULT reportError(const RuntimeError& error);
void setErrorInfo(const ErrorRecord& record);
void clearErrorInfo();
// Hands over this thread's error info and clears it.
std::optional<ErrorRecord> takeErrorInfo();

// Fills an EXCEPINFO (its BSTRs are the caller's to free).
void fillExcepInfo(EXCEPINFO& info, const ErrorRecord& record);
// The record carried by an EXCEPINFO, whose BSTRs are freed.
ErrorRecord takeExcepInfo(EXCEPINFO& info);

// A new IErrorInfo (one reference) describing the record.
IErrorInfo* createErrorInfo(const ErrorRecord& record);
// Asks an object for the calling thread's error info of its module after a failed vtable call;
// without any, the record holds only the status.
ErrorRecord errorInfoOf(IUnknown* object, HRESULT failure);

// The run-time error that a failed call stands for.
RuntimeError toRuntimeError(const ErrorRecord& record);

}  // namespace trv3::com
