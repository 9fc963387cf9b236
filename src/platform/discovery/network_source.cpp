#include "platform/discovery/network_source.h"

#include <lxi.h>

#include <algorithm>
#include <iostream>
#include <mutex>
#include <vector>

#include "platform/discovery/idn_probe.h"
#include "platform/runtime/loaded_library.h"

namespace trv3::discovery {
namespace {

// liblxi's callbacks carry no context and its discovery keeps global state, so one discovery
// runs at a time and its callbacks collect into this.
struct Collected {
  std::vector<Finding> devices;  // VXI-11 answers, with their identification
  std::vector<std::string> serviceAddresses;
};
std::mutex lxiMutex;
Collected* collecting = nullptr;

void onBroadcast(const char*, const char*) {}

void onDevice(const char* address, const char* id) {
  if (collecting->devices.size() >= MaxNetworkServices) return;
  collecting->devices.push_back({std::string("TCPIP::") + address + "::INSTR", id,
                                 static_cast<int>(collecting->devices.size())});
}

void onService(const char* address, const char*, const char* service, int port) {
  if (collecting->serviceAddresses.size() >= MaxNetworkServices) return;
  const std::optional<std::string> resource = addressForService(address, service, port);
  if (!resource) return;
  auto& known = collecting->serviceAddresses;
  if (std::find(known.begin(), known.end(), *resource) == known.end()) known.push_back(*resource);
}

int timeoutFor(const SearchLimits& limits, int share) {
  return static_cast<int>(limits.remaining().count() / share);
}

// liblxi and what it brings (mDNS, D-Bus, XML) cost a host more to load than the rest of the
// add-in, and the network search is off unless the user turns it on: the library is loaded at the
// first search. Without it the search finds nothing, and says why once.
struct Lxi {
  decltype(&lxi_init) init = nullptr;
  decltype(&lxi_discover) discover = nullptr;
};

const Lxi& lxi() {
  static const Lxi loaded = [] {
    LoadedLibrary library("liblxi.so.1");
    Lxi functions{library.function<decltype(&lxi_init)>("lxi_init"),
                  library.function<decltype(&lxi_discover)>("lxi_discover")};
    if (!functions.init || !functions.discover)
      std::cerr << "trv3: no network search: " << library.failure() << "\n";
    return functions;
  }();
  return loaded;
}

}  // namespace

std::optional<std::string> addressForService(const std::string& host, const std::string& service,
                                             int port) {
  if (service == "vxi-11" || service == "lxi") return "TCPIP::" + host + "::INSTR";
  if (service == "scpi-raw") return "TCPIP::" + host + "::" + std::to_string(port) + "::SOCKET";
  return std::nullopt;
}

void NetworkSource::discover(const SearchLimits& limits, const ReportFinding& report) {
  Collected found;
  if (lxi().init && lxi().discover) {
    std::lock_guard lock(lxiMutex);
    collecting = &found;
    lxi_info_t info{onBroadcast, onDevice, onService};
    // The two searches share the first half of the time; the probes of the mDNS services get
    // the rest.
    lxi().init();
    if (!limits.expired()) lxi().discover(&info, timeoutFor(limits, 4), DISCOVER_VXI11);
    if (!limits.expired()) lxi().discover(&info, timeoutFor(limits, 3), DISCOVER_MDNS);
    collecting = nullptr;
  }
  for (Finding& device : found.devices) report(std::move(device));

  const int firstRank = static_cast<int>(found.devices.size());
  for (size_t index = 0; index < found.serviceAddresses.size() && !limits.expired(); ++index) {
    const std::string& address = found.serviceAddresses[index];
    if (const std::optional<std::string> reply = probeIdn(address, limits)) {
      report({address, *reply, firstRank + static_cast<int>(index)});
    }
  }
}

}  // namespace trv3::discovery
