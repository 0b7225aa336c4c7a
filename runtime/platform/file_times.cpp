#include "runtime/platform/file_times.h"

#include <time.h>

#include <unordered_map>

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

// The UTC offset of local time (seconds east) at `seconds`; false when the host cannot tell.
bool hostOffsetAt(time_t seconds, long* offset) {
  struct tm local {};
  if (!localtime_r(&seconds, &local)) return false;
  *offset = local.tm_gmtoff;
  return true;
}

// The UTC offsets of whole days, so that the many file times of a folder walk cost one look-up
// of the host's zone rules per day rather than one per time. A day is kept when its offset is
// the same at every six hours of it (no zone changes its offset twice within six hours); a day
// holding a change is asked of the host second by second. What is kept goes when the zone
// changes (the host reads TZ again on tzset and mktime).
class DayOffsets {
 public:
  bool offsetAt(time_t seconds, long* offset) {
    const Zone zone = currentZone();
    if (!(zone == zone_)) {
      forget();
      zone_ = zone;
    }
    const int64_t day = seconds >= 0 ? seconds / 86'400 : -((-int64_t(seconds) + 86'399) / 86'400);
    if (haveLast_ && day == lastDay_) {
      *offset = lastOffset_;
      return true;
    }
    if (auto it = days_.find(day); it != days_.end()) {
      haveLast_ = true;
      lastDay_ = day;
      *offset = lastOffset_ = it->second;
      return true;
    }
    if (!hostOffsetAt(seconds, offset)) return false;
    const time_t start = time_t(day * 86'400);
    long probe = 0;
    for (time_t at = start; at < start + 86'400; at += 6 * 3'600)
      if (!hostOffsetAt(at, &probe) || probe != *offset) return true;
    if (!hostOffsetAt(start + 86'399, &probe) || probe != *offset) return true;
    if (days_.size() >= kDaysKept) forget();
    days_.emplace(day, *offset);
    return true;
  }

 private:
  static constexpr size_t kDaysKept = 1 << 16;

  struct Zone {
    const char* names[2] = {nullptr, nullptr};
    long west = 0;
    int daylight = 0;
    bool operator==(const Zone& o) const {
      return names[0] == o.names[0] && names[1] == o.names[1] && west == o.west &&
             daylight == o.daylight;
    }
  };
  void forget() {
    days_.clear();
    haveLast_ = false;
  }
  static Zone currentZone() { return Zone{{tzname[0], tzname[1]}, timezone, ::daylight}; }

  Zone zone_;
  std::unordered_map<int64_t, long> days_;
  bool haveLast_ = false;  // the day last found in days_, and its offset
  int64_t lastDay_ = 0;
  long lastOffset_ = 0;
};

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
  thread_local DayOffsets days;
  long offset = 0;
  if (!days.offsetAt(seconds, &offset)) {
    kiv::core::setPlatformError(87);
    return 0;
  }
  int64_t shifted = int64_t(*fileTime) + int64_t(offset) * kTicksPerSecond;
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
