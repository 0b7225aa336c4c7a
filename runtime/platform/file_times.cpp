#include "runtime/platform/file_times.h"

#include "include/kvrun32/platform.h"
#include "runtime/core/error_state.h"

namespace kiv::platform {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
constexpr int64_t kSeconds1601To1970 = 11'644'473'600;
constexpr int64_t kDays1601To1970 = 134'774;

// Year, month and day of a day count since 1970-01-01 (proleptic Gregorian calendar).
void civilFromDays(int64_t days, int64_t* year, unsigned* month, unsigned* day) {
  days += 719'468;
  const int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const unsigned doe = unsigned(days - era * 146'097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = int64_t(yoe) + era * 400 + (*month <= 2);
}

}  // namespace

uint64_t fileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  if (seconds < -kSeconds1601To1970) return 0;
  return uint64_t(seconds + kSeconds1601To1970) * uint64_t(kTicksPerSecond) + nanoseconds / 100;
}

}  // namespace kiv::platform

using namespace kiv::platform;

extern "C" {

int32_t FileTimeToLocalFileTime(const KivFileTime* fileTime, KivFileTime* localFileTime) {
  if (!fileTime || !localFileTime || *fileTime >= 0x8000000000000000ull) {
    kiv::core::setPlatformError(87);
    return 0;
  }
  // The offset in effect at that instant (daylight saving time included), not today's.
  time_t seconds = time_t(int64_t(*fileTime / kTicksPerSecond) - kSeconds1601To1970);
  struct tm local {};
  if (!localtime_r(&seconds, &local)) {
    kiv::core::setPlatformError(87);
    return 0;
  }
  int64_t shifted = int64_t(*fileTime) + int64_t(local.tm_gmtoff) * kTicksPerSecond;
  if (shifted < 0) {
    kiv::core::setPlatformError(87);
    return 0;
  }
  *localFileTime = uint64_t(shifted);
  return 1;
}

int32_t FileTimeToSystemTime(const KivFileTime* fileTime, KivSystemTime* systemTime) {
  if (!fileTime || !systemTime || *fileTime >= 0x8000000000000000ull) {
    kiv::core::setPlatformError(87);
    return 0;
  }
  const int64_t ticks = int64_t(*fileTime);
  const int64_t days = ticks / kTicksPerDay;
  const int64_t inDay = ticks % kTicksPerDay;
  int64_t year = 0;
  unsigned month = 0, day = 0;
  civilFromDays(days - kDays1601To1970, &year, &month, &day);
  systemTime->year = uint16_t(year);
  systemTime->month = uint16_t(month);
  systemTime->day = uint16_t(day);
  systemTime->dayOfWeek = uint16_t((days + 1) % 7);  // 1 January 1601 was a Monday
  systemTime->hour = uint16_t(inDay / (3600 * kTicksPerSecond));
  systemTime->minute = uint16_t(inDay / (60 * kTicksPerSecond) % 60);
  systemTime->second = uint16_t(inDay / kTicksPerSecond % 60);
  systemTime->milliseconds = uint16_t(inDay / 10'000 % 1000);
  return 1;
}

}  // extern "C"
