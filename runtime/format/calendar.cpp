// Date and time serials: two-digit years, leap years, validity, serials to and from the
// calendar, normalising DATE, and the components YEAR, MONTH and DAY.
#include "runtime/format/calendar.h"

#include <atomic>

#include "include/kvrun32.h"
#include "runtime/platform/local_clock.h"

namespace kiv::format {
namespace {

constexpr int32_t kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int32_t kFirstYear = 1801;
constexpr int32_t kLastYear = 2099;
constexpr int32_t kLastOf1900 = 36527;  // serial of 31 December 1900

// Month lengths; February is rewritten whenever a year's leap status is determined.
int32_t gMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
std::atomic<int32_t> gCurrentYear{0};

void setLeapStatus(int32_t year) { gMonthLength[1] = isLeapYear(year) ? 29 : 28; }

}  // namespace

int32_t currentYear() {
  int32_t year = gCurrentYear.load();
  if (year == 0) {
    year = kiv::platform::readLocalTime().year;
    gCurrentYear.store(year);
  }
  return year;
}

void forgetCurrentYear() { gCurrentYear.store(0); }

int32_t windowYear(int32_t year, int32_t pivotYear) {
  if (year < 0 || year >= 100) return year;
  int32_t d = pivotYear % 100 - year;
  int32_t result = pivotYear - d;
  if (d <= -20) result -= 100;
  if (d > 80) result += 100;
  return result;
}

int32_t windowYear(int32_t year) {
  return (year >= 0 && year < 100) ? windowYear(year, currentYear()) : year;
}

bool isLeapYear(int32_t year) { return year % 4 == 0 && year != 1900; }

int32_t monthLength(int32_t month, int32_t year) {
  if (month < 1 || month > 12) return 0;
  setLeapStatus(year);
  return gMonthLength[month - 1];
}

int32_t serialOf(int32_t year, int32_t month, int32_t day) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return -1;
  if (day < 1 || day > monthLength(month, year)) return -1;
  int32_t serial = (year - kFirstYear) * 1461 / 4 + kDaysBefore[month - 1] + day + 3;
  if (year > 1900) serial -= 1;
  if (month > 2 && isLeapYear(year)) serial += 1;
  return serial;
}

bool splitSerial(int32_t serial, int32_t& year, int32_t& month, int32_t& day) {
  year = month = day = 0;
  if (serial < KIV_DATE_FIRST || serial > KIV_DATE_LAST) return false;
  int32_t n = serial <= kLastOf1900 ? serial - 4 : serial - 3;
  int32_t y = kFirstYear + 4 * (n / 1461);
  int32_t r = n % 1461;
  int32_t dayOfYear;
  if (r == 1460) {
    y += 3;
    dayOfYear = 365;
  } else {
    y += r / 365;
    dayOfYear = r % 365;
  }
  setLeapStatus(y);
  int32_t m = 0;
  while (m < 11 && dayOfYear >= gMonthLength[m]) dayOfYear -= gMonthLength[m++];
  year = y;
  month = m + 1;
  day = dayOfYear + 1;
  return true;
}

int32_t timeSerialOf(int32_t hours, int32_t minutes, int32_t seconds, int32_t hundredths) {
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 ||
      hundredths < 0 || hundredths > 99)
    return -1;
  if (hours == 0 && minutes == 0 && seconds == 0 && hundredths == 0) return 0;
  return 1 + hours * 360000 + minutes * 6000 + seconds * 100 + hundredths;
}

}  // namespace kiv::format

using namespace kiv::format;

extern "C" {

int32_t Kiv$valdate(int32_t month, int32_t day, int32_t year) {
  return serialOf(windowYear(year), month, day) < 0 ? -1 : 0;
}

int32_t Kiv$valabs(int32_t serial) {
  return (serial >= KIV_DATE_FIRST && serial <= KIV_DATE_LAST) ? 0 : -1;
}

int32_t Kiv$date2abs(const KivDateRec* date) {
  if (!date) return -1;
  return serialOf(windowYear(date->year), date->month, date->day);
}

int32_t Kiv$abs2date(int32_t serial, KivDateRec* date) {
  int32_t year, month, day;
  bool valid = splitSerial(serial, year, month, day);
  if (date) {
    date->year = year;
    date->month = static_cast<uint8_t>(month);
    date->day = static_cast<uint8_t>(day);
  }
  return valid ? 0 : -1;
}

// Normalises months above 12 and days beyond their month into later months and years. The
// month lengths follow the year reached, so a carry into a leap year counts its 29 February.
int32_t Kiv$DATE(int32_t month, int32_t day, int32_t year) {
  year = windowYear(year);
  if (year < kFirstYear || year > kLastYear || month < 1 || day < 1) return -1;
  while (month > 12) {
    month -= 12;
    if (++year > kLastYear) return -1;
  }
  while (day > monthLength(month, year)) {
    day -= monthLength(month, year);
    if (++month > 12) {
      month = 1;
      if (++year > kLastYear) return -1;
    }
  }
  return serialOf(year, month, day);
}

int32_t Kiv$YEAR(int32_t serial) {
  int32_t year, month, day;
  splitSerial(serial, year, month, day);
  return year;
}

int32_t Kiv$MONTH(int32_t serial) {
  int32_t year, month, day;
  splitSerial(serial, year, month, day);
  return month;
}

int32_t Kiv$DAY(int32_t serial) {
  int32_t year, month, day;
  splitSerial(serial, year, month, day);
  return day;
}

int32_t Kiv$time2abs(const KivClockRec* clock) {
  if (!clock) return -1;
  return timeSerialOf(clock->hours, clock->minutes, clock->seconds, clock->hundredths);
}

int32_t Kiv$abs2time(int32_t serial, KivClockRec* clock) {
  bool valid = serial >= 1 && serial <= KIV_TIME_LAST;
  int32_t n = valid ? serial - 1 : 0;
  if (clock) {
    clock->hours = static_cast<uint8_t>(n / 360000);
    clock->minutes = static_cast<uint8_t>(n / 6000 % 60);
    clock->seconds = static_cast<uint8_t>(n / 100 % 60);
    clock->hundredths = static_cast<uint8_t>(n % 100);
  }
  return valid ? 0 : -1;
}

}  // extern "C"
