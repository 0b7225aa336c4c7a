// File times to local time and to calendar fields.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>

#include "include/kvrun32.h"
#include "runtime/platform/file_times.h"

namespace {

constexpr uint64_t kTicks = 10'000'000;
constexpr uint64_t kUnixEpoch = 116'444'736'000'000'000ull;  // 1970-01-01 00:00 as a file time

// Sets the local time zone for one test.
class LocalZone {
 public:
  explicit LocalZone(const char* tz) {
    const char* old = getenv("TZ");
    if (old) old_ = old, hadOld_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~LocalZone() {
    if (hadOld_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool hadOld_ = false;
};

std::string fields(const KivSystemTime& t) {
  char s[64];
  snprintf(s, sizeof s, "%04u-%02u-%02u %02u:%02u:%02u.%03u dow%u", t.year, t.month, t.day, t.hour,
           t.minute, t.second, t.milliseconds, t.dayOfWeek);
  return s;
}

TEST(FileTimes, HostTimesBecomeFileTimes) {
  EXPECT_EQ(kiv::platform::fileTimeFromUnix(0, 0), kUnixEpoch);
  EXPECT_EQ(kiv::platform::fileTimeFromUnix(1, 999'999'999), kUnixEpoch + kTicks + 9'999'999);
  EXPECT_EQ(kiv::platform::fileTimeFromUnix(-11'644'473'600, 0), 0u);
  EXPECT_EQ(kiv::platform::fileTimeFromUnix(-11'644'473'601, 0), 0u);  // before 1601: unknown
}

TEST(FileTimes, CalendarFields) {
  struct Row {
    uint64_t fileTime;
    const char* expected;
  } rows[] = {
      {0, "1601-01-01 00:00:00.000 dow1"},
      {kUnixEpoch, "1970-01-01 00:00:00.000 dow4"},
      {kUnixEpoch + 951'782'401 * kTicks + 234 * 10'000 + 9'999, "2000-02-29 00:00:01.234 dow2"},
      {kUnixEpoch + 4'102'444'799 * kTicks + 9'999'999, "2099-12-31 23:59:59.999 dow4"},
      {kUnixEpoch + 1'700'000'000 * kTicks, "2023-11-14 22:13:20.000 dow2"},
      {0x7FFFFFFFFFFFFFFFull, "30828-09-14 02:48:05.477 dow4"},
  };
  for (const Row& r : rows) {
    KivSystemTime t{};
    ASSERT_EQ(FileTimeToSystemTime(&r.fileTime, &t), 1);
    EXPECT_EQ(fields(t), r.expected) << r.fileTime;
  }
}

TEST(FileTimes, OutOfRangeTimesFail) {
  KivSystemTime t{};
  uint64_t tooLate = 0x8000000000000000ull;
  SetLastError(0);
  EXPECT_EQ(FileTimeToSystemTime(&tooLate, &t), 0);
  EXPECT_EQ(GetLastError(), 87u);
  uint64_t local = 0;
  EXPECT_EQ(FileTimeToLocalFileTime(&tooLate, &local), 0);
  EXPECT_EQ(FileTimeToSystemTime(nullptr, &t), 0);
}

TEST(FileTimes, LocalTimeUsesTheOffsetOfThatInstant) {
  LocalZone zone("EST5EDT,M3.2.0,M11.1.0");
  struct Row {
    uint64_t utcSeconds;  // since 1970
    const char* local;
  } rows[] = {
      {1'705'320'000, "2024-01-15 07:00:00.000 dow1"},  // 12:00 UTC in winter: UTC-5
      {1'720'958'400, "2024-07-14 08:00:00.000 dow0"},  // 12:00 UTC in summer: UTC-4
      {1'710'054'000, "2024-03-10 03:00:00.000 dow0"},  // the first second of daylight time
      {1'710'053'999, "2024-03-10 01:59:59.000 dow0"},  // the last second before it
  };
  for (const Row& r : rows) {
    uint64_t utc = kUnixEpoch + r.utcSeconds * kTicks, local = 0;
    ASSERT_EQ(FileTimeToLocalFileTime(&utc, &local), 1);
    KivSystemTime t{};
    ASSERT_EQ(FileTimeToSystemTime(&local, &t), 1);
    EXPECT_EQ(fields(t), r.local) << r.utcSeconds;
  }
}

// Many times, in order and out of it, over two years in zones with and without daylight time:
// each converts with the offset the host gives for that very second, also when the zone changes
// between two conversions of the same day.
TEST(FileTimes, LocalTimeAgreesWithTheHostSecondBySecond) {
  const char* zones[] = {"EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3", "JST-9",
                         "NZST-12NZDT,M9.5.0,M4.1.0/3", "EST5EDT,M3.2.0,M11.1.0"};
  uint64_t state = 12345;
  auto next = [&state] { return state = state * 6364136223846793005ull + 1442695040888963407ull; };
  for (const char* tz : zones) {
    LocalZone zone(tz);
    const int64_t from = 1'704'067'200;  // 2024-01-01 UTC
    int mismatches = 0;
    for (int i = 0; i < 20'000; ++i) {
      // Half the times walk forward in 37-minute steps across every transition, half jump.
      int64_t seconds = i % 2 ? from + int64_t(i / 2) * 37 * 60 + int64_t(next() >> 58)
                              : from + int64_t(next() >> 20) % (2 * 365 * 86'400);
      uint64_t utc = kUnixEpoch + uint64_t(seconds) * kTicks, local = 0;
      ASSERT_EQ(FileTimeToLocalFileTime(&utc, &local), 1);
      time_t t = time_t(seconds);
      struct tm host {};
      ASSERT_TRUE(localtime_r(&t, &host));
      if (int64_t(local - utc) / int64_t(kTicks) != host.tm_gmtoff && ++mismatches <= 5)
        ADD_FAILURE() << tz << " at " << seconds;
    }
    EXPECT_EQ(mismatches, 0) << tz;
  }
  // The seconds around a change, each asked after its day was seen.
  LocalZone zone("EST5EDT,M3.2.0,M11.1.0");
  for (int64_t seconds = 1'710'053'990; seconds < 1'710'054'010; ++seconds) {
    uint64_t utc = kUnixEpoch + uint64_t(seconds) * kTicks, local = 0;
    ASSERT_EQ(FileTimeToLocalFileTime(&utc, &local), 1);
    EXPECT_EQ(int64_t(local - utc) / int64_t(kTicks),
              seconds < 1'710'054'000 ? -5 * 3600 : -4 * 3600)
        << seconds;
  }
}

TEST(FileTimes, ADaySeenInOneZoneIsLookedUpAnewInTheNext) {
  const uint64_t winter = kUnixEpoch + 1'705'320'000ull * kTicks;
  const uint64_t summer = kUnixEpoch + 1'720'958'400ull * kTicks;
  uint64_t local = 0;
  {
    LocalZone east("JST-9");
    ASSERT_EQ(FileTimeToLocalFileTime(&winter, &local), 1);
    ASSERT_EQ(FileTimeToLocalFileTime(&winter, &local), 1);
    EXPECT_EQ(local, winter + 9 * 3600 * kTicks);
  }
  LocalZone west("PST8");
  ASSERT_EQ(FileTimeToLocalFileTime(&summer, &local), 1);
  ASSERT_EQ(FileTimeToLocalFileTime(&winter, &local), 1);
  EXPECT_EQ(local, winter - 8 * 3600 * kTicks);
}

TEST(FileTimes, LocalTimeEastOfGreenwichAndAtTheStartOfTime) {
  LocalZone zone("JST-9");
  uint64_t utc = kUnixEpoch, local = 0;
  ASSERT_EQ(FileTimeToLocalFileTime(&utc, &local), 1);
  EXPECT_EQ(local, kUnixEpoch + 9 * 3600 * kTicks);
  LocalZone west("PST8");
  uint64_t first = 0;
  EXPECT_EQ(FileTimeToLocalFileTime(&first, &local), 0);  // would fall before 1601
}

}  // namespace
