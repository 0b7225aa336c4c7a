// Calendar arithmetic behind the date and time serials, for the other format pieces.
#pragma once

#include <cstdint>

#include "include/kvrun32/datetime.h"

namespace kiv::format {

// The year of the platform's local date, read once per process and kept.
int32_t currentYear();
// Forgets the kept year so the next use reads the clock again (tests change the clock).
void forgetCurrentYear();

// Maps a year below 100 into the 100-year window around `pivotYear` (y0 - 80 .. y0 + 19).
int32_t windowYear(int32_t year, int32_t pivotYear);
// The same around the current year.
int32_t windowYear(int32_t year);

bool isLeapYear(int32_t year);
int32_t monthLength(int32_t month, int32_t year);

// Serial of a validated calendar date (year already windowed), or -1.
int32_t serialOf(int32_t year, int32_t month, int32_t day);
// Splits a serial; false (and zeros) when it is outside 4..109211.
bool splitSerial(int32_t serial, int32_t& year, int32_t& month, int32_t& day);

// Time serial of hours, minutes, seconds and hundredths: 0 for all zero, -1 when out of range.
int32_t timeSerialOf(int32_t hours, int32_t minutes, int32_t seconds, int32_t hundredths);

}  // namespace kiv::format
