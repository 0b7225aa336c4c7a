#include "runtime/platform/local_clock.h"

#include <cerrno>
#include <ctime>
#include <mutex>

#include "runtime/core/error_state.h"
#include "runtime/platform/host_errors.h"

namespace kiv::platform {
namespace {

std::mutex gSourceMutex;
ClockSource gSource;

LocalTime hostRead() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm parts{};
  localtime_r(&now.tv_sec, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.millisecond = static_cast<int32_t>(now.tv_nsec / 1000000);
  return t;
}

bool hostWrite(const LocalTime& t) {
  std::tm parts{};
  parts.tm_year = t.year - 1900;
  parts.tm_mon = t.month - 1;
  parts.tm_mday = t.day;
  parts.tm_hour = t.hour;
  parts.tm_min = t.minute;
  parts.tm_sec = t.second;
  parts.tm_isdst = -1;
  time_t seconds = mktime(&parts);
  if (seconds == static_cast<time_t>(-1)) {
    kiv::core::setPlatformError(kErrorInvalidParameter);
    return false;
  }
  timespec value{seconds, static_cast<long>(t.millisecond) * 1000000L};
  if (clock_settime(CLOCK_REALTIME, &value) != 0) {
    recordHostError(errno);
    return false;
  }
  return true;
}

ClockSource current() {
  std::lock_guard lock(gSourceMutex);
  return gSource;
}

}  // namespace

LocalTime readLocalTime() {
  ClockSource source = current();
  return source.read ? source.read() : hostRead();
}

bool writeLocalTime(const LocalTime& time) {
  ClockSource source = current();
  return source.write ? source.write(time) : hostWrite(time);
}

ClockSource setClockSource(ClockSource source) {
  std::lock_guard lock(gSourceMutex);
  ClockSource old = std::move(gSource);
  gSource = std::move(source);
  return old;
}

}  // namespace kiv::platform
