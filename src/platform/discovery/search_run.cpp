#include "platform/discovery/search_run.h"

#include <algorithm>

namespace trv3::discovery {

std::chrono::milliseconds SearchLimits::remaining() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

SearchRun::SearchRun(DiscoverySources sources, std::chrono::milliseconds searchTime,
                     std::function<void()> onPending)
    : deadline_(std::chrono::steady_clock::now() + searchTime),
      sources_(std::move(sources)),
      onPending_(std::move(onPending)),
      runningSources_(sources_.size()) {
  threads_.reserve(sources_.size());
  try {
    for (size_t index = 0; index < sources_.size(); ++index) {
      threads_.emplace_back([this, index] { runSource(index); });
    }
  } catch (...) {
    // No thread to be had: the ones already running must not outlive this object.
    stop();
    for (std::thread& thread : threads_) thread.join();
    throw;
  }
}

SearchRun::~SearchRun() {
  stop();
  for (std::thread& thread : threads_) thread.join();
}

void SearchRun::runSource(size_t index) {
  const SearchLimits limits{deadline_, stopSource_.get_token()};
  // A source that fails as a whole (its library missing, no thread or memory left for its probes)
  // simply finds nothing more: whatever escaped this thread would end the host.
  try {
    sources_[index]->discover(limits, [this, index](Finding finding) { report(index, std::move(finding)); });
  } catch (...) {
  }
  std::lock_guard lock(mutex_);
  --runningSources_;
  changed_.notify_all();
  if (accepting_ && runningSources_ == 0 && onPending_) onPending_();
}

void SearchRun::report(size_t index, Finding finding) {
  std::lock_guard lock(mutex_);
  if (!accepting_) return;
  arrivals_.push_back({index, std::move(finding)});
  changed_.notify_all();
  // Under the lock, so that no call begins once stop() has returned.
  if (onPending_) onPending_();
}

void SearchRun::setOnPending(std::function<void()> onPending) {
  std::lock_guard lock(mutex_);
  onPending_ = std::move(onPending);
  if (accepting_ && onPending_ && (!arrivals_.empty() || runningSources_ == 0)) onPending_();
}

SearchRun::Batch SearchRun::take() {
  std::lock_guard lock(mutex_);
  Batch batch{std::move(arrivals_), runningSources_ == 0};
  arrivals_.clear();
  return batch;
}

bool SearchRun::sourcesDone() {
  std::lock_guard lock(mutex_);
  return runningSources_ == 0;
}

void SearchRun::waitForNews(std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(mutex_);
  changed_.wait_until(lock, std::min(until, deadline_),
                      [this] { return !arrivals_.empty() || runningSources_ == 0; });
}

void SearchRun::stop() {
  {
    // Closed before the sources hear of the stop, so nothing they report afterwards gets in.
    std::lock_guard lock(mutex_);
    accepting_ = false;
    arrivals_.clear();
  }
  stopSource_.request_stop();
}

}  // namespace trv3::discovery
