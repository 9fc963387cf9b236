// The instrument resource strings that Open accepts, case-insensitive, each with an optional board
// number after the interface name:
//   TCPIP[n]::host::port::SOCKET              raw SCPI over TCP
//   TCPIP[n]::host[::lan-device-name][::INSTR] VXI-11 (device name "inst0" when omitted)
//   USB[n]::manufacturer-id::model-code::serial-number[::interface][::INSTR]
//                                              Linux usbtmc device; ids in hex ("0x0957") or decimal
//   GPIB[n]::primary[::secondary][::INSTR]
// A host may be written in brackets ("[fe80::1]") so that an IPv6 literal survives the "::" split.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trv3::io {

enum class InterfaceKind { RawSocket, Vxi11, Usb, Gpib };

// A USB instrument as its address names it.
struct UsbInstrumentId {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string serialNumber;
  // The USB interface when the address gives one; otherwise any interface of the device serves.
  std::optional<uint8_t> interfaceNumber;
};

struct ParsedResource {
  InterfaceKind kind = InterfaceKind::RawSocket;
  uint32_t board = 0;
  std::string host;        // TCPIP forms
  uint16_t port = 0;       // SOCKET form
  std::string deviceName;  // VXI-11 form
  UsbInstrumentId usb;     // USB form
};

// Raises InvalidResourceName ("invalid resource string") for any text outside the grammar.
ParsedResource parseResourceString(std::string_view text);

}  // namespace trv3::io
