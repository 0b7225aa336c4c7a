// A fake platform clock for tests: fixed local time, optional refusal to be set.
#pragma once

#include "runtime/format/calendar.h"
#include "runtime/platform/local_clock.h"
#include "runtime/core/error_state.h"

namespace kiv::test {

class FakeClock {
 public:
  explicit FakeClock(kiv::platform::LocalTime now) : now_(now) {
    old_ = kiv::platform::setClockSource({[this] { return now_; },
                                          [this](const kiv::platform::LocalTime& t) {
                                            if (refuse_) {
                                              kiv::core::setPlatformError(
                                                  kiv::platform::kErrorAccessDenied);
                                              return false;
                                            }
                                            now_ = t;
                                            return true;
                                          }});
    kiv::format::forgetCurrentYear();
  }
  ~FakeClock() {
    kiv::platform::setClockSource(old_);
    kiv::format::forgetCurrentYear();
  }
  kiv::platform::LocalTime& now() { return now_; }
  void refuse(bool refuse) { refuse_ = refuse; }

 private:
  kiv::platform::LocalTime now_;
  bool refuse_ = false;
  kiv::platform::ClockSource old_;
};

}  // namespace kiv::test
