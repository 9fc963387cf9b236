// Status numbers of the I/O library's failures: the field's usual completion codes, carried as the
// negative 32-bit numbers of the run-time errors that the library raises.
#pragma once

#include <cstdint>
#include <string>

namespace trv3::io {

namespace status {
constexpr int32_t ResourceNotFound = static_cast<int32_t>(0xBFFF0011u);
constexpr int32_t InvalidResourceName = static_cast<int32_t>(0xBFFF0012u);
constexpr int32_t Timeout = static_cast<int32_t>(0xBFFF0015u);
constexpr int32_t OutOfResources = static_cast<int32_t>(0xBFFF003Cu);
constexpr int32_t IoFailure = static_cast<int32_t>(0xBFFF003Eu);
constexpr int32_t UnsupportedFormat = static_cast<int32_t>(0xBFFF0041u);
constexpr int32_t InterfaceNotAvailable = static_cast<int32_t>(0xBFFF00A5u);
constexpr int32_t ConnectionLost = static_cast<int32_t>(0xBFFF00A6u);
}  // namespace status

// The source that the library's run-time errors carry.
inline constexpr const char* kErrorSource = "VelmoraIOUtilsLib";

// Raises the library's run-time error; the address is appended in parentheses so that the user
// sees which instrument failed.
[[noreturn]] void raiseIoError(int32_t status, std::string description, const std::string& address);

}  // namespace trv3::io
