// The packed DATE and TIME storage forms and their conversions to and from serials.
#include "include/kvrun32.h"
#include "runtime/format/calendar.h"

using namespace kiv::format;

extern "C" {

uint32_t Kiv$storebtdate(int32_t serial) {
  int32_t year, month, day;
  if (!splitSerial(serial, year, month, day)) return 0;
  return static_cast<uint32_t>(day) | static_cast<uint32_t>(month) << 8 |
         static_cast<uint32_t>(year) << 16;
}

int32_t Kiv$loadbtdate(uint32_t value) {
  int32_t day = static_cast<int32_t>(value & 0xFF);
  int32_t month = static_cast<int32_t>(value >> 8 & 0xFF);
  int32_t year = static_cast<int32_t>(value >> 16);
  if (year > 2099) {
    day = 31;
    month = 12;
    year = 2099;
  }
  int32_t serial = Kiv$DATE(month, day, year);
  return serial < 0 ? 0 : serial;
}

uint32_t Kiv$storebttime(int32_t serial) {
  KivClockRec clock;
  if (Kiv$abs2time(serial, &clock) != 0) return 0;
  return static_cast<uint32_t>(clock.hundredths) | static_cast<uint32_t>(clock.seconds) << 8 |
         static_cast<uint32_t>(clock.minutes) << 16 | static_cast<uint32_t>(clock.hours) << 24;
}

int32_t Kiv$loadbttime(uint32_t value) {
  int32_t serial = timeSerialOf(static_cast<int32_t>(value >> 24), value >> 16 & 0xFF,
                                value >> 8 & 0xFF, value & 0xFF);
  return serial < 0 ? 0 : serial;
}

}  // extern "C"
