/* Date and time serials, calendar values and their storage forms. */
#ifndef KVRUN32_DATETIME_H
#define KVRUN32_DATETIME_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Date serial: 4 = 1 January 1801 .. 109211 = 31 December 2099, 0 = no date, -1 = invalid.
   Time serial: 1 + hundredths of a second since midnight (1 .. 8640000), 0 = no time. */
enum { KIV_DATE_FIRST = 4, KIV_DATE_LAST = 109211, KIV_TIME_LAST = 8640000 };

/* Calendar date record passed between the conversions. */
typedef struct KivDateRec {
  int32_t year;
  uint8_t day;
  uint8_t month;
} KivDateRec;

/* Clock record. */
typedef struct KivClockRec {
  uint8_t hours;
  uint8_t minutes;
  uint8_t seconds;
  uint8_t hundredths;
} KivClockRec;

/* Calendar arithmetic. */
int32_t Kiv$DATE(int32_t month, int32_t day, int32_t year);
int32_t Kiv$date2abs(const KivDateRec* date);
int32_t Kiv$abs2date(int32_t serial, KivDateRec* date);
int32_t Kiv$valdate(int32_t month, int32_t day, int32_t year);
int32_t Kiv$valabs(int32_t serial);
int32_t Kiv$YEAR(int32_t serial);
int32_t Kiv$MONTH(int32_t serial);
int32_t Kiv$DAY(int32_t serial);

/* Time of day. */
int32_t Kiv$time2abs(const KivClockRec* clock);
int32_t Kiv$abs2time(int32_t serial, KivClockRec* clock);

/* The platform's local date and time. The setters clear the error state and report a
   failure of the platform (such as missing privileges) through it. */
int32_t Kiv$TODAY(void);
void Kiv$SETTODAY(int32_t serial);
int32_t Kiv$CLOCK(void);
void Kiv$SETCLOCK(int32_t serial);

/* AGE: "45 DAYS", "18 MOS", "37 YRS", or 255 asterisks; base -1 means today. */
void Kiv$AGE(KivHeapStr* result, int32_t birth, int32_t base);
void Kiv$StackAGE(int32_t birth, int32_t base);

/* DATE storage (day, month, 16-bit year, little-endian) and TIME storage
   (hundredths, seconds, minutes, hours) from and to serials. The 4 bytes are the value's
   bytes in memory order (byte 0 is the least significant). */
uint32_t Kiv$storebtdate(int32_t serial);
int32_t Kiv$loadbtdate(uint32_t value);
uint32_t Kiv$storebttime(int32_t serial);
int32_t Kiv$loadbttime(uint32_t value);

KIV_EXTERN_C_END

#endif
