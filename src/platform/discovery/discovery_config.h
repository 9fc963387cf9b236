// Where the discovery control looks for instruments. The user's choices live in the per-user
// settings of the application "Velmora\Quorvalis\Arb Application":
//
//   section "Discovery", key "Addresses"      instrument addresses to probe with "*IDN?",
//                                              separated by ";", for example
//                                              "TCPIP::192.168.1.20::INSTR;TCPIP::scope7::5025::SOCKET"
//   section "TRV3 series", key "Addr"          the address used last; probed as well
//   section "Discovery", key "NetworkSearch"  "1" (or "True") also searches the local networks by
//                                              VXI-11 broadcast and mDNS; off unless set
//
// USB instruments behind the Linux usbtmc driver are always looked for; that makes no traffic
// beyond the machine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trv3::discovery {

// Probes are bounded in count: configured addresses beyond this many are ignored.
constexpr size_t MaxConfiguredAddresses = 16;

struct DiscoveryConfig {
  std::vector<std::string> addresses;  // configured ones first, the remembered one last
  bool networkSearch = false;
};

// Splits the ";" list, trims blanks, drops empty and repeated entries (letter case ignored, as
// addresses are), keeps the first MaxConfiguredAddresses, and appends the remembered address
// unless it is already listed.
std::vector<std::string> addressesToProbe(std::string_view configured, std::string_view remembered);

// The addresses without those of USB devices, in any spelling. The USB source asks every attached
// device itself: probing one again under a configured address would put two queries on its node
// at once, and list it twice.
std::vector<std::string> withoutUsbAddresses(std::vector<std::string> addresses);

// Reads the user's settings.
DiscoveryConfig loadDiscoveryConfig();

}  // namespace trv3::discovery
