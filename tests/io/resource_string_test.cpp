#include "platform/io/resource_string.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/io/io_status.h"
#include "support/runtime_error_matchers.h"

namespace trv3::io {
namespace {

using trv3::testing::errorNumberOf;

TEST(ResourceString, RawSocketFormWithAndWithoutBoard) {
  for (const char* text : {"TCPIP::127.0.0.1::5025::SOCKET", "tcpip0::127.0.0.1::5025::socket",
                           "TcpIp::127.0.0.1::5025::Socket"}) {
    const ParsedResource parsed = parseResourceString(text);
    EXPECT_EQ(parsed.kind, InterfaceKind::RawSocket) << text;
    EXPECT_EQ(parsed.host, "127.0.0.1") << text;
    EXPECT_EQ(parsed.port, 5025) << text;
    EXPECT_EQ(parsed.board, 0u) << text;
  }
  const ParsedResource boarded = parseResourceString("TCPIP3::scope.lab::65535::SOCKET");
  EXPECT_EQ(boarded.board, 3u);
  EXPECT_EQ(boarded.host, "scope.lab");
  EXPECT_EQ(boarded.port, 65535);
}

TEST(ResourceString, Vxi11FormDefaultsTheDeviceName) {
  for (const char* text : {"TCPIP::10.0.0.5::INSTR", "TCPIP0::10.0.0.5::instr", "TCPIP::10.0.0.5"}) {
    const ParsedResource parsed = parseResourceString(text);
    EXPECT_EQ(parsed.kind, InterfaceKind::Vxi11) << text;
    EXPECT_EQ(parsed.host, "10.0.0.5") << text;
    EXPECT_EQ(parsed.deviceName, "inst0") << text;
  }
  const ParsedResource named = parseResourceString("TCPIP1::10.0.0.5::gpib0,7::INSTR");
  EXPECT_EQ(named.board, 1u);
  EXPECT_EQ(named.deviceName, "gpib0,7");
  // Without the class keyword a second field is the device name, as the grammar has it.
  EXPECT_EQ(parseResourceString("TCPIP::10.0.0.5::inst1").deviceName, "inst1");
}

TEST(ResourceString, BracketedHostKeepsAnIpv6Literal) {
  const ParsedResource socket = parseResourceString("TCPIP::[fe80::1]::5025::SOCKET");
  EXPECT_EQ(socket.host, "fe80::1");
  EXPECT_EQ(socket.port, 5025);
  const ParsedResource instr = parseResourceString("TCPIP::[::1]::INSTR");
  EXPECT_EQ(instr.host, "::1");
  EXPECT_EQ(instr.deviceName, "inst0");
}

TEST(ResourceString, UsbFormReadsIdsInHexOrDecimalAndKeepsTheSerialAsWritten) {
  struct Case {
    const char* text;
    uint32_t board;
    uint16_t vendor;
    uint16_t product;
    const char* serial;
    std::optional<uint8_t> interfaceNumber;
  };
  const Case cases[] = {
      {"USB0::0x0957::0x1796::MY12345678::INSTR", 0, 0x0957, 0x1796, "MY12345678", std::nullopt},
      {"usb::2391::6038::MY12345678", 0, 0x0957, 0x1796, "MY12345678", std::nullopt},
      {"USB1::0X1ab1::0x04Ce::ds1za1234::3::instr", 1, 0x1AB1, 0x04CE, "ds1za1234", 3},
      {"Usb::0x1AB1::0x04CE::DS1ZA1234::0", 0, 0x1AB1, 0x04CE, "DS1ZA1234", 0},
      {"USB::0xFFFF::0::sn-42::0xff::INSTR", 0, 0xFFFF, 0, "sn-42", 255},
      {"USB12::65535::0x0::INSTR0::255::INSTR", 12, 0xFFFF, 0, "INSTR0", 255},
  };
  for (const Case& c : cases) {
    const ParsedResource parsed = parseResourceString(c.text);
    EXPECT_EQ(parsed.kind, InterfaceKind::Usb) << c.text;
    EXPECT_EQ(parsed.board, c.board) << c.text;
    EXPECT_EQ(parsed.usb.vendorId, c.vendor) << c.text;
    EXPECT_EQ(parsed.usb.productId, c.product) << c.text;
    EXPECT_EQ(parsed.usb.serialNumber, c.serial) << c.text;
    EXPECT_EQ(parsed.usb.interfaceNumber, c.interfaceNumber) << c.text;
  }
}

TEST(ResourceString, GpibFormIsRecognised) {
  EXPECT_EQ(parseResourceString("GPIB::7").kind, InterfaceKind::Gpib);
  EXPECT_EQ(parseResourceString("GPIB0::7::INSTR").kind, InterfaceKind::Gpib);
  EXPECT_EQ(parseResourceString("gpib2::30::0::instr").kind, InterfaceKind::Gpib);
}

TEST(ResourceString, EverythingOutsideTheGrammarIsInvalid) {
  const char* invalid[] = {
      "",
      "TCPIP",
      "TCPIP::",
      "::5025::SOCKET",
      "TCPIP::127.0.0.1::SOCKET",           // port missing
      "TCPIP::127.0.0.1::0::SOCKET",        // port 0
      "TCPIP::127.0.0.1::65536::SOCKET",    // port beyond 16 bits
      "TCPIP::127.0.0.1::50x5::SOCKET",
      "TCPIP::127.0.0.1::-1::SOCKET",
      "TCPIP::127.0.0.1::5025::SOCKET::x",
      "TCPIP::::5025::SOCKET",              // empty host
      "TCPIP::127.0.0.1::::INSTR",          // empty device name
      "TCPIP::127.0.0.1::inst0::extra::INSTR",
      "TCPIPx::127.0.0.1::INSTR",
      "TCPIP-1::127.0.0.1::INSTR",
      "TCPIP::127.0.0.1::5025::INSTR::SOCKET",
      "TCPIP::[fe80::1::5025::SOCKET",      // bracket never closed
      "TCPIP::[]::5025::SOCKET",
      "TCPIP::a]b::5025::SOCKET",
      "TCP::127.0.0.1::5025::SOCKET",
      "ASRL1::INSTR",
      "VXI0::1::INSTR",
      "GPIB::31",                           // primary address beyond 30
      "GPIB::7::31::INSTR",
      "GPIB::x::INSTR",
      "GPIB::7::8::9::INSTR",
      "USB::0x1AB1::0x04CE::INSTR",         // serial missing
      "USB::0x1AB1::0x04CE",
      "USB::0x1AB1::0x04CE::S::0::1::INSTR",
      "USB::0x1AB1::0x04CE::::INSTR",       // empty serial
      "USB::::0x04CE::S::INSTR",
      "USB::0x10000::0x04CE::S::INSTR",     // vendor beyond 16 bits
      "USB::0x1AB1::65536::S::INSTR",       // product beyond 16 bits
      "USB::1AB1::0x04CE::S::INSTR",        // hex without its prefix
      "USB::0x::0x04CE::S::INSTR",
      "USB::0xG1::0x04CE::S::INSTR",
      "USB::0x-1::0x04CE::S::INSTR",
      "USB::-1::0x04CE::S::INSTR",
      "USB::+1::0x04CE::S::INSTR",
      "USB:: 1::0x04CE::S::INSTR",
      "USB::0x0x1::0x04CE::S::INSTR",
      "USB::0x1AB1::0x04CE::S::256::INSTR", // interface beyond 8 bits
      "USB::0x1AB1::0x04CE::S::x::INSTR",
      "USB::0x1AB1::0x04CE::S::SOCKET",
      "USBx::0x1AB1::0x04CE::S::INSTR",
      " TCPIP::127.0.0.1::5025::SOCKET",
      "127.0.0.1:5025",
  };
  for (const char* text : invalid) {
    EXPECT_EQ(errorNumberOf([&] { parseResourceString(text); }), status::InvalidResourceName)
        << '"' << text << '"';
  }
}

TEST(ResourceString, InvalidTextIsNamedInTheDescription) {
  try {
    parseResourceString("SCOPE42");
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.description(), "invalid resource string (SCOPE42)");
    EXPECT_EQ(error.source(), kErrorSource);
  }
}

}  // namespace
}  // namespace trv3::io
