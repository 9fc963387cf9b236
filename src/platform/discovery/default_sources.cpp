#include "platform/discovery/configured_address_source.h"
#include "platform/discovery/discovery_config.h"
#include "platform/discovery/discovery_source.h"
#include "platform/discovery/network_source.h"
#include "platform/discovery/usbtmc_source.h"

#include <utility>

namespace trv3::discovery {
namespace {

thread_local SourceFactory sourceOverride;

}  // namespace

DiscoverySources defaultSources() {
  const DiscoveryConfig config = loadDiscoveryConfig();
  DiscoverySources sources;
  sources.push_back(std::make_unique<ConfiguredAddressSource>(withoutUsbAddresses(config.addresses)));
  sources.push_back(std::make_unique<UsbtmcSource>());
  if (config.networkSearch) sources.push_back(std::make_unique<NetworkSource>());
  return sources;
}

ScopedDiscoverySources::ScopedDiscoverySources(SourceFactory factory)
    : previous_(std::exchange(sourceOverride, std::move(factory))) {}

ScopedDiscoverySources::~ScopedDiscoverySources() { sourceOverride = std::move(previous_); }

DiscoverySources currentSources() { return sourceOverride ? sourceOverride() : defaultSources(); }

}  // namespace trv3::discovery
