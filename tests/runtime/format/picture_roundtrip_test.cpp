// Format then deformat gives the value back, for every picture kind over random values.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "include/kvrun32.h"
#include "runtime/format/locale_settings.h"
#include "tests/runtime/format/clock_fake.h"
#include "tests/runtime/format/picture_calls.h"

namespace {

using kivtest::deformat;
using kivtest::formatLong;
using kivtest::formatReal;
using kivtest::formatText;

bool usesTwoDigitYear(int format) {
  return format == 1 || format == 5 || format == 7 || format == 9 || format == 11 || format == 13 ||
         format == 15 || format == 17;
}

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { kiv::format::resetLocaleTables(); }
  kiv::test::FakeClock clock_{{2026, 6, 1, 12, 0, 0, 0}};
  std::mt19937 rng_{1997};
};

TEST_F(RoundTrip, Numbers) {
  // Each picture holds ten digits.
  const char* longPictures[] = {"@n13",   "@n-14", "@n(15)",        "@n$-15",       "@n013",
                                "@n*13",  "@n_12", "@n-14`",        "@n~kr~-16",    "@N-14.0",
                                "@n-14B", "@n14-", "@P##########P", "@K##########K"};
  for (const char* pict : longPictures) {
    bool signless = std::string(pict).find_first_of("-(") == std::string::npos;
    for (int i = 0; i < 2000; ++i) {
      int32_t v = int32_t(rng_()) / (1 << (rng_() % 31));
      if (signless) v = std::abs(v);
      std::string shown = formatLong(v, pict);
      Kiv$PushCString(deformat(shown, pict).c_str());
      ASSERT_EQ(Kiv$PopLong(), v) << pict << " [" << shown << "]";
    }
  }
  const char* realPictures[] = {"@n-20.4", "@n$-20`3", "@n-(18v2)", "@N-22.6~ EUR~"};
  for (const char* pict : realPictures) {
    std::string p = pict;
    int places = p.find('4') != std::string::npos   ? 4
                 : p.find('3') != std::string::npos ? 3
                 : p.find('6') != std::string::npos ? 6
                                                    : 2;
    if (p == "@n-(18v2)") p = "@n(18v2)";
    for (int i = 0; i < 2000; ++i) {
      double scale = std::pow(10.0, places);
      double v = std::round((double(int32_t(rng_())) * (rng_() % 1000) / 1000.0)) / scale;
      std::string shown = formatReal(v, p);
      double back = std::strtod(deformat(shown, p).c_str(), nullptr);
      ASSERT_NEAR(back, v, 0.5 / scale) << p << " [" << shown << "]";
    }
  }
}

TEST_F(RoundTrip, Scientific) {
  for (int i = 0; i < 5000; ++i) {
    double v = std::ldexp(double(int32_t(rng_())), int(rng_() % 120) - 60);
    std::string shown = formatReal(v, "@E16.8");
    double back = std::strtod(deformat(shown, "@E16.8").c_str(), nullptr);
    ASSERT_NEAR(back, v, std::fabs(v) * 1e-8) << shown;
  }
}

TEST_F(RoundTrip, DatesEveryFormat) {
  // Two-digit years come back inside the default window of the pivot (1946-2045 in 2026).
  for (int format = 1; format <= 18; ++format) {
    for (const char* suffix : {"", "-", "<60", "B"}) {
      std::string pict = "@D" + std::to_string(format) + suffix;
      bool twoDigits = usesTwoDigitYear(format);
      for (int i = 0; i < 800; ++i) {
        int32_t serial = twoDigits ? Kiv$DATE(1, 1, 1946) + int32_t(rng_() % 36524)
                                   : 4 + int32_t(rng_() % 109208);
        if (std::string(suffix) == "<60") serial = Kiv$DATE(1, 1, 1966) + int32_t(rng_() % 36524);
        std::string shown = formatLong(serial, pict);
        int32_t expected = serial;
        if (format >= 13 && format <= 16)
          expected = Kiv$DATE(Kiv$MONTH(serial), 1, Kiv$YEAR(serial));
        ASSERT_EQ(deformat(shown, pict), std::to_string(expected)) << pict << " [" << shown << "]";
      }
    }
  }
}

TEST_F(RoundTrip, TimesEveryFormat) {
  for (int format = 1; format <= 8; ++format) {
    std::string pict = "@T" + std::to_string(format);
    bool seconds = format == 4 || format == 5 || format == 6 || format == 8;
    for (int i = 0; i < 3000; ++i) {
      int32_t serial = 1 + int32_t(rng_() % 8640000);
      std::string shown = formatLong(serial, pict);
      int32_t n = serial - 1;
      int32_t expected = n / 6000 * 6000 + (seconds ? n % 6000 / 100 * 100 : 0) + 1;
      if (expected == 1 && format != 3 && format != 6 && format != 7 && format != 8) expected = 0;
      ASSERT_EQ(deformat(shown, pict), std::to_string(expected)) << pict << " [" << shown << "]";
    }
  }
}

TEST_F(RoundTrip, KeyInsAndStrings) {
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int i = 0; i < 2000; ++i) {
    std::string v;
    for (int k = 0; k < 5; ++k) v += letters[rng_() % letters.size()];
    std::string shown = formatText(v, "@K@^_-?|K");
    ASSERT_EQ(deformat(shown, "@K@^_-?|K"), v) << shown;
    std::string text(rng_() % 20, 'x');
    for (char& c : text) c = letters[rng_() % letters.size()];
    ASSERT_EQ(deformat(formatText(text, "@s20"), "@s20"),
              text + std::string(20 - text.size(), ' '));
  }
}

}  // namespace
