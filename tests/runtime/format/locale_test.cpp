// Locale tables: defaults, environment-file keys, LOCALE, classes, case and collation.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/messages.h"
#include "runtime/format/locale_settings.h"

namespace {

namespace fs = std::filesystem;
using kiv::format::applyLocaleSetting;

class Locale : public ::testing::Test {
 protected:
  void SetUp() override { kiv::format::resetLocaleTables(); }
  void TearDown() override {
    kiv::format::resetLocaleTables();
    for (const auto& f : files_) fs::remove(f);
  }
  std::string writeFile(const std::string& name, const std::string& content) {
    fs::path p = fs::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary) << content;
    files_.push_back(p);
    return p.string();
  }
  std::vector<fs::path> files_;
};

int32_t compare(const std::string& a, const std::string& b) {
  return Kiv$comparestr(a.data(), uint32_t(a.size()), b.data(), uint32_t(b.size()));
}

int32_t compareI(const std::string& a, const std::string& b) {
  Kiv$PushString(a.data(), uint32_t(a.size()));
  Kiv$PushString(b.data(), uint32_t(b.size()));
  return Kiv$StackCompareI();
}

std::string upper(const std::string& text) {
  Kiv$PushString(text.data(), uint32_t(text.size()));
  Kiv$StackUPPER();
  KivHeapStr s{};
  Kiv$PopTemp(&s);
  std::string out(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return out;
}

void locale(const std::string& fileName) {
  Kiv$PushString(fileName.data(), uint32_t(fileName.size()));
  Kiv$LOCALE(0);
}

void locale(const std::string& key, const std::string& value) {
  Kiv$PushString(key.data(), uint32_t(key.size()));
  Kiv$PushString(value.data(), uint32_t(value.size()));
  Kiv$LOCALE(1);
}

TEST_F(Locale, DefaultsTellCaseApartOnlyWhenNotCaseBlind) {
  EXPECT_LT(compare("A", "a"), 0);
  EXPECT_EQ(compareI("a", "A"), 0);
  EXPECT_EQ(Kiv$isficompare("abc", "ABC", 3), 0);
  EXPECT_EQ(Kiv$isfcompare("abc", "abd", 3), 'c' - 'd');
  EXPECT_EQ(Kiv$isfoemcompare("b", "a", 1), 1);
  EXPECT_EQ(Kiv$isftoupper('q'), 'Q');
  EXPECT_EQ(Kiv$isftoupper('Q'), 'Q');
  EXPECT_EQ(Kiv$isftolower('Q'), 'q');
  EXPECT_EQ(Kiv$isftolower('5'), '5');
  EXPECT_EQ(Kiv$isfisupper('Q'), 1);
  EXPECT_EQ(Kiv$isfislower('Q'), 0);
  EXPECT_EQ(Kiv$isfisalpha('q'), 1);
  EXPECT_EQ(Kiv$isfisalpha('5'), 0);
  EXPECT_EQ(Kiv$isfisalnum('5'), 1);
  EXPECT_EQ(Kiv$isfisalnum('-'), 0);
  EXPECT_EQ(Kiv$isfisalpha(0xE9), 0);
  char text[] = "Mixed Case 9";
  Kiv$isfupper(text, 12);
  EXPECT_STREQ(text, "MIXED CASE 9");
  Kiv$isflower(text, 12);
  EXPECT_STREQ(text, "mixed case 9");
}

TEST_F(Locale, StackClassTests) {
  struct Row {
    const char* text;
    int alpha, up, low;
  } rows[] = {{"abc", 1, 0, 1}, {"Abc", 1, 1, 0}, {"1a", 0, 0, 0}, {"", 0, 0, 0}};
  for (const Row& r : rows) {
    Kiv$PushCString(r.text);
    EXPECT_EQ(Kiv$IsAlpha(), r.alpha) << r.text;
    Kiv$PushCString(r.text);
    EXPECT_EQ(Kiv$IsUpper(), r.up) << r.text;
    Kiv$PushCString(r.text);
    EXPECT_EQ(Kiv$IsLower(), r.low) << r.text;
  }
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(Locale, CaseListChangesOnlyHighPairs) {
  applyLocaleSetting("KIVCASE", "\"\xC0\xC9[\",\"\xE0\xE9{\"");
  EXPECT_EQ(upper("\xE0\xE9{x"), "\xC0\xC9{X");
  EXPECT_EQ(Kiv$isfisupper(0xC9), 1);
  EXPECT_EQ(Kiv$isfislower(0xE9), 1);
  EXPECT_EQ(Kiv$isfisalpha('{'), 0);
  EXPECT_EQ(compareI("\xE9t\xE9", "\xC9T\xC9"), 0);
  applyLocaleSetting("KIVCASE", "");
  EXPECT_EQ(Kiv$isfisalpha(0xC9), 0);
  applyLocaleSetting("KIVCASE", "WINDOWS");
  EXPECT_EQ(Kiv$isftoupper(0xFF), 0x9F);
  EXPECT_EQ(Kiv$isftolower(0xD6), 0xF6);
  EXPECT_EQ(Kiv$isfisalpha(0xD7), 0);  // the multiplication sign is no letter
}

TEST_F(Locale, NationalTexts) {
  applyLocaleSetting("KIVMON", "Jnv,Fvr");
  EXPECT_STREQ(ISFINFO.monthAbbrev[0], "Jnv");
  EXPECT_STREQ(ISFINFO.monthAbbrev[1], "Fvr");
  EXPECT_STREQ(ISFINFO.monthAbbrev[2], "Mar");
  applyLocaleSetting("KIVMON", "\"Janvier\"");
  EXPECT_STREQ(ISFINFO.monthAbbrev[0], "Jan");
  applyLocaleSetting("KIVMONTH", "\"Janvier\",\"F\xE9vrier\",\"A name far too long\"");
  EXPECT_STREQ(ISFINFO.monthNames[0], "Janvier");
  EXPECT_STREQ(ISFINFO.monthNames[1], "F\xE9vrier");
  EXPECT_STREQ(ISFINFO.monthNames[2], "A name far t");
  EXPECT_STREQ(ISFINFO.monthNames[3], "April");
  applyLocaleSetting("KIVAMPM", "am,pm");
  EXPECT_STREQ(ISFINFO.amPm[0], "am");
  EXPECT_STREQ(ISFINFO.amPm[1], "pm");
  applyLocaleSetting("KIVAMPM", "\"vorm\",\"nachm\"");
  EXPECT_STREQ(ISFINFO.amPm[0], "vo");
  EXPECT_STREQ(ISFINFO.amPm[1], "na");
}

TEST_F(Locale, MessageOverrides) {
  applyLocaleSetting("KIVMSG35", "Satz fehlt, leider");
  Kiv$seterror(35);
  EXPECT_EQ(std::string(Kiv$ERRSTR, 18), "Satz fehlt, leider");
  applyLocaleSetting("KIVBUTTON", "\"&Ja\",\"&Nein\"");
  ASSERT_NE(Kiv$IsfGetMsg(0x7F00), nullptr);
  EXPECT_STREQ(Kiv$IsfGetMsg(0x7F00), "&Ja");
  EXPECT_STREQ(Kiv$IsfGetMsg(0x7F01), "&Nein");
  EXPECT_EQ(Kiv$IsfGetMsg(0x7F02), nullptr);
  applyLocaleSetting("KIVMSGX", "not a message");
  applyLocaleSetting("UNKNOWN", "ignored");
  Kiv$clearerror();
}

TEST_F(Locale, CollatingSequenceList) {
  applyLocaleSetting("KIVCOLSEQ", "ZYXWVUTSRQPONMLKJIHGFEDCBA");
  EXPECT_GT(compare("A", "Z"), 0);
  EXPECT_LT(compare("ZEBRA", "APPLE"), 0);
  EXPECT_LT(compare("1", "Z"), 0);  // codes below the list stay in front of it
  EXPECT_GT(compare("a", "A"), 0);
  EXPECT_EQ(compare("ZOO", "ZOO   "), 0);
  applyLocaleSetting("KIVCOLSEQ", "");
  EXPECT_LT(compare("A", "Z"), 0);
  EXPECT_EQ(ISFINFO.collate['Q'], 'Q');
}

TEST_F(Locale, PlatformCollationIsWordOrder) {
  locale("windows");
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_LT(compare("a", "B"), 0);
  EXPECT_LT(compare("b", "B"), 0);  // lower case first, as the platform orders words
  EXPECT_LT(compare("e", "\xE9"), 0);
  EXPECT_LT(compare("\xE9", "f"), 0);
  EXPECT_LT(compare("9", "a"), 0);
  EXPECT_EQ(ISFINFO.collate[0], 0);
  EXPECT_EQ(ISFINFO.collate[1], 1);
  EXPECT_EQ(upper("\xE9t\xE9"), "\xC9T\xC9");
}

TEST_F(Locale, DigraphsCollateAsOneCharacter) {
  // "CH" sorts as one letter between C and D.
  applyLocaleSetting("KIVCOLSEQ", "ABC#DEFGHIJKLMNOPQRSTUVWXYZ");
  applyLocaleSetting("KIVDIGRAPH", "\"CH#\",\"ch#\",\"x\"");
  EXPECT_EQ(ISFINFO.digraphCount, 2);
  EXPECT_GT(compare("CHA", "CZ"), 0);
  EXPECT_LT(compare("CHA", "DA"), 0);
  EXPECT_GT(compare("CH", "C"), 0);
  EXPECT_EQ(compare("CH  ", "CH"), 0);
  EXPECT_GT(Kiv$isfcompare("CHA", "CZA", 3), 0);
  EXPECT_LT(Kiv$isfcompare("CHA", "DAA", 3), 0);
  EXPECT_EQ(Kiv$isfcompare("CHA", "CHA", 3), 0);
  EXPECT_EQ(compareI("cha", "CHA"), 0);
  Kiv$PushCString("CHD");
  uint32_t packed = Kiv$CollationVal();
  EXPECT_EQ(packed, uint32_t(ISFINFO.collate['#']) << 8 | ISFINFO.collate['D']);
  Kiv$CollationChar(packed);
  char out[2];
  Kiv$PopString(out, 2);
  EXPECT_EQ(std::string(out, 2), "#D");
}

TEST_F(Locale, CollationValueRoundTrip) {
  applyLocaleSetting("KIVCOLSEQ", "ZYXWVUTSRQPONMLKJIHGFEDCBA");
  Kiv$PushCString("ABCDE");
  uint32_t packed = Kiv$CollationVal();
  EXPECT_EQ(packed >> 24, ISFINFO.collate['A']);
  EXPECT_EQ(packed & 0xFF, ISFINFO.collate['D']);
  Kiv$CollationChar(packed);
  char out[4];
  Kiv$PopString(out, 4);
  EXPECT_EQ(std::string(out, 4), "ABCD");
  Kiv$CollationChar(0);
  EXPECT_EQ(Kiv$StackLen(), 0);
}

TEST_F(Locale, OemModeConvertsValuesAndText) {
  applyLocaleSetting("KIVCHARSET", "OEM");
  EXPECT_EQ(ISFINFO.oemMode, 1);
  applyLocaleSetting("KIVMONTH", "\x82t\x82");  // OEM e-acute
  EXPECT_STREQ(ISFINFO.monthNames[0], "\xE9t\xE9");
  char text[] = "\xE9t\xE9";
  Kiv$isfconvert(text, 3);
  EXPECT_STREQ(text, "\x82t\x82");
  Kiv$isfoemconvert(text, 3);
  EXPECT_STREQ(text, "\xE9t\xE9");
  applyLocaleSetting("KIVCHARSET", "ANSI");
  EXPECT_EQ(ISFINFO.oemMode, 0);
  Kiv$isfconvert(text, 3);
  EXPECT_STREQ(text, "\xE9t\xE9");
}

TEST_F(Locale, EnvironmentFileLines) {
  std::string path = writeFile("locale_test_lines.env",
                               "\r\n"
                               "  KIV MON = \"Jnv\",\"F\"\"v\"   \r\n"
                               "kivampm=am,pm\n"
                               "KIVMSG35=\"Gone, really\"\n"
                               "NOEQUALS\n"
                               "KIVMSG36=cut\x1AKIVMSG37=after the end\n");
  locale(path);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_STREQ(ISFINFO.monthAbbrev[0], "Jnv");
  EXPECT_STREQ(ISFINFO.monthAbbrev[1], "F\"v");
  EXPECT_STREQ(ISFINFO.amPm[0], "am");
  EXPECT_STREQ(Kiv$IsfGetMsg(35), "Gone, really");
  EXPECT_STREQ(Kiv$IsfGetMsg(36), "cut");
  EXPECT_EQ(Kiv$IsfGetMsg(37), nullptr);
}

TEST_F(Locale, MissingFileSetsErrorTwoAndChangesNothing) {
  locale("/nonexistent/dir/NOWHERE.ENV");
  EXPECT_EQ(Kiv$ERRCODE, 2);
  EXPECT_EQ(std::string(Kiv$ERRSTR, 14), "File Not Found");
  EXPECT_STREQ(ISFINFO.monthAbbrev[0], "Jan");
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(Locale, KeyAndValueForm) {
  locale("KIVMON", "Eins,Zwei");
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_STREQ(ISFINFO.monthAbbrev[0], "Ein");
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(Locale, SplitItems) {
  using kiv::format::splitItems;
  using V = std::vector<std::string>;
  EXPECT_EQ(splitItems("a,b,,c", false), (V{"a", "b", "", "c"}));
  EXPECT_EQ(splitItems("\"a,b\", \"c\"\"d\"", false), (V{"a,b", "c\"d"}));
  EXPECT_EQ(splitItems("a,b", true), (V{"a,b"}));
  EXPECT_EQ(splitItems("\"a,b\",\"c\"", true), (V{"a,b"}));
  EXPECT_EQ(splitItems("", false), V{});
}

TEST_F(Locale, SystemFormatsFromTheIntlSection) {
  EXPECT_STREQ(ISFINFO.shortDate, "MM/dd/yy");
  EXPECT_STREQ(ISFINFO.longDate, "ddd', 'MMMM' 'dd', 'yyyy");
  EXPECT_STREQ(ISFINFO.shortTime, "hh:mm tt");
  EXPECT_STREQ(ISFINFO.longTime, "hh:mm:ss tt");
  fs::path dir = fs::temp_directory_path() / "locale_test_config";
  fs::create_directories(dir / "kvrun32");
  std::ofstream(dir / "kvrun32" / "WIN.INI") << "[windows]\nsShortDate=no\n[Intl]\n"
                                                "iTime=1\niTLzero=0\nsTime=.\n"
                                                "sShortDate=dd.MM.yyyy\ns1159=\"vm\"\n";
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  kiv::format::resetLocaleTables();
  EXPECT_STREQ(ISFINFO.shortDate, "dd.MM.yyyy");
  EXPECT_STREQ(ISFINFO.shortTime, "H.mm");
  EXPECT_STREQ(ISFINFO.longTime, "H.mm.ss");
  EXPECT_STREQ(ISFINFO.timeAmPm[0], "vm");
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  fs::remove_all(dir);
}

TEST(LocaleStart, EnvironmentFileBesideTheProgramIsLoaded) {
  std::string path = kiv::format::environmentFilePath();
  ASSERT_NE(path.find("test_runtime_format.ENV"), std::string::npos) << path;
  std::ofstream(path) << "KIVMSG77=Index unreachable\nKIVMON=Uno\n";
  Kiv$isfinit();
  fs::remove(path);
  EXPECT_STREQ(Kiv$IsfGetMsg(77), "Index unreachable");
  EXPECT_STREQ(ISFINFO.monthAbbrev[0], "Uno");
  EXPECT_EQ(_IsfInfoPtr(), &ISFINFO);
  kiv::format::resetLocaleTables();
}

}  // namespace
