// Helpers of the window-layer tests: run a program on runtime thread 1 while the test's
// thread serves the GUI, drive it from a driver thread, and run event loops.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"

namespace uitest {

inline constexpr const char* kModule = "UITEST.kvw$uitest";

// Runs `program` as thread 1 and, if given, `driver` on a thread of its own at the same time.
inline void run(const std::function<void()>& program, const std::function<void()>& driver = {}) {
  kiv::ui::runProgram([&] {
    std::thread d;
    if (driver) d = std::thread(driver);
    program();
    if (d.joinable()) {
      Kiv$UNLOCKTHREAD();
      d.join();
      Kiv$LOCKTHREAD();
    }
  });
}

// Runs an event loop on the thread's current window; `handle` gets each event and gives the
// action. Events of focus changes between threads are not passed on.
inline void loop(const std::function<int32_t(int32_t event, int32_t field)>& handle) {
  Kiv$StartEventLoop();
  for (;;) {
    int32_t event = Kiv$EVENT();
    int32_t action = event == 518 ? 0 : handle(event, Kiv$FIELD());
    if (Kiv$EndEventLoop(action)) break;
  }
}

// A thread-safe record of what happened, in order.
class Log {
 public:
  void add(const std::string& s) {
    std::lock_guard g(m_);
    items_.push_back(s);
  }
  std::vector<std::string> items() {
    std::lock_guard g(m_);
    return items_;
  }

 private:
  std::mutex m_;
  std::vector<std::string> items_;
};

inline std::string ev(int32_t event, int32_t field = 0) {
  return std::to_string(event) + (field ? ":" + std::to_string(field) : "");
}

}  // namespace uitest
