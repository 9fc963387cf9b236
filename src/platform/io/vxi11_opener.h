// VXI-11 rides on ONC RPC, whose library brings Kerberos with it and costs a host more to load than
// the rest of the add-in. So the VXI-11 transport is a module of its own, vlmWFRM_TRV3_vxi11.so
// beside the library (or program) that holds this code, loaded at the first VXI-11 address.
// Programs that link the transport themselves (trv3_vxi11_in_process) set it as the opener instead.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/io/byte_transport.h"

namespace trv3::io {

constexpr uint16_t kPortmapperPort = 111;

inline constexpr const char* Vxi11ModuleFileName = "vlmWFRM_TRV3_vxi11.so";
inline constexpr const char* Vxi11ModuleEntryName = "trv3OpenVxi11Transport";

// Finds the core channel through the host's portmapper, connects and creates the link; the caller
// owns the transport. Failures are run-time errors with the I/O library's numbers.
using Vxi11Opener = ByteTransport* (*)(const std::string& host, const std::string& deviceName,
                                       uint16_t portmapperPort, const Deadline& deadline,
                                       const std::string& address);

// The module's opener; raises InterfaceNotAvailable, naming the address, when the module or its
// entry point cannot be loaded.
Vxi11Opener loadVxi11Module(const std::filesystem::path& file, const std::string& address);

// Makes VXI-11 transports come from this opener rather than from the module.
void setVxi11Opener(Vxi11Opener opener);

// A transport from the opener that was set, else from the module, loaded on first use.
std::unique_ptr<ByteTransport> openVxi11Transport(const std::string& host,
                                                  const std::string& deviceName,
                                                  uint16_t portmapperPort, const Deadline& deadline,
                                                  const std::string& address);

}  // namespace trv3::io
