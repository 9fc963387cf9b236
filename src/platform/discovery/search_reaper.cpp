#include "platform/discovery/search_reaper.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace trv3::discovery {
namespace {

class Reaper {
 public:
  ~Reaper() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    queued_.notify_all();
    // At the end of the process the last probes are waited for, so that none outlives the
    // libraries it uses.
    if (thread_.joinable()) thread_.join();
  }

  void take(std::unique_ptr<SearchRun> run) {
    std::lock_guard lock(mutex_);
    runs_.push_back(std::move(run));
    if (!thread_.joinable()) thread_ = std::thread([this] { finishAll(); });
    queued_.notify_all();
  }

 private:
  void finishAll() {
    std::unique_lock lock(mutex_);
    for (;;) {
      queued_.wait(lock, [this] { return closing_ || !runs_.empty(); });
      if (runs_.empty()) return;
      std::unique_ptr<SearchRun> run = std::move(runs_.front());
      runs_.pop_front();
      lock.unlock();
      run.reset();  // waits for the run's source threads
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::unique_ptr<SearchRun>> runs_;
  bool closing_ = false;
  std::thread thread_;
};

}  // namespace

void finishInBackground(std::unique_ptr<SearchRun> run) {
  static Reaper reaper;
  reaper.take(std::move(run));
}

}  // namespace trv3::discovery
