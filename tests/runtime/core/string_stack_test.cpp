// The string stack: entry kinds and ownership, every string operation's exact result, the store
// rules for the three string types, and misuse that must not corrupt memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "runtime/core/string_stack.h"
#include "tests/runtime/core/test_support.h"

using kivtest::pop;
using kivtest::push;

namespace {

class StringStack : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(Kiv$StackDepth(), 0) << "unbalanced stack"; }
};

std::string sub(const std::string& s, int32_t start, int32_t len) {
  push(s);
  Kiv$StackSUB(start, len);
  return pop();
}

std::string owned(const std::string& s) {
  KivHeapStr h{};
  Kiv$loadstr(&h, s.data(), uint32_t(s.size()));
  Kiv$PushTemp(h.addr, h.len);
  return s;
}

// Runs `op` on s pushed both as a borrowed entry and as an owned one; both must agree.
template <typename Op>
std::string both(const std::string& s, Op op) {
  push(s);
  op();
  std::string borrowed = pop();
  owned(s);
  op();
  std::string fromOwned = pop();
  EXPECT_EQ(borrowed, fromOwned) << "borrowed and owned entries differ for '" << s << "'";
  return borrowed;
}

TEST_F(StringStack, ComparisonIgnoresTrailingButNotLeadingSpaces) {
  struct Row {
    const char *a, *b;
    int sign;
  } rows[] = {
      {"abc", "abc   ", 0}, {"", "", 0},       {"", "   ", 0},    {" abc", "abc", -1},
      {"abc", "abd", -1},   {"abd", "abc", 1}, {"ab", "abc", -1}, {"abc!", "abc", 1},
      {"a\x01", "a", -1},   {"B", "a", -1},
  };
  for (const Row& r : rows) {
    push(r.a);
    push(r.b);
    int got = Kiv$StackCompare();
    EXPECT_EQ((got > 0) - (got < 0), r.sign) << "'" << r.a << "' vs '" << r.b << "'";
    push(r.a);
    push(r.b);
    got = Kiv$StackCompareR();
    EXPECT_EQ((got > 0) - (got < 0), -r.sign);
  }
  EXPECT_EQ(Kiv$comparestr("abc", 3, "abc  ", 5), 0);
  EXPECT_LT(Kiv$comparestr("a\0b", 3, "a", 1), 0);  // NUL weighs less than a space
  EXPECT_EQ(Kiv$comparestr("b", 1, "a", 1), 1);     // the difference of the weights
}

TEST_F(StringStack, CaseBlindComparison) {
  push("Hello World");
  push("HELLO WORLD  ");
  EXPECT_EQ(Kiv$StackCompareI(), 0);
  push("abc");
  push("ABD");
  EXPECT_LT(Kiv$StackCompareI(), 0);
  push("abc");
  push("ABC");
  EXPECT_GT(Kiv$StackCompare(), 0);
}

TEST_F(StringStack, CompareNTellsBlankFromNonBlank) {
  push("   ");
  EXPECT_EQ(Kiv$StackCompareN(), 0);
  push("");
  EXPECT_EQ(Kiv$StackCompareN(), 0);
  push("  x ");
  EXPECT_EQ(Kiv$StackCompareN(), 1);
}

TEST_F(StringStack, Sub) {
  EXPECT_EQ(sub("abcdef", -2, 2), "ef");
  EXPECT_EQ(sub("abcdef", 5, 10), "ef");
  EXPECT_EQ(sub("abcdef", 7, 3), "");
  EXPECT_EQ(sub("abcdef", 2, 3), "bcd");
  EXPECT_EQ(sub("abcdef", 2, -1), "bcdef");  // a negative length takes the rest
  EXPECT_EQ(sub("abcdef", -10, 2), "ab");
  EXPECT_EQ(sub("abcdef", 0, 2), "ab");  // start 0 is the first character
  EXPECT_EQ(sub("", 1, 5), "");
  // Owned entries copy, other entries move their address: both give the same result.
  for (int32_t start : {-7, -2, 0, 1, 3, 6, 9})
    for (int32_t len : {-1, 0, 2, 10}) both("abcdef", [=] { Kiv$StackSUB(start, len); });
}

TEST_F(StringStack, SubStandaloneAgreesWithTheStack) {
  for (int32_t start : {-3, 0, 1, 4, 8}) {
    KivHeapStr h{};
    Kiv$SUB(&h, "abcdef", 6, start, 2);
    EXPECT_EQ(std::string(h.addr ? h.addr : "", h.len), sub("abcdef", start, 2)) << start;
    Kiv$freestr(&h);
  }
}

TEST_F(StringStack, LeftRightCenter) {
  struct Row {
    const char* text;
    int kind;  // 0 LEFT, 1 RIGHT, 2 CENTER
    int32_t width;
    const char* want;
  } rows[] = {
      {"  ab", 0, 4, "ab  "},
      {"  ab", 0, -1, "ab  "},
      {"  ab", 0, 1, "a"},
      {"ab", 0, 5, "ab   "},
      {"ab  ", 1, 4, "  ab"},
      {"abcdef", 1, 3, "def"},
      {"ab", 1, 5, "   ab"},
      {"ab  ", 1, -1, "  ab"},
      {"abc", 2, 6, "  abc "},
      {"abcde", 2, 3, "bcd"},
      {"abcdef", 2, 3, "cde"},
      {" ab ", 2, -1, " ab "},
      {"a", 2, 4, "  a "},
      {"abcd", 2, 2, "bc"},
      {"", 2, 3, "   "},
      {"", 0, 2, "  "},
      {"   ", 1, 2, "  "},
      {"a much longer text than twenty bytes", 1, 40, "    a much longer text than twenty bytes"},
  };
  for (const Row& r : rows) {
    auto op = [&] {
      if (r.kind == 0) Kiv$StackLEFT(r.width);
      if (r.kind == 1) Kiv$StackRIGHT(r.width);
      if (r.kind == 2) Kiv$StackCENTER(r.width);
    };
    EXPECT_EQ(both(r.text, op), r.want) << r.kind << " '" << r.text << "' " << r.width;
  }
}

TEST_F(StringStack, ClipShortensOnly) {
  std::string text = "abc   ";
  Kiv$PushString(text.data(), uint32_t(text.size()));
  Kiv$StackCLIP();
  EXPECT_EQ(kiv::core::topText().data(), text.data());  // same storage, no copy
  EXPECT_EQ(Kiv$StackLen2(), 3);
  EXPECT_EQ(Kiv$StackLen(), 3);
}

TEST_F(StringStack, All) {
  push("ab");
  Kiv$StackALL(5);
  EXPECT_EQ(pop(), "ababa");
  push("-");
  Kiv$StackALL(0);
  EXPECT_EQ(pop(), std::string(255, '-'));
  push("xyz");
  Kiv$StackALL(2);
  EXPECT_EQ(pop(), "xy");
}

int32_t instring(const std::string& searched, const std::string& sought, int32_t step,
                 int32_t start) {
  push(searched);
  push(sought);
  return Kiv$StackINSTRING(step, start);
}

TEST_F(StringStack, Instring) {
  EXPECT_EQ(instring("abcdef", "cd", 2, 1), 2);
  EXPECT_EQ(instring("abcdef", "cd", 1, 1), 3);
  EXPECT_EQ(instring("abcdef", "cd", 0, 1), 2);  // step 0 means the sought length
  EXPECT_EQ(instring("abcdef", "d", 1, 1), 4);
  EXPECT_EQ(instring("abcdef", "d", 1, 5), 0);
  EXPECT_EQ(instring("abcabc", "abc", 1, 2), 4);
  EXPECT_EQ(instring("abcdef", "", 1, 1), 0);
  EXPECT_EQ(instring("abcdef", "cd", 1, 0), 0);
  EXPECT_EQ(instring("ab", "abc", 1, 1), 0);
  EXPECT_EQ(instring("abcdef", "ef", 1, 6), 0);
  EXPECT_EQ(instring("abcdef", "ef", 1, 99), 0);
  EXPECT_EQ(Kiv$_instring("cd", 2, "abcdef", 6, 1, 0), 3);  // step 0 means 1 here
  EXPECT_EQ(Kiv$_instring("cd", 2, "abcdef", 6, 1, 7), 0);  // step beyond the text
  EXPECT_EQ(Kiv$_instring("x", 1, "", 0, 1, 1), 0);
}

TEST_F(StringStack, InstringSkipTableAgreesWithAPlainSearch) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    size_t m = 257 + rng() % 3000;
    std::string text(m, 'a');
    for (char& c : text) c = char('a' + rng() % 3);
    size_t k = 5 + rng() % 12;
    std::string sought;
    if (rng() % 2) {
      size_t at = rng() % (m - k);
      sought = text.substr(at, k);
    } else {
      sought.assign(k, 'a');
      for (char& c : sought) c = char('a' + rng() % 3);
    }
    int32_t start = int32_t(1 + rng() % (m / 2));
    size_t expect = text.find(sought, size_t(start - 1));
    int32_t want = expect == std::string::npos ? 0 : int32_t(expect + 1);
    ASSERT_EQ(instring(text, sought, 1, start), want) << "round " << round;
  }
  // Bytes above 127 index the shift table as unsigned values.
  std::string text(1000, '\xF0');
  text += "\xFF\xFE\xFD\xFC\xFB!";
  EXPECT_EQ(instring(text, "\xFF\xFE\xFD\xFC\xFB", 1, 1), 1001);
}

TEST_F(StringStack, UpperLowerValNumeric) {
  std::string text = "Disk 7a";
  Kiv$PushString(text.data(), uint32_t(text.size()));
  Kiv$StackUPPER();
  EXPECT_EQ(pop(), "DISK 7A");
  EXPECT_EQ(text, "Disk 7a");  // the variable itself is untouched
  push("MiXeD");
  Kiv$StackLOWER();
  EXPECT_EQ(pop(), "mixed");
  push("");
  EXPECT_EQ(Kiv$StackVAL(), 32);
  push("\xE9t\xE9");
  EXPECT_EQ(Kiv$StackVAL(), 0xE9);

  struct Row {
    const char* text;
    int numeric;
  } rows[] = {{"", 1},   {"12", 1},    {" 12  ", 1}, {"-1.5e3", 1}, {"1.", 1},  {".5", 1},
              {"1e", 0}, {"12abc", 0}, {".", 0},     {"-", 0},      {"1 2", 0}, {"0x10", 0}};
  for (const Row& r : rows) {
    push(r.text);
    EXPECT_EQ(Kiv$StackNumeric(), r.numeric) << "'" << r.text << "'";
  }
}

TEST_F(StringStack, NumbersToAndFromText) {
  Kiv$PushLong(-2147483647 - 1);
  EXPECT_EQ(pop(), "-2147483648");
  Kiv$PushLong(0);
  EXPECT_EQ(pop(), "0");
  struct Row {
    double value;
    const char* text;
  } rows[] = {{0.1, "0.1"},
              {100.0, "100"},
              {3.0, "3"},
              {-2.5, "-2.5"},
              {1.0 / 3, "0.33333333333333"},
              {1e20, "1E+20"},
              {0.0, "0"},
              {123456789012345.0, "1.2345678901234E+14"}};
  for (const Row& r : rows) {
    Kiv$PushReal(r.value);
    EXPECT_EQ(pop(), r.text);
  }
  Kiv$PushReal(-1.2345678901234e-300);  // longer than an inline entry
  EXPECT_EQ(pop(), "-1.2345678901234E-300");
  Kiv$PushBool(1);
  EXPECT_EQ(pop(), "1");
  Kiv$PushBool(0);
  EXPECT_EQ(pop(), "");

  struct RealRow {
    const char* text;
    double value;
  } reals[] = {{"  12.5  ", 12.5}, {"abc", 0.0}, {"-3e2x", -300.0}, {"", 0.0}, {"7.", 7.0}};
  for (const RealRow& r : reals) {
    push(r.text);
    EXPECT_DOUBLE_EQ(Kiv$PopReal(), r.value) << r.text;
  }
  // At most 39 characters are read.
  push(std::string(39, '1') + "999");
  EXPECT_DOUBLE_EQ(Kiv$PopReal(), std::stod(std::string(39, '1')));
  EXPECT_DOUBLE_EQ(_atof("  -4.25kg"), -4.25);
}

TEST_F(StringStack, InList) {
  push("red");
  push("green");
  push("blue");
  push("green ");
  EXPECT_EQ(Kiv$StackINLIST(3), 2);  // item 1 is just below the value
  push("x");
  push("y");
  push("z");
  EXPECT_EQ(Kiv$StackINLIST(2), 0);
}

TEST_F(StringStack, ConcatBorrowedEntriesSeeLaterChanges) {
  char var[4] = {'a', 'b', 'c', 'd'};
  Kiv$PushString(var, 4);
  var[0] = 'X';
  EXPECT_EQ(pop(), "Xbcd");
  // PushCString detaches at once.
  char c[] = "text";
  Kiv$PushCString(c);
  c[0] = 'n';
  EXPECT_EQ(pop(), "text");
  Kiv$PushCString(nullptr);
  EXPECT_EQ(Kiv$StackLen(), 0);

  push("abc");
  push("def");
  Kiv$StackConcat();
  EXPECT_EQ(pop(), "abcdef");
  push("abc");
  push("def");
  Kiv$StackConcatR();
  EXPECT_EQ(pop(), "defabc");
  push("");
  push("");
  Kiv$StackConcat();
  EXPECT_EQ(Kiv$StackLen(), 0);
}

TEST_F(StringStack, RotateHeapAndPull) {
  push("one");
  push("two");
  Kiv$PushLong(3);  // inline: its address must move with it
  Kiv$StackRotate(2);
  EXPECT_EQ(pop(), "one");
  EXPECT_EQ(pop(), "3");
  EXPECT_EQ(pop(), "two");

  Kiv$PushLong(1);
  push("middle");
  push("top");
  KivHeapStr h{};
  Kiv$PullTemp(&h);
  EXPECT_EQ(std::string(h.addr, h.len), "1");
  Kiv$freestr(&h);
  EXPECT_EQ(h.addr, nullptr);
  EXPECT_EQ(pop(), "top");
  EXPECT_EQ(pop(), "middle");

  uint8_t flags[] = {0, 1, 0};
  EXPECT_EQ(Kiv$Omitted(2, 3, flags), 1);
  EXPECT_EQ(Kiv$Omitted(3, 3, flags), 0);
  EXPECT_EQ(Kiv$Omitted(0, 3, flags), 1);
  EXPECT_EQ(Kiv$Omitted(4, 3, flags), 1);
}

TEST_F(StringStack, PushStringAndPushTempStopAt32Entries) {
  for (int i = 0; i < 32; ++i) push("x");
  push("one too many");
  KivHeapStr h{};
  Kiv$loadstr(&h, "leaks if kept", 13);
  Kiv$PushTemp(h.addr, h.len);  // not stored, and freed
  EXPECT_EQ(Kiv$StackDepth(), 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(pop(), "x");
}

TEST_F(StringStack, StoreRules) {
  char s[6];
  Kiv$storestr(s, 6, "abc", 3);
  EXPECT_EQ(std::string(s, 6), "abc   ");
  Kiv$storestr(s, 6, "abcdefgh", 8);
  EXPECT_EQ(std::string(s, 6), "abcdef");
  Kiv$storestr(s, 6, nullptr, -1);
  EXPECT_EQ(std::string(s, 6), std::string(6, '\0'));
  Kiv$storestr(s, 6, nullptr, 1);
  EXPECT_EQ(std::string(s, 6), std::string(6, '\xFF'));
  Kiv$storestr(s, 6, nullptr, 0);
  EXPECT_EQ(std::string(s, 6), std::string(6, ' '));

  char c[4];
  Kiv$storecstr(c, 4, "abcdef", 6);
  EXPECT_STREQ(c, "abc");
  Kiv$storecstr(c, 4, "a ", 2);
  EXPECT_STREQ(c, "a ");  // trailing spaces are kept
  Kiv$storecstr(c, 4, nullptr, 1);
  EXPECT_EQ(std::string(c, 4), "\xFF\xFF\xFF" + std::string(1, '\0'));
  Kiv$storecstr(c, 4, nullptr, -1);
  EXPECT_EQ(c[0], '\0');

  char p[4];
  Kiv$storepstr(p, 4, "abcdef", 6);
  EXPECT_EQ(p[0], 3);
  EXPECT_EQ(std::string(p + 1, 3), "abc");
  Kiv$storepstr(p, 4, nullptr, -1);
  EXPECT_EQ(std::string(p, 4), std::string("\x03") + std::string(3, '\0'));
  Kiv$storepstr(p, 4, nullptr, 0);
  EXPECT_EQ(p[0], 0);

  char untouched = 'u';
  Kiv$storestr(&untouched, 0, "abc", 3);
  Kiv$storecstr(&untouched, 0, "abc", 3);
  Kiv$storepstr(&untouched, 0, "abc", 3);
  EXPECT_EQ(untouched, 'u');

  // Popping into the three types follows the same rules.
  push("abcdef");
  Kiv$PopCString(c, 4);
  EXPECT_STREQ(c, "abc");
  push("xy");
  Kiv$PopPString(p, 4);
  EXPECT_EQ(p[0], 2);
  push("xy");
  Kiv$PopString(s, 6);
  EXPECT_EQ(std::string(s, 6), "xy    ");
  // A borrowed entry of the variable itself pops back into it.
  Kiv$PushString(s + 1, 3);
  Kiv$PopString(s, 6);
  EXPECT_EQ(std::string(s, 6), "y     ");

  char d[7] = "ab";
  Kiv$duplicate(d, 2, 3);
  EXPECT_EQ(std::string(d, 6), "ababab");
  Kiv$clearstr(d, 6);
  EXPECT_EQ(std::string(d, 6), "      ");
}

TEST_F(StringStack, HeapStrings) {
  KivHeapStr h{};
  Kiv$concatstr(&h, "ab", 2, "cd", 2);
  EXPECT_EQ(std::string(h.addr, h.len), "abcd");
  Kiv$freestr(&h);
  Kiv$concatstr(&h, "", 0, "", 0);
  EXPECT_EQ(h.addr, nullptr);
  EXPECT_EQ(h.len, 0u);
  Kiv$loadstr(&h, "x", 0);
  EXPECT_EQ(h.addr, nullptr);
  Kiv$freestr(&h);  // freeing none is harmless

  Kiv$CLIP(&h, "ab  ", 4);
  EXPECT_EQ(std::string(h.addr, h.len), "ab");
  Kiv$freestr(&h);
  Kiv$CENTER(&h, "abc", 3, 6);
  EXPECT_EQ(std::string(h.addr, h.len), "  abc ");
  Kiv$freestr(&h);
  Kiv$CAPITAL(&h, "hello big WORLD", 15);
  EXPECT_EQ(std::string(h.addr, h.len), "Hello Big World");
  Kiv$freestr(&h);
  EXPECT_EQ(Kiv$NUMERIC("12 ", 3), 1);
  EXPECT_EQ(Kiv$INSTRING("cd", 2, "abcdef", 6, 1, 1), 3);
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST(StringStackDeathTest, PoppingAnEmptyStackIsReportedNotCorrupting) {
  EXPECT_EXIT(
      {
        while (Kiv$StackDepth() > 0) Kiv$STACKpop();
        Kiv$STACKpop();
      },
      testing::ExitedWithCode(2), "Internal error 01 : String Stack Error");
  EXPECT_EXIT(
      {
        while (Kiv$StackDepth() > 0) Kiv$STACKpop();
        push("only one");
        Kiv$StackConcat();
      },
      testing::ExitedWithCode(2), "String Stack Error");
}

TEST(StringStackDeathTest, PushingOnAFullStackIsReportedNotCorrupting) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < 32; ++i) Kiv$PushLong(i);
        Kiv$PushLong(33);
      },
      testing::ExitedWithCode(2), "Stack overflow : String Stack Error");
}

}  // namespace
