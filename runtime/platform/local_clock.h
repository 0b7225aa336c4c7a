// The one seam through which the runtime reads and sets the platform's local date and time.
// Tests install a fake source; the host source reads the system clock and the local time zone.
#pragma once

#include <cstdint>
#include <functional>

namespace kiv::platform {

// A local date and time, as the platform keeps it (milliseconds resolution).
struct LocalTime {
  int32_t year = 0;
  int32_t month = 0;  // 1..12
  int32_t day = 0;    // 1..31
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
  int32_t millisecond = 0;
};

struct ClockSource {
  std::function<LocalTime()> read;
  // Sets the local date and time; on failure records the platform error (setPlatformError)
  // and gives false.
  std::function<bool(const LocalTime&)> write;
};

LocalTime readLocalTime();
bool writeLocalTime(const LocalTime& time);

// Replaces the source (an empty one restores the host clock); gives the old one.
ClockSource setClockSource(ClockSource source);

// Platform error numbers the clock seam reports.
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidParameter = 87;

}  // namespace kiv::platform
