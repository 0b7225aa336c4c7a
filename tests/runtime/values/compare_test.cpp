// Comparison of descriptors: the meeting class, the family choices of LONG, DECIMAL and STRING,
// the real comparison, blank tests and the case-blind form.
#include <cmath>

#include "tests/runtime/values/values_support.h"

using valtest::mem;
using valtest::UfoPtr;

namespace {

class Compare : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Kiv$StackDepth(), 0) << "unbalanced string stack";
    EXPECT_EQ(Kiv$DStackDepth(), 0) << "unbalanced decimal stack";
  }
};

TEST(MeetingClass, FollowsTheRulesInOrder) {
  struct Row {
    int32_t a, b, meet;
  } rows[] = {
      {18, 18, 18}, {18, 29, 18}, {20, 18, 18}, {18, 27, 18}, {18, 6, 10},  {6, 6, 6},
      {6, 9, 9},    {9, 18, 9},   {6, 10, 10},  {10, 10, 10}, {29, 29, 10}, {19, 20, 10},
  };
  for (const Row& r : rows)
    EXPECT_EQ(kiv::core::meetingClass(r.a, r.b), r.meet) << r.a << " with " << r.b;
}

TEST_F(Compare, LongAgainstEachKind) {
  int32_t five = 5;
  char five_space[2] = {'5', ' '};
  char six[1] = {'6'};
  double real = 5.0000000001;
  uint8_t dec[2] = {0x00, 0x05};  // DECIMAL(3,0) holding 5
  auto l = mem(&five, KIV_LONG);
  auto s5 = mem(five_space, KIV_STRING, 2);
  auto s6 = mem(six, KIV_STRING, 1);
  auto r = mem(&real, KIV_REAL);
  auto d = mem(dec, KIV_DECIMAL, 2, 0);

  EXPECT_EQ(Kiv$Ufodistinct(l.get(), s5.get()), 0);  // as integers
  EXPECT_EQ(Kiv$Ufodistinct(l.get(), s6.get()), -1);
  EXPECT_EQ(Kiv$Ufodistinct(l.get(), r.get()), -1);  // as reals
  EXPECT_EQ(Kiv$Ufodistinct(l.get(), d.get()), 0);   // as decimals
  EXPECT_EQ(l->CompareLong(4), 1);
  EXPECT_EQ(l->CompareLong(5), 0);
}

TEST_F(Compare, StringAgainstEachKind) {
  char abc[6] = {'a', 'b', 'c', ' ', ' ', ' '};
  char abc2[3] = {'a', 'b', 'c'};
  char ten[2] = {'1', '0'};
  char nine[1] = {'9'};
  int32_t nineLong = 9;
  double nineAndHalf = 9.5;
  auto a = mem(abc, KIV_STRING, 6);
  auto b = mem(abc2, KIV_STRING, 3);
  auto t = mem(ten, KIV_STRING, 2);
  auto n = mem(nine, KIV_STRING, 1);
  auto nl = mem(&nineLong, KIV_LONG);
  auto nr = mem(&nineAndHalf, KIV_REAL);

  EXPECT_EQ(Kiv$Ufodistinct(a.get(), b.get()), 0);   // trailing spaces never count
  EXPECT_EQ(Kiv$Ufodistinct(t.get(), n.get()), -1);  // as strings: "10" < "9"
  EXPECT_EQ(Kiv$Ufodistinct(t.get(), nl.get()), 1);  // as reals: 10 > 9
  EXPECT_EQ(Kiv$Ufodistinct(t.get(), nr.get()), 1);
  EXPECT_EQ(Kiv$Ufodistinct(nr.get(), t.get()), -1);
}

TEST_F(Compare, DecimalAgainstEachKind) {
  uint8_t dec[3] = {0x00, 0x10, 0x50};  // DECIMAL(5,2) holding 10.50
  char text[4] = {'1', '0', '.', '5'};
  char nine[1] = {'9'};
  int32_t ten = 10;
  double real = 10.5;
  auto d = mem(dec, KIV_DECIMAL, 3, 2);
  auto s = mem(text, KIV_STRING, 4);
  auto s9 = mem(nine, KIV_STRING, 1);
  auto l = mem(&ten, KIV_LONG);
  auto r = mem(&real, KIV_REAL);
  EXPECT_EQ(Kiv$Ufodistinct(d.get(), l.get()), 1);
  EXPECT_EQ(Kiv$Ufodistinct(d.get(), r.get()), 0);
  EXPECT_EQ(Kiv$Ufodistinct(d.get(), s.get()), 0);    // "10.5" as strings
  EXPECT_EQ(Kiv$Ufodistinct(d.get(), s9.get()), -1);  // "10.5" < "9" as strings
}

TEST_F(Compare, RealsEqualWhenTheyDifferOnlyInTheLastMantissaBits) {
  double a = 1234.5678;
  uint64_t bits;
  std::memcpy(&bits, &a, 8);
  bits ^= 3;  // the last two mantissa bits
  double b;
  std::memcpy(&b, &bits, 8);
  ASSERT_NE(a, b);
  auto ua = mem(&a, KIV_REAL);
  auto ub = mem(&b, KIV_REAL);
  EXPECT_EQ(Kiv$Ufodistinct(ua.get(), ub.get()), 0);
  EXPECT_EQ(Kiv$UfoRealDiff(ua.get(), b), 0);
  EXPECT_EQ(Kiv$UfoRealDiff(ua.get(), 1234.568), -1);
  EXPECT_EQ(Kiv$UfoRealDiff(ua.get(), 1234.567), 1);
}

TEST_F(Compare, CaseBlindOnlyWhenBothAreStrings) {
  char upper[3] = {'A', 'B', 'C'};
  char lower[3] = {'a', 'b', 'c'};
  auto u = mem(upper, KIV_STRING, 3);
  auto l = mem(lower, KIV_STRING, 3);
  EXPECT_EQ(Kiv$Ufodistincti(u.get(), l.get()), 0);
  EXPECT_NE(Kiv$Ufodistinct(u.get(), l.get()), 0);
  int32_t one = 1, two = 2;
  auto a = mem(&one, KIV_LONG);
  auto b = mem(&two, KIV_LONG);
  EXPECT_EQ(Kiv$Ufodistincti(a.get(), b.get()), -1);
}

TEST_F(Compare, BlankMeansZeroOrSpaces) {
  char spaces[4] = {' ', ' ', ' ', ' '};
  char nul[4] = {0, 0, 0, 0};
  char word[4] = {' ', 'x', ' ', ' '};
  double tiny = 1e-320;  // subnormal: equal to 0.0 under the real comparison
  double half = 0.5;
  int32_t zero = 0;
  char cstr[4] = {0, 'a', 'b', 0};
  EXPECT_EQ(Kiv$UfoComparen(mem(spaces, KIV_STRING, 4).get()), 0);
  EXPECT_EQ(Kiv$UfoComparen(mem(nul, KIV_STRING, 4).get()), 1);
  EXPECT_EQ(Kiv$UfoComparen(mem(word, KIV_STRING, 4).get()), 1);
  EXPECT_EQ(Kiv$UfoComparen(mem(&tiny, KIV_REAL).get()), 0);
  EXPECT_EQ(Kiv$UfoComparen(mem(&half, KIV_REAL).get()), 1);
  EXPECT_EQ(Kiv$UfoComparen(mem(&zero, KIV_LONG).get()), 0);
  EXPECT_EQ(Kiv$UfoComparen(mem(cstr, KIV_CSTRING, 4).get()), 0);
  EXPECT_EQ(Kiv$UfoComparen(nullptr), 0);
}

// A value of a kind the LONG and DECIMAL families have no rule for.
class OddKind : public ValueUfo {
 public:
  int32_t Kind() override { return 27; }
};

TEST(CompareDeathTest, AKindWithoutARuleIsAProgramFault) {
  int32_t v = 1;
  auto l = mem(&v, KIV_LONG);
  OddKind odd;
  EXPECT_EXIT(l->Compare(odd), testing::ExitedWithCode(2), "No return value from function");
}

}  // namespace
