// Pictures: every kind formats and deformats as its layouts say; bad texts do not compile.
#include <gtest/gtest.h>

#include <cstring>
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

int32_t date(int m, int d, int y) { return Kiv$DATE(m, d, y); }
int32_t time(int h, int m, int s) { return 1 + h * 360000 + m * 6000 + s * 100; }

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override { kiv::format::resetLocaleTables(); }
  void TearDown() override { kiv::format::resetLocaleTables(); }
  kiv::test::FakeClock clock_{{2026, 6, 1, 12, 0, 0, 0}};
};

struct NumberRow {
  const char* picture;
  double value;
  const char* shown;
  const char* back;  // what DEFORMAT reads back from the shown text
};

TEST_F(Pictures, NumericLayouts) {
  const NumberRow rows[] = {
      {"@N10.2", 1234.5, "  1,234.50", "001234.50"},
      {"@N10.2B", 0, "          ", "00000."},
      {"@N10.2", 0, "      0.00", "000000.00"},
      {"@n13", 1234567, "    1,234,567", "0001234567"},
      {"@n-13", -1234567, "   -1,234,567", "-01234567"},
      {"@n-13", 1234567, "    1,234,567", "001234567"},
      {"@n-13", -5, "           -5", "-00000005"},
      {"@n13-", -5, "           5-", "-000000005"},
      {"@N(10)", -1234, "   (1,234)", "-01234"},
      {"@N(10)", 1234, "    1,234 ", "001234"},
      {"@n$10.2", 1234.5, " $1,234.50", "1234.50"},
      {"@n$-10.2", -1234.5, "$-1,234.50", "-1234.50"},
      {"@n$010.2", 1234.5, "$001234.50", "001234.50"},
      {"@n$010.2", -1234.5, "$001234.50", "001234.50"},
      {"@n*10.2", 1234.5, "**1*234.50", "1234.50"},
      {"@n10`2", 1234.5, "  1.234,50", "001234.50"},
      {"@n10.`2", 1234.5, "  1.234,50", "001234.50"},
      {"@n10_.2", 1234567.5, "##########", nullptr},
      {"@n12_.2", 1234567.5, "1 234 567.50", "1234567.50"},
      {"@n6v2", 12.34, "  1234", "0012.34"},
      {"@n6v2", 0.5, "    50", "0000.50"},
      {"@n3", 1234, "###", nullptr},
      {"@n5.2", 123.4, "#####", nullptr},
      {"@n02", 4, "04", "04"},
      {"@n_08", 1234567, " 1234567", "01234567"},
      {"@n08.", 1234567, "########", nullptr},
      {"@n09.", 1234567, "1.234.567", "1234567"},
      {"@n~EUR~10", 1234, "  EUR1,234", "1234"},
      {"@n10~ DM~", 1234, "  1,234 DM", "001234"},
      {"@n7.2", 2.345, "   2.35", "002.35"},
      {"@n7.2", -2.345, "   2.35", "002.35"},
      {"@n-7.2", -2.345, "  -2.35", "-02.35"},
      {"@n10.0", 1234, "     1.234", "00001234"},
      {"@n4", 0.5, "   1", "001"},
  };
  for (const NumberRow& r : rows) {
    std::string shown = formatReal(r.value, r.picture);
    EXPECT_EQ(shown, r.shown) << r.picture << " " << r.value;
    if (r.back) {
      EXPECT_EQ(deformat(shown, r.picture), r.back) << r.picture;
    }
  }
}

TEST_F(Pictures, ScientificLayouts) {
  EXPECT_EQ(formatReal(1234.5, "@E12.3"), "  1.235E+003");
  EXPECT_EQ(formatReal(-0.00012, "@E12.3"), "- 1.200E-004");
  EXPECT_EQ(formatReal(0, "@E12.3"), "  0.000E+000");
  EXPECT_EQ(formatReal(9.9996, "@E10.2"), " 1.00E+001");
  EXPECT_EQ(formatReal(5, "@e7"), " 5E+000");
  EXPECT_EQ(deformat("- 1.200E-004", "@E12.3"), "-01.200e-004");
  EXPECT_DOUBLE_EQ(std::strtod(deformat("  1.235E+003", "@E12.3").c_str(), nullptr), 1235.0);
}

struct DateRow {
  const char* picture;
  const char* shown;
};

TEST_F(Pictures, DateLayouts) {
  int32_t serial = date(1, 5, 1998);
  const DateRow rows[] = {
      {"@D1", " 1/05/98"},
      {"@D2", "01/05/1998"},
      {"@D2-", "01-05-1998"},
      {"@D1_", " 1 05 98"},
      {"@D3", "JAN  5,1998"},
      {"@D4", "January  5, 1998     "},
      {"@D5", " 5/01/98"},
      {"@D6", "05/01/1998"},
      {"@D7", " 5 JAN 98"},
      {"@D8", "05 JAN 1998"},
      {"@D8-", "05-JAN-1998"},
      {"@D9", "98/01/05"},
      {"@D10", "1998/01/05"},
      {"@D11", "980105"},
      {"@D12", "19980105"},
      {"@D13", "01/98"},
      {"@D14", "01/1998"},
      {"@D15", "98/01"},
      {"@D16", "1998/01"},
      {"d2", "01/05/1998"},
      {"@d6.", "05.01.1998"},
      {"@D01", "01/05/98"},
      {"@D*1", "*1/*5/98"},
      {"@D17", "01/05/98"},
      {"@D18", "Mon, January 05, 1998  "},
      {"@D2`", "01,05,1998"},
  };
  for (const DateRow& r : rows) {
    std::string shown = formatLong(serial, r.picture);
    EXPECT_EQ(shown, r.shown) << r.picture;
    EXPECT_EQ(deformat(shown, r.picture),
              std::string(r.picture).find_first_of("1") != std::string::npos &&
                      (std::string(r.picture) == "@D13" || std::string(r.picture) == "@D14" ||
                       std::string(r.picture) == "@D15" || std::string(r.picture) == "@D16")
                  ? std::to_string(date(1, 1, 1998))
                  : std::to_string(serial))
        << r.picture;
  }
  EXPECT_EQ(formatLong(0, "@D2"), "  /  /    ");
  EXPECT_EQ(formatLong(0, "@D2B"), "          ");
  EXPECT_EQ(formatLong(0, "@D3"), "      ,    ");
  EXPECT_EQ(formatLong(date(12, 25, 2005), "@D4"), "December 25, 2005    ");
}

TEST_F(Pictures, DatesTypedLoosely) {
  int32_t serial = date(1, 5, 1998);
  EXPECT_EQ(deformat("1/5/1998", "@D2"), std::to_string(serial));
  EXPECT_EQ(deformat("1/5/98", "@D2"), std::to_string(serial));
  EXPECT_EQ(deformat("jan 5,1998", "@D3"), std::to_string(serial));
  EXPECT_EQ(deformat("  /  /    ", "@D2"), "0");
  EXPECT_EQ(deformat("02/30/1998", "@D2"), std::to_string(date(3, 2, 1998)));  // DATE normalises
  EXPECT_EQ(deformat("00/05/1998", "@D2"), "-1");
  // The pivot reaches back 80 years from 2026 by default: 46 is 1946 and 45 is 2045.
  EXPECT_EQ(deformat("01/05/46", "@D1"), std::to_string(date(1, 5, 1946)));
  EXPECT_EQ(deformat("01/05/45", "@D1"), std::to_string(date(1, 5, 2045)));
  EXPECT_EQ(deformat("01/05/45", "@D1<50"), std::to_string(date(1, 5, 2045)));
  EXPECT_EQ(deformat("01/05/30", "@D1<50"), std::to_string(date(1, 5, 2030)));
  EXPECT_EQ(deformat("01/05/77", "@D1<50"), std::to_string(date(1, 5, 1977)));
  EXPECT_EQ(deformat("01/05/76", "@D1<50"), std::to_string(date(1, 5, 1976)));
  EXPECT_EQ(deformat("01/05/75", "@D1<50"), std::to_string(date(1, 5, 2075)));
  EXPECT_EQ(deformat("01/05/30", "@D1>1"), std::to_string(date(1, 5, 1930)));
}

TEST_F(Pictures, TimeLayouts) {
  int32_t t = time(17, 5, 9);
  const DateRow rows[] = {
      {"@T1", "17:05"},       {"@T2", "1705"},       {"@T3", " 5:05PM"},   {"@T4", "17:05:09"},
      {"@T5", "170509"},      {"@T6", " 5:05:09PM"}, {"@T1.", "17.05"},    {"@T7", "05:05 PM"},
      {"@T8", "05:05:09 PM"}, {"t4-", "17-05-09"},   {"@T_4", "17: 5: 9"},
  };
  for (const DateRow& r : rows) {
    std::string shown = formatLong(t, r.picture);
    EXPECT_EQ(shown, r.shown) << r.picture;
    std::string pict = r.picture;
    bool seconds =
        !(pict == "@T1" || pict == "@T2" || pict == "@T3" || pict == "@T1." || pict == "@T7");
    EXPECT_EQ(deformat(shown, r.picture), std::to_string(seconds ? t : time(17, 5, 0)))
        << r.picture;
  }
  EXPECT_EQ(formatLong(time(0, 7, 0), "@T3"), "12:07AM");
  EXPECT_EQ(deformat("12:07AM", "@T3"), std::to_string(time(0, 7, 0)));
  EXPECT_EQ(deformat("12:00AM", "@T3"), "1");
  EXPECT_EQ(formatLong(time(12, 0, 0), "@T3"), "12:00PM");
  EXPECT_EQ(deformat("12:00PM", "@T3"), std::to_string(time(12, 0, 0)));
  EXPECT_EQ(formatLong(time(9, 3, 0), "@T01"), "09:03");
  EXPECT_EQ(formatLong(0, "@T1B"), "     ");
  EXPECT_EQ(deformat("5:05PM", "@T3"), std::to_string(time(17, 5, 0)));
  EXPECT_EQ(deformat("24:00", "@T1"), "-1");
  EXPECT_EQ(deformat("10:60", "@T1"), "-1");
  EXPECT_EQ(deformat("  :  ", "@T1"), "0");
}

TEST_F(Pictures, LocaleTextsInTimesAndDates) {
  kiv::format::applyLocaleSetting("KIVAMPM", "am,pm");
  EXPECT_EQ(formatLong(time(17, 5, 0), "@T3"), " 5:05pm");
  EXPECT_EQ(deformat(" 5:05pm", "@T3"), std::to_string(time(17, 5, 0)));
  kiv::format::applyLocaleSetting("KIVMONTH", "Janvier");
  kiv::format::applyLocaleSetting("KIVMON", "Jnv");
  EXPECT_EQ(formatLong(date(1, 5, 1998), "@D4"), "Janvier  5, 1998     ");
  EXPECT_EQ(formatLong(date(1, 5, 1998), "@D3"), "JNV  5,1998");
  EXPECT_EQ(deformat("JNV  5,1998", "@D3"), std::to_string(date(1, 5, 1998)));
}

TEST_F(Pictures, PatternsKeyInsAndStrings) {
  EXPECT_EQ(formatLong(12345, "@P###-##P"), "123-45");
  EXPECT_EQ(deformat("123-45", "@P###-##P"), "12345");
  EXPECT_EQ(formatLong(5, "@P<<#P"), "  5");
  EXPECT_EQ(formatLong(5, "@p##p"), "05");
  EXPECT_EQ(formatLong(0, "@P###PB"), "   ");
  EXPECT_EQ(formatLong(123456, "@P###P"), "###");
  EXPECT_EQ(formatLong(42, "pPage <<<#p"), "Page   42");
  EXPECT_EQ(formatText("AB12", "@K@@-##K"), "AB-12");
  EXPECT_EQ(deformat("AB-12", "@K@@-##K"), "AB12");
  EXPECT_EQ(formatText("x", "@K\\@^K"), "@x");
  EXPECT_EQ(formatLong(4321, "@K##/##K"), "43/21");
  EXPECT_EQ(formatText("abcdefg", "@s5"), "abcde");
  EXPECT_EQ(formatText("ab", "@S5"), "ab   ");
  EXPECT_EQ(formatLong(-42, "@s5"), "-42  ");
  EXPECT_EQ(deformat("ab ", "@s5"), "ab ");
}

TEST_F(Pictures, CompiledForm) {
  uint8_t buffer[KIV_PICTURE_SIZE];
  EXPECT_EQ(Kiv$storepict("@N10.2", 6, buffer), 10);
  EXPECT_EQ(buffer[0], KIV_PICT_NUMERIC);
  EXPECT_EQ(buffer[1], 10);
  EXPECT_EQ(buffer[4 + 2 * 7], '.');
  EXPECT_EQ(buffer[4 + 2 * 7 + 1], 2);  // decimal separator
  EXPECT_EQ(buffer[4 + 2 * 3 + 1], 1);  // grouping position
  EXPECT_EQ(buffer[4 + 2 * 6 + 1], 3);  // the units digit
  KivPictCount count;
  Kiv$pictcount(buffer, &count);
  EXPECT_EQ(count.integerDigits, 6);
  EXPECT_EQ(count.fractionDigits, 2);
  EXPECT_EQ(count.decimalPos, 7);
  EXPECT_EQ(count.decimalChar, '.');
  EXPECT_EQ(count.groupingCount, 1);
  char out[10];
  Kiv$pictstorelong(buffer, -7, out);
  EXPECT_EQ(std::string(out, 10), "      7.00");
  EXPECT_STREQ(Kiv$deformatpict(buffer, "  1,234.50", 10), "001234.50");

  uint32_t word = 0;
  Kiv$checkpict(&word, "@D2B", 4);
  EXPECT_EQ(word, uint32_t(KIV_PICT_DATE | KIV_PICT_BLANK_WHEN_ZERO) | 10u << 8 | 80u << 16);
  Kiv$checkpict(&word, "@d1<50", 6);
  EXPECT_EQ(word >> 16, 50u);
  Kiv$checkpict(&word, "@d1>10", 6);
  EXPECT_EQ(word >> 16, 89u);
  Kiv$checkpict(&word, "", 0);
  EXPECT_EQ(word, 0u);
  Kiv$checkpict(&word, "@s40", 4);
  EXPECT_EQ(word, uint32_t(KIV_PICT_STRING) | 40u << 8);
  Kiv$checkpict(&word, "@T3", 3);
  EXPECT_EQ(word, uint32_t(KIV_PICT_TIME) | 7u << 8);

  EXPECT_EQ(Kiv$storepict("@N10.2x", 7, buffer), -1);
  EXPECT_STREQ(Kiv$deformatpict(buffer, "123", 3), "");
  Kiv$checkpict(&word, "@N10.2x", 7);
  EXPECT_EQ(word, 0u);
}

TEST_F(Pictures, BadTextsDoNotCompile) {
  const char* bad[] = {"@",     "@X5",    "@N",       "@N0",      "@N256",   "@N-10-",
                       "@N(10", "@N~~10", "@N~EUR10", "@N3.5",    "@N$5$",   "@E6",
                       "@E8.5", "@D0",    "@D19",     "@D2x",     "@D<5",    "@T0",
                       "@T9",   "@P###",  "@P###p",   "@K@@",     "@K\\K",   "@S",
                       "@S0",   "@S256",  "@Sabc",    "@N10.2.3", "@D1<100", "@T3::"};
  uint8_t buffer[KIV_PICTURE_SIZE];
  for (const char* text : bad) {
    EXPECT_EQ(Kiv$storepict(text, uint32_t(std::strlen(text)), buffer), -1) << text;
    EXPECT_EQ(formatLong(5, text), "") << text;
  }
  std::string tooLong = "@S" + std::string(254, '1');
  EXPECT_EQ(Kiv$storepict(tooLong.data(), uint32_t(tooLong.size()), buffer), -1);
}

TEST_F(Pictures, DeformatWithoutPicture) {
  EXPECT_EQ(deformat("-$1,234.50", ""), "-1234.50");
  EXPECT_EQ(deformat("1.5E-3x", ""), "1.5E-3");
  EXPECT_EQ(deformat("a-1e5e6", ""), "1e56");
}

TEST_F(Pictures, StackForms) {
  Kiv$PushLong(1234);
  Kiv$PushCString("@n8.2");
  Kiv$StackFORMAT();
  char out[8];
  Kiv$PopString(out, 8);
  EXPECT_EQ(std::string(out, 8), "1,234.00");
  Kiv$PushCString("1,234.00");
  Kiv$PushCString("@n8.2");
  Kiv$StackDEFORMAT();
  char back[7];
  Kiv$PopString(back, 7);
  EXPECT_EQ(std::string(back, 7), "1234.00");
  Kiv$PushPictLong(date(1, 5, 1998), "@d2", 3);
  char d[10];
  Kiv$PopString(d, 10);
  EXPECT_EQ(std::string(d, 10), "01/05/1998");
  Kiv$PushPictReal(-2.5, "@n-6.1", 6);
  char r[6];
  Kiv$PopString(r, 6);
  EXPECT_EQ(std::string(r, 6), "  -2.5");
  Kiv$PushCString(" -1,234");
  EXPECT_EQ(Kiv$PopPictLong("@n-7", 4), -1234);
  Kiv$PushCString("  1,234.56");
  EXPECT_DOUBLE_EQ(Kiv$PopPictReal("@n10.2", 6), 1234.56);
  Kiv$PushCString("01/05/1998");
  EXPECT_EQ(Kiv$PopPictLong("@d2", 3), date(1, 5, 1998));
  Kiv$PushPictLong(1, "@Q", 2);  // a picture that does not compile pushes an empty string
  EXPECT_EQ(Kiv$StackLen(), 0);
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(Pictures, DecimalStackForms) {
  // 12345.675 as a DECIMAL of 5 bytes and 3 places: sign nibble 0, then nine digits.
  const uint8_t dec[5] = {0x00, 0x12, 0x34, 0x56, 0x75};
  Kiv$PushPictDec(dec, 5, 3, "@n10.2", 6);
  char out[10];
  Kiv$PopString(out, 10);
  EXPECT_EQ(std::string(out, 10), " 12,345.68");
  Kiv$DPushCString("-0.125");
  Kiv$DPopPict("@n-6.2", 6);
  char small[6];
  Kiv$PopString(small, 6);
  EXPECT_EQ(std::string(small, 6), " -0.13");
  EXPECT_EQ(Kiv$DStackDepth(), 0);
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

}  // namespace
