#include "platform/discovery/discovery_config.h"

#include "platform/io/resource_string.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/errors.h"
#include "platform/settings/settings_store.h"

namespace trv3::discovery {
namespace {

constexpr const char* AppName = "Velmora\\Quorvalis\\Arb Application";

void addUnique(std::vector<std::string>& addresses, std::string_view address, size_t limit) {
  address = trimBlanks(address);
  if (address.empty() || addresses.size() >= limit) return;
  const std::string folded = toLowerAscii(address);
  for (const std::string& known : addresses) {
    if (toLowerAscii(known) == folded) return;
  }
  addresses.emplace_back(address);
}

bool settingIsTrue(std::string_view text) {
  bool value = false;
  // Anything that is not a Boolean text leaves the search off.
  resumeNext([&] { value = textToBool(text); });
  return value;
}

}  // namespace

std::vector<std::string> addressesToProbe(std::string_view configured, std::string_view remembered) {
  std::vector<std::string> addresses;
  size_t start = 0;
  for (;;) {
    const size_t separator = configured.find(';', start);
    addUnique(addresses, configured.substr(start, separator - start), MaxConfiguredAddresses);
    if (separator == std::string_view::npos) break;
    start = separator + 1;
  }
  // The instrument the user last chose is probed whatever else is configured.
  addUnique(addresses, remembered, MaxConfiguredAddresses + 1);
  return addresses;
}

std::vector<std::string> withoutUsbAddresses(std::vector<std::string> addresses) {
  std::erase_if(addresses, [](const std::string& address) {
    bool usb = false;
    leaveQuietly([&] { usb = io::parseResourceString(address).kind == io::InterfaceKind::Usb; });
    return usb;
  });
  return addresses;
}

DiscoveryConfig loadDiscoveryConfig() {
  DiscoveryConfig config;
  config.addresses = addressesToProbe(settings::GetSetting(AppName, "Discovery", "Addresses", ""),
                                      settings::GetSetting(AppName, "TRV3 series", "Addr", ""));
  config.networkSearch = settingIsTrue(settings::GetSetting(AppName, "Discovery", "NetworkSearch", "0"));
  return config;
}

}  // namespace trv3::discovery
