// One way of finding instruments (configured addresses, the LAN, USB). A source runs on a search
// worker thread, reports every instrument it finds with its address and "*IDN?" reply, and returns
// by the deadline or soon after a stop is requested. Every probe it makes is bounded in count and
// time.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace trv3::discovery {

struct Finding {
  std::string resourceAddress;
  std::string idnReply;
  // Position within its source, so that the list shows e.g. configured addresses in their order
  // whatever order the answers arrive in.
  int rank = 0;
};

struct SearchLimits {
  std::chrono::steady_clock::time_point deadline;
  std::stop_token stop;

  bool expired() const {
    return stop.stop_requested() || std::chrono::steady_clock::now() >= deadline;
  }
  std::chrono::milliseconds remaining() const;
};

// May be called from several probe threads of the same source at once.
using ReportFinding = std::function<void(Finding)>;

class DiscoverySource {
 public:
  virtual ~DiscoverySource() = default;
  virtual void discover(const SearchLimits& limits, const ReportFinding& report) = 0;
};

using DiscoverySources = std::vector<std::unique_ptr<DiscoverySource>>;

// Builds the sources of one search. Called on the thread that starts the search.
using SourceFactory = std::function<DiscoverySources()>;

// The sources the user's settings ask for (see discovery_config.h).
DiscoverySources defaultSources();

// Tests and demos may stand in for the real sources: while the guard lives, searches started on
// this thread use the factory instead of defaultSources().
class ScopedDiscoverySources {
 public:
  explicit ScopedDiscoverySources(SourceFactory factory);
  ~ScopedDiscoverySources();
  ScopedDiscoverySources(const ScopedDiscoverySources&) = delete;
  ScopedDiscoverySources& operator=(const ScopedDiscoverySources&) = delete;

 private:
  SourceFactory previous_;
};

// The factory in force on this thread.
DiscoverySources currentSources();

}  // namespace trv3::discovery
