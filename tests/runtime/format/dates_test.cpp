// Date and time serials against an independent calendar, the storage forms, AGE and the clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <fstream>

#include "include/kvrun32.h"
#include "tests/runtime/format/clock_fake.h"

namespace {

using namespace std::chrono;
using kiv::test::FakeClock;

// The serial of a calendar day by the standard library's civil calendar: day 0 is
// 28 December 1800.
int32_t independentSerial(year_month_day ymd) {
  return static_cast<int32_t>((sys_days(ymd) - sys_days(year(1800) / December / 28)).count());
}

kiv::platform::LocalTime at(int y, int mo, int d, int h = 12, int mi = 0, int s = 0, int ms = 0) {
  return {y, mo, d, h, mi, s, ms};
}

TEST(DateSerials, AgreeWithCivilCalendarEveryDay) {
  const sys_days first = sys_days(year(1801) / January / 1);
  const sys_days last = sys_days(year(2099) / December / 31);
  int checked = 0;
  for (sys_days day = first; day <= last; day += days(1)) {
    year_month_day ymd(day);
    int32_t expected = independentSerial(ymd);
    KivDateRec rec{int32_t(ymd.year()), uint8_t(unsigned(ymd.day())),
                   uint8_t(unsigned(ymd.month()))};
    ASSERT_EQ(Kiv$date2abs(&rec), expected) << int(ymd.year()) << "-" << unsigned(ymd.month());
    KivDateRec back{};
    ASSERT_EQ(Kiv$abs2date(expected, &back), 0);
    ASSERT_EQ(back.year, int32_t(ymd.year()));
    ASSERT_EQ(back.month, unsigned(ymd.month()));
    ASSERT_EQ(back.day, unsigned(ymd.day()));
    ASSERT_EQ(Kiv$valdate(back.month, back.day, back.year), 0);
    ASSERT_EQ(Kiv$DATE(back.month, back.day, back.year), expected);
    ASSERT_EQ(Kiv$loadbtdate(Kiv$storebtdate(expected)), expected);
    ++checked;
  }
  EXPECT_EQ(checked, 109211 - 4 + 1);
}

TEST(DateSerials, Landmarks) {
  struct Row {
    int y, m, d;
    int32_t serial;
  } rows[] = {{1801, 1, 1, 4}, {1900, 12, 31, 36527}, {1901, 1, 1, 36528}, {2099, 12, 31, 109211}};
  for (const Row& r : rows) {
    KivDateRec rec{r.y, uint8_t(r.d), uint8_t(r.m)};
    EXPECT_EQ(Kiv$date2abs(&rec), r.serial);
  }
  KivDateRec rec{1, 1, 1};
  EXPECT_EQ(Kiv$abs2date(3, &rec), -1);
  EXPECT_EQ(rec.year, 0);
  EXPECT_EQ(rec.month, 0);
  EXPECT_EQ(Kiv$abs2date(109212, &rec), -1);
  EXPECT_EQ(Kiv$YEAR(0), 0);
  EXPECT_EQ(Kiv$MONTH(-5), 0);
  EXPECT_EQ(Kiv$DAY(109212), 0);
  EXPECT_EQ(Kiv$valabs(3), -1);
  EXPECT_EQ(Kiv$valabs(4), 0);
  EXPECT_EQ(Kiv$valabs(109211), 0);
  EXPECT_EQ(Kiv$valabs(109212), -1);
}

TEST(DateSerials, Validity) {
  EXPECT_EQ(Kiv$valdate(2, 29, 1900), -1);
  EXPECT_EQ(Kiv$valdate(2, 29, 2000), 0);
  EXPECT_EQ(Kiv$valdate(2, 29, 1804), 0);
  EXPECT_EQ(Kiv$valdate(2, 29, 1803), -1);
  EXPECT_EQ(Kiv$valdate(13, 1, 1999), -1);
  EXPECT_EQ(Kiv$valdate(0, 1, 1999), -1);
  EXPECT_EQ(Kiv$valdate(4, 31, 1999), -1);
  EXPECT_EQ(Kiv$valdate(1, 1, 1800), -1);
  EXPECT_EQ(Kiv$valdate(1, 1, 2100), -1);
  KivDateRec rec{1900, 29, 2};
  EXPECT_EQ(Kiv$date2abs(&rec), -1);
}

TEST(DateSerials, TwoDigitYearsFollowTheWindow) {
  FakeClock clock(at(1997, 6, 1));
  struct Row {
    int two;
    int full;
  } rows[] = {{17, 1917}, {16, 2016}, {5, 2005}, {97, 1997}, {18, 1918}, {0, 2000}, {99, 1999}};
  for (const Row& r : rows) {
    EXPECT_EQ(Kiv$YEAR(Kiv$DATE(1, 1, r.two)), r.full) << r.two;
    KivDateRec rec{r.two, 1, 1};
    EXPECT_EQ(Kiv$YEAR(Kiv$date2abs(&rec)), r.full) << r.two;
  }
  EXPECT_EQ(kiv::format::windowYear(45, 2026), 2045);
  EXPECT_EQ(kiv::format::windowYear(46, 2026), 1946);
}

TEST(DateSerials, DateNormalises) {
  auto serial = [](int y, int m, int d) {
    KivDateRec r{y, uint8_t(d), uint8_t(m)};
    return Kiv$date2abs(&r);
  };
  EXPECT_EQ(Kiv$DATE(13, 1, 1995), serial(1996, 1, 1));
  EXPECT_EQ(Kiv$DATE(1, 32, 1995), serial(1995, 2, 1));
  EXPECT_EQ(Kiv$DATE(2, 30, 1996), serial(1996, 3, 1));
  EXPECT_EQ(Kiv$DATE(12, 62, 1995), serial(1996, 1, 31));
  EXPECT_EQ(Kiv$DATE(25, 1, 1995), serial(1997, 1, 1));
  EXPECT_EQ(Kiv$DATE(1, 0, 1995), -1);
  EXPECT_EQ(Kiv$DATE(1, 1, 2100), -1);
  EXPECT_EQ(Kiv$DATE(13, 1, 2099), -1);
  EXPECT_EQ(Kiv$DATE(12, 32, 2099), -1);
}

TEST(TimeSerials, EverySecondOfTheDay) {
  for (int32_t s = 0; s < 86400; ++s) {
    for (int hs : {0, 1, 57, 99}) {
      KivClockRec rec{uint8_t(s / 3600), uint8_t(s / 60 % 60), uint8_t(s % 60), uint8_t(hs)};
      int32_t expected = (s == 0 && hs == 0) ? 0 : 1 + s * 100 + hs;
      ASSERT_EQ(Kiv$time2abs(&rec), expected);
      if (expected == 0) continue;
      KivClockRec back{};
      ASSERT_EQ(Kiv$abs2time(expected, &back), 0);
      ASSERT_EQ(back.hours, rec.hours);
      ASSERT_EQ(back.minutes, rec.minutes);
      ASSERT_EQ(back.seconds, rec.seconds);
      ASSERT_EQ(back.hundredths, rec.hundredths);
      ASSERT_EQ(Kiv$loadbttime(Kiv$storebttime(expected)), expected);
    }
  }
}

TEST(TimeSerials, Edges) {
  KivClockRec r{0, 0, 0, 0};
  EXPECT_EQ(Kiv$time2abs(&r), 0);
  r = {0, 0, 0, 1};
  EXPECT_EQ(Kiv$time2abs(&r), 2);
  r = {23, 59, 59, 99};
  EXPECT_EQ(Kiv$time2abs(&r), 8640000);
  r = {24, 0, 0, 0};
  EXPECT_EQ(Kiv$time2abs(&r), -1);
  r = {1, 60, 0, 0};
  EXPECT_EQ(Kiv$time2abs(&r), -1);
  r = {1, 0, 60, 0};
  EXPECT_EQ(Kiv$time2abs(&r), -1);
  r = {1, 0, 0, 100};
  EXPECT_EQ(Kiv$time2abs(&r), -1);
  KivClockRec out{1, 2, 3, 4};
  EXPECT_EQ(Kiv$abs2time(0, &out), -1);
  EXPECT_EQ(out.hours + out.minutes + out.seconds + out.hundredths, 0);
  EXPECT_EQ(Kiv$abs2time(8640001, &out), -1);
  EXPECT_EQ(Kiv$abs2time(1, &out), 0);
}

TEST(Storage, PackedLayouts) {
  KivDateRec d{1997, 13, 4};
  int32_t serial = Kiv$date2abs(&d);
  uint32_t packed = Kiv$storebtdate(serial);
  EXPECT_EQ(packed & 0xFF, 13u);
  EXPECT_EQ(packed >> 8 & 0xFF, 4u);
  EXPECT_EQ(packed >> 16, 1997u);
  EXPECT_EQ(Kiv$storebtdate(0), 0u);
  EXPECT_EQ(Kiv$storebtdate(109212), 0u);
  EXPECT_EQ(Kiv$loadbtdate(0), 0);
  EXPECT_EQ(Kiv$loadbtdate(0xFFFFFFFFu), 109211);  // clamped to 31 December 2099
  EXPECT_EQ(Kiv$loadbtdate(32 | 1 << 8 | 1995u << 16), Kiv$DATE(2, 1, 1995));  // day overflows
  uint32_t t = Kiv$storebttime(1 + 13 * 360000 + 5 * 6000 + 7 * 100 + 9);
  EXPECT_EQ(t, 9u | 7u << 8 | 5u << 16 | 13u << 24);
  EXPECT_EQ(Kiv$storebttime(0), 0u);
  EXPECT_EQ(Kiv$storebttime(8640001), 0u);
  EXPECT_EQ(Kiv$loadbttime(0), 0);
  EXPECT_EQ(Kiv$loadbttime(0xFFFFFFFFu), 0);
}

std::string age(int32_t birth, int32_t base) {
  KivHeapStr s{};
  Kiv$AGE(&s, birth, base);
  std::string text(s.addr, s.len);
  Kiv$freestr(&s);
  return text;
}

TEST(Age, DaysMonthsYears) {
  int32_t base = Kiv$DATE(2, 14, 1996);
  EXPECT_EQ(age(base - 30, base), "30 DAYS");
  EXPECT_EQ(age(base - 60, base), "60 DAYS");
  EXPECT_EQ(age(base, base), "0 DAYS");
  EXPECT_EQ(age(Kiv$DATE(1, 10, 1995), base), "13 MOS");
  EXPECT_EQ(age(Kiv$DATE(1, 15, 1995), base), "12 MOS");
  EXPECT_EQ(age(Kiv$DATE(2, 14, 1994), base), "24 MOS");
  EXPECT_EQ(age(Kiv$DATE(2, 15, 1986), base), "9 YRS");
  EXPECT_EQ(age(Kiv$DATE(2, 14, 1986), base), "10 YRS");
  EXPECT_EQ(age(base, Kiv$DATE(2, 14, 1900)), "4 YRS");  // born 1896
  EXPECT_EQ(age(base, Kiv$DATE(2, 14, 1850)), std::string(255, '*'));
  EXPECT_EQ(age(Kiv$DATE(3, 1, 1850), Kiv$DATE(1, 1, 1850)), std::string(255, '*'));
  EXPECT_EQ(age(0, base), std::string(255, '*'));
}

TEST(Age, BirthAfterBaseMovesBackACentury) {
  // A birth recorded with the wrong century (2050) before a base in 1996 counts from 1950.
  EXPECT_EQ(age(Kiv$DATE(2, 14, 2050), Kiv$DATE(2, 14, 1996)), "46 YRS");
}

TEST(Age, BaseMinusOneIsTodayAndStackFormPushes) {
  FakeClock clock(at(1996, 2, 14));
  EXPECT_EQ(age(Kiv$DATE(1, 10, 1995), -1), "13 MOS");
  int depth = Kiv$StackDepth();
  Kiv$StackAGE(Kiv$DATE(1, 10, 1995), -1);
  ASSERT_EQ(Kiv$StackDepth(), depth + 1);
  char out[6];
  Kiv$PopString(out, 6);
  EXPECT_EQ(std::string(out, 6), "13 MOS");
}

TEST(Clock, TodayAndClockReadThePlatform) {
  FakeClock clock(at(2001, 3, 4, 13, 5, 7, 459));
  KivDateRec d{2001, 4, 3};
  EXPECT_EQ(Kiv$TODAY(), Kiv$date2abs(&d));
  EXPECT_EQ(Kiv$CLOCK(), 1 + 13 * 360000 + 5 * 6000 + 7 * 100 + 45);
}

TEST(Clock, SettingKeepsTheOtherHalf) {
  FakeClock clock(at(2001, 3, 4, 13, 5, 7, 450));
  Kiv$SETTODAY(Kiv$DATE(12, 25, 1999));
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(clock.now().year, 1999);
  EXPECT_EQ(clock.now().month, 12);
  EXPECT_EQ(clock.now().day, 25);
  EXPECT_EQ(clock.now().hour, 13);
  Kiv$SETCLOCK(1 + 8 * 360000 + 30 * 6000 + 15 * 100 + 20);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(clock.now().hour, 8);
  EXPECT_EQ(clock.now().minute, 30);
  EXPECT_EQ(clock.now().second, 15);
  EXPECT_EQ(clock.now().millisecond, 200);
  EXPECT_EQ(clock.now().day, 25);
}

TEST(Clock, RefusalAndBadSerialsAreReported) {
  FakeClock clock(at(2001, 3, 4));
  clock.refuse(true);
  Kiv$SETTODAY(Kiv$DATE(1, 1, 2000));
  EXPECT_EQ(Kiv$ERRCODE, 305);
  EXPECT_EQ(clock.now().year, 2001);
  clock.refuse(false);
  Kiv$SETCLOCK(0);
  EXPECT_EQ(Kiv$ERRCODE, 387);
  Kiv$SETTODAY(3);
  EXPECT_EQ(Kiv$ERRCODE, 387);
  Kiv$SETTODAY(Kiv$DATE(1, 1, 2000));
  EXPECT_EQ(Kiv$ERRCODE, 0);
}

// Whether the process holds the capability to set the system clock (CAP_SYS_TIME, bit 25).
bool maySetSystemClock() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("CapEff:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> 25) & 1;
  return true;
}

TEST(Clock, HostClockCannotBeSetWithoutPrivilegeAndSaysSo) {
  if (maySetSystemClock()) GTEST_SKIP() << "this process may set the system clock";
  Kiv$SETCLOCK(Kiv$CLOCK());
  EXPECT_NE(Kiv$ERRCODE, 0);
}

}  // namespace
