#include "runtime/platform/helper_threads.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kiv::platform {
namespace {

class HelperThreads {
 public:
  HelperThreads() {
    pthread_atfork(nullptr, nullptr, [] { forkedChild.store(true, std::memory_order_relaxed); });
    const unsigned processors = std::thread::hardware_concurrency();
    count_ = processors > 1 ? std::min(processors - 1, 3u) : 0;
    if (const char* n = getenv("KIV_HELPER_THREADS"); n && *n)
      count_ = std::min(strtoul(n, nullptr, 10), 8ul);
    // Detached: the threads wait for work for as long as the process lives, and exit with it.
    for (size_t i = 0; i < count_; ++i) std::thread([this] { serve(); }).detach();
  }

  // A forked child has none of the threads, and its copy of the lock may have been taken at
  // the fork: it never touches either.
  size_t count() const { return forkedChild.load(std::memory_order_relaxed) ? 0 : count_; }

  bool submit(std::function<void()> task) {
    if (count() == 0) return false;
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      pending_.store(tasks_.size(), std::memory_order_release);
      wake = sleeping_ > 0;
    }
    if (wake) ready_.notify_one();
    return true;
  }

 private:
  // A helper that has just finished keeps looking for work for a moment before it sleeps: work
  // tends to come in a steady stream (a folder after a folder), and waking a sleeping thread
  // costs more than the work of a small folder.
  bool workSoon() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
    do {
      for (int i = 0; i < 64; ++i) {
        if (pending_.load(std::memory_order_acquire) > 0) return true;
        pauseBriefly();
      }
    } while (std::chrono::steady_clock::now() < until);
    return false;
  }

  void serve() {
    for (;;) {
      workSoon();
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        ++sleeping_;
        ready_.wait(lock, [this] { return !tasks_.empty(); });
        --sleeping_;
        task = std::move(tasks_.front());
        tasks_.pop_front();
        pending_.store(tasks_.size(), std::memory_order_release);
      }
      task();
    }
  }

  static inline std::atomic<bool> forkedChild{false};  // set in a child process made by fork
  size_t count_ = 0;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  std::atomic<size_t> pending_{0};  // tasks_.size(), for looking without the lock
  size_t sleeping_ = 0;             // helpers waiting on ready_
};

// Never destroyed: detached threads may still be waiting on it while the process ends.
HelperThreads& helpers() {
  static HelperThreads* instance = new HelperThreads;
  return *instance;
}

}  // namespace

size_t helperThreadCount() { return helpers().count(); }

bool runOnHelper(std::function<void()> task) { return helpers().submit(std::move(task)); }

}  // namespace kiv::platform
