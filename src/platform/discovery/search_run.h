// One search: each source runs in a thread of its own until the deadline, and its findings wait in
// an inbox until the owner of the control takes them on its own thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "platform/discovery/discovery_source.h"

namespace trv3::discovery {

class SearchRun {
 public:
  struct Arrival {
    size_t sourceIndex;
    Finding finding;
  };
  struct Batch {
    std::vector<Arrival> arrivals;
    bool sourcesDone;  // every source has returned, so nothing more will arrive
  };

  // `onPending` is called on a source thread whenever findings are waiting or the last source has
  // returned; never after stop() has returned.
  SearchRun(DiscoverySources sources, std::chrono::milliseconds searchTime,
            std::function<void()> onPending);
  // Stops the sources and waits for their threads; their probes are bounded in time.
  ~SearchRun();
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  // Replaces the handler; calls the new one at once when something is already waiting.
  void setOnPending(std::function<void()> onPending);

  Batch take();
  bool sourcesDone();
  bool timeUp() const { return std::chrono::steady_clock::now() >= deadline_; }
  std::chrono::steady_clock::time_point deadline() const { return deadline_; }

  // Returns when findings are waiting, the sources are done, or at `until` or the deadline,
  // whichever comes first.
  void waitForNews(std::chrono::steady_clock::time_point until);

  // Asks the sources to give up and drops whatever they report from now on.
  void stop();

 private:
  void runSource(size_t index);
  void report(size_t index, Finding finding);

  std::chrono::steady_clock::time_point deadline_;
  std::stop_source stopSource_;
  DiscoverySources sources_;
  std::function<void()> onPending_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Arrival> arrivals_;
  size_t runningSources_;
  bool accepting_ = true;

  std::vector<std::thread> threads_;  // last: started once everything above exists
};

}  // namespace trv3::discovery
