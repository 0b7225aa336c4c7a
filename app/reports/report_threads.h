// Starting a report procedure on a thread of its own with the record it reports on: the record
// is kept for the new thread by its number until the thread takes it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "include/kvrun32.h"

inline constexpr int32_t kReportStack = 25000;

template <typename Record>
class RecordHandoff {
 public:
  // Starts `procedure` on a new thread that will find `record` with take().
  int32_t start(void (*procedure)(), const Record& record) {
    std::lock_guard lock(mutex_);
    // The new thread runs only once this thread gives up the runtime lock.
    int32_t thread = Kiv$START(procedure, kReportStack);
    if (thread) records_[thread] = record;
    return thread;
  }
  // The record kept for the running thread.
  Record take() {
    std::lock_guard lock(mutex_);
    Record record{};
    auto it = records_.find(Kiv$THREAD());
    if (it != records_.end()) {
      record = it->second;
      records_.erase(it);
    }
    return record;
  }

 private:
  std::mutex mutex_;
  std::map<int32_t, Record> records_;
};
