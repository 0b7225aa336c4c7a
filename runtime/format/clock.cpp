// TODAY, CLOCK and the setting of the platform's local date and time.
#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/format/calendar.h"
#include "runtime/platform/local_clock.h"

using namespace kiv::format;
using kiv::platform::LocalTime;

namespace {

// Writes the local time, reporting the platform's failure through the error state.
void writeOrReport(const LocalTime& time) {
  if (!kiv::platform::writeLocalTime(time)) Kiv$seterror(0);
}

void reportInvalid() {
  kiv::core::setPlatformError(kiv::platform::kErrorInvalidParameter);
  Kiv$seterror(0);
}

}  // namespace

extern "C" {

int32_t Kiv$TODAY(void) {
  LocalTime now = kiv::platform::readLocalTime();
  return serialOf(now.year, now.month, now.day);
}

int32_t Kiv$CLOCK(void) {
  LocalTime now = kiv::platform::readLocalTime();
  return 1 + now.hour * 360000 + now.minute * 6000 + now.second * 100 + now.millisecond / 10;
}

void Kiv$SETTODAY(int32_t serial) {
  Kiv$clearerror();
  int32_t year, month, day;
  if (!splitSerial(serial, year, month, day)) return reportInvalid();
  LocalTime time = kiv::platform::readLocalTime();
  time.year = year;
  time.month = month;
  time.day = day;
  writeOrReport(time);
  forgetCurrentYear();
}

void Kiv$SETCLOCK(int32_t serial) {
  Kiv$clearerror();
  KivClockRec clock;
  if (Kiv$abs2time(serial, &clock) != 0) return reportInvalid();
  LocalTime time = kiv::platform::readLocalTime();
  time.hour = clock.hours;
  time.minute = clock.minutes;
  time.second = clock.seconds;
  time.millisecond = clock.hundredths * 10;
  writeOrReport(time);
}

}  // extern "C"
