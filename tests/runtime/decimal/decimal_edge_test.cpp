// Edge cases of the decimal stack: each row pushes operands, runs one operation and checks the
// text of the result.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/decimal_stack.h"
#include "runtime/core/string_stack.h"

namespace {

std::string popText() {
  Kiv$DStack2Stack();
  return kiv::core::popText();
}

std::string binaryOp(const char* a, const char* b, void (*op)()) {
  Kiv$DPushCString(a);
  Kiv$DPushCString(b);
  op();
  return popText();
}

struct BinaryRow {
  const char* a;
  const char* b;
  void (*op)();
  const char* expected;
};

class DecimalEdge : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(Kiv$DStackDepth(), 0); }
};

TEST_F(DecimalEdge, BinaryOperations) {
  const BinaryRow rows[] = {
      {"1", "3", Kiv$DecDivide, "0.3333333333333333333333333333333"},
      {"2", "3", Kiv$DecDivide, "0.6666666666666666666666666666667"},
      {"-2", "3", Kiv$DecDivide, "-0.6666666666666666666666666666667"},
      {"3", "1", Kiv$DecDivideR, "0.3333333333333333333333333333333"},
      {"12.5", "0", Kiv$DecDivide, "0"},
      {"-7", "0", Kiv$DecDivide, "0"},
      {"0", "0", Kiv$DecDivide, "0"},
      {"123.456", "0.01", Kiv$DecDivide, "12345.6"},
      {"123.456", "1000", Kiv$DecDivide, "0.123456"},
      {"1", "8", Kiv$DecDivide, "0.125"},
      {"2.5", "1", Kiv$DRound, "3"},
      {"-2.5", "1", Kiv$DRound, "-3"},
      {"2.345", "0.01", Kiv$DRound, "2.35"},
      {"2.344", "0.05", Kiv$DRound, "2.34"},
      {"1234.5", "5", Kiv$DRound, "1235"},
      {"1249.99", "100", Kiv$DRound, "1200"},
      {"1250", "100", Kiv$DRound, "1300"},
      {"0.004", "0.01", Kiv$DRound, "0"},
      {"-0.004", "0.01", Kiv$DRound, "0"},
      {"0.005", "0.01", Kiv$DRound, "0.01"},
      {"9.996", "0.01", Kiv$DRound, "10"},
      {"7.25", "0", Kiv$DRound, "7"},
      {"1.1", "2.2", Kiv$DecAdd, "3.3"},
      {"1.1", "-2.2", Kiv$DecAdd, "-1.1"},
      {"-1.1", "1.1", Kiv$DecAdd, "0"},
      {"5", "7", Kiv$DecSub, "-2"},
      {"5", "7", Kiv$DecSubR, "2"},
      {"5", "5", Kiv$DecSubR, "0"},
      {"0.00000000000000000000000000000001", "1000", Kiv$DecSub,
       "-999.99999999999999999999999999999999"},
      {"99999999999999999999999999999999", "1", Kiv$DecAdd, "0"},
      {"99999999999999999999999999999999", "2.5", Kiv$DecAdd, "1.5"},
      {"1.5", "-2", Kiv$DecMul, "-3"},
      {"-1.5", "-0.2", Kiv$DecMul, "0.3"},
      {"0.0000000000000001", "0.0000000000000001", Kiv$DecMul,
       "0.00000000000000000000000000000001"},
      {"0.0000000000000001", "0.00000000000000001", Kiv$DecMul, "0"},
      {"10000000000000000", "10000000000000000", Kiv$DecMul, "0"},
      {"10000000000000000", "1234567890123456.7", Kiv$DecMul, "12345678901234567000000000000000"},
      {"10000000000000000000000000000000", "1", Kiv$DecMul, "10000000000000000000000000000000"},
      {"99999999999999999999999999999999", "1", Kiv$DecMul, "99999999999999999999999999999999"},
  };
  for (const BinaryRow& row : rows)
    EXPECT_EQ(binaryOp(row.a, row.b, row.op), row.expected) << row.a << " , " << row.b;
}

std::vector<uint8_t> popField(const char* value, uint32_t size, uint32_t places, bool packed) {
  std::vector<uint8_t> field(size);
  Kiv$DPushCString(value);
  (packed ? Kiv$DPopPdec : Kiv$DPopDec)(field.data(), size, places);
  return field;
}

TEST_F(DecimalEdge, StoringIntoDecimalFields) {
  struct Row {
    const char* value;
    uint32_t size, places;
    bool packed;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {"2.345", 2, 2, false, {0x02, 0x35}},
      {"-2.345", 2, 2, false, {0xF2, 0x35}},
      {"1234", 2, 0, false, {0x02, 0x34}},
      {"-1234", 2, 0, false, {0xF2, 0x34}},
      {"2.345", 2, 2, true, {0x23, 0x5F}},
      {"-2.345", 2, 2, true, {0x23, 0x5D}},
      {"1234", 2, 0, true, {0x23, 0x4F}},
      {"0", 3, 2, false, {0x00, 0x00, 0x00}},
      {"0", 3, 2, true, {0x00, 0x00, 0x0F}},
      {"-0.004", 3, 2, false, {0x00, 0x00, 0x00}},
      {"-0.004", 3, 2, true, {0x00, 0x00, 0x0F}},
      {"99.995", 3, 2, false, {0x01, 0x00, 0x00}},
      {"123456789012345.6789",
       8,
       2,
       false,
       {0x03, 0x45, 0x67, 0x89, 0x01, 0x23, 0x45, 0x68}},  // low 15 of 17 digits
      {"0.5", 1, 0, false, {0x01}},
      {"0.49", 1, 0, false, {0x00}},
      {"7", 1, 0, true, {0x7F}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(popField(row.value, row.size, row.places, row.packed), row.bytes)
        << row.value << " into " << row.size << "," << row.places << (row.packed ? " packed" : "");
}

TEST_F(DecimalEdge, LoadingDecimalFields) {
  struct Row {
    std::vector<uint8_t> bytes;
    uint32_t places;
    bool packed;
    const char* expected;
  } rows[] = {
      {{0x12, 0x34}, 1, false, "-23.4"},  // any sign nibble but 0 reads as negative
      {{0x02, 0x34}, 1, false, "23.4"},  {{0x80, 0x01}, 3, false, "-0.001"},
      {{0xF0, 0x00}, 0, false, "0"},     {{0x12, 0x3D}, 0, true, "-123"},
      {{0x12, 0x3C}, 0, true, "123"},    {{0x12, 0x30}, 3, true, "0.123"},
      {{0xAB, 0xCF}, 0, true, "999"},  // nibbles above 9 read as 9
  };
  for (const Row& row : rows) {
    (row.packed ? Kiv$DPushPdec : Kiv$DPushDec)(row.bytes.data(), uint32_t(row.bytes.size()),
                                                row.places);
    EXPECT_EQ(popText(), row.expected);
  }
}

// Fields larger than the register, or with more places than cells, read and write only the
// cells that exist; a field of size 0 is never touched.
TEST_F(DecimalEdge, FieldsBeyondTheRegister) {
  std::vector<uint8_t> wide(40, 0x11);  // 79 digits of 1, 40 of them fraction digits
  wide[0] = 0x01;
  Kiv$DPushDec(wide.data(), 40, 40);
  EXPECT_EQ(popText(), std::string(32, '1') + "." + std::string(32, '1'));
  Kiv$DPushCString("-12.5");
  std::vector<uint8_t> out(40, 0xEE);
  Kiv$DPopDec(out.data(), 40, 40);
  std::vector<uint8_t> expected(40, 0x00);
  expected[0] = 0xF0;
  expected[19] = 0x12;
  expected[20] = 0x50;
  EXPECT_EQ(out, expected);
  uint8_t untouched = 0x77;
  Kiv$DPushLong(5);
  Kiv$DPopDec(&untouched, 0, 0);
  EXPECT_EQ(untouched, 0x77);
  Kiv$DPushPdec(&untouched, 0, 0);
  EXPECT_EQ(popText(), "0");
  Kiv$DPushConstant(nullptr, 5, 0, 1);
  EXPECT_EQ(popText(), "0");
  const uint8_t digits[] = {5, 2, 1};
  Kiv$DPushConstant(digits, 3, 1, 1);
  EXPECT_EQ(popText(), "-12.5");
  Kiv$DPushConstant(digits, 3, 34, 0);  // only the 10^-32 digit is left: 1
  EXPECT_EQ(popText(), "0.00000000000000000000000000000001");
}

TEST_F(DecimalEdge, ClearingDecimalFields) {
  struct Row {
    uint32_t size;
    int32_t type, sign;
    std::vector<uint8_t> bytes;
    const char* value;
  } rows[] = {
      {3, KIV_DECIMAL, 1, {0x09, 0x99, 0x99}, "99999"},
      {3, KIV_DECIMAL, -1, {0x89, 0x99, 0x99}, "-99999"},
      {3, KIV_DECIMAL, 0, {0x00, 0x00, 0x00}, "0"},
      {3, KIV_PDECIMAL, 1, {0x99, 0x99, 0x9F}, "99999"},
      {3, KIV_PDECIMAL, -1, {0x99, 0x99, 0x9D}, "-99999"},
      {3, KIV_PDECIMAL, 0, {0x00, 0x00, 0x00}, "0"},
  };
  for (const Row& row : rows) {
    std::vector<uint8_t> field(row.size, 0x55);
    Kiv$ClearDec(field.data(), row.size, row.type, row.sign);
    EXPECT_EQ(field, row.bytes);
    (row.type == KIV_PDECIMAL ? Kiv$DPushPdec : Kiv$DPushDec)(field.data(), row.size, 0);
    EXPECT_EQ(popText(), row.value);
  }
}

TEST_F(DecimalEdge, TextIntoTheStack) {
  struct Row {
    const char* text;
    const char* value;
  } rows[] = {
      {"1.5e2", "150"},
      {"1e2", "1"},
      {"+5", "0"},
      {"  -12.50xyz", "-12.5"},
      {"1.e3", "1000"},
      {".5E1", "5"},
      {"2.5e-2", "0.025"},
      {"1.0e-", "1"},
      {"--3", "0"},
      {"- 3", "0"},
      {"", "0"},
      {"abc", "0"},
      {"-0", "0"},
      {"0.50", "0.5"},
      {"007", "7"},
      {"1.5e300", "0"},  // 300 wraps to 44 in 8 bits; 10^44 overflows to 0
      // Beyond 32 digits: the integer part keeps its low 32 digits, the fraction its first 32.
      {"123456789012345678901234567890123456", "56789012345678901234567890123456"},
      {"0.123456789012345678901234567890123456", "0.12345678901234567890123456789012"},
  };
  for (const Row& row : rows) {
    Kiv$DPushCString(row.text);
    EXPECT_EQ(popText(), row.value) << row.text;
  }
  Kiv$DPushCString(nullptr);
  EXPECT_EQ(popText(), "0");
}

TEST_F(DecimalEdge, StringStackToDecimals) {
  // Only the first 99 characters of a string are read.
  std::string longText = std::string(98, ' ') + "75";
  kiv::core::pushCopy(longText);
  Kiv$Stack2DStack();
  EXPECT_EQ(popText(), "7");
  Kiv$PushString("  -42.9 ", 8);
  EXPECT_EQ(Kiv$PopLong(), -42);
  Kiv$PushString("4294967297", 10);
  EXPECT_EQ(Kiv$PopLong(), 1);
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(DecimalEdge, IntegerAndRealConversions) {
  struct Row {
    const char* text;
    int32_t asLong;
    uint32_t asUlong;
  } rows[] = {
      {"-7.9", -7, 7},
      {"7.9", 7, 7},
      {"2147483648", INT32_MIN, 2147483648u},
      {"-2147483648", INT32_MIN, 2147483648u},
      {"4294967296.5", 0, 0},
      {"-4294967295", 1, 4294967295u},
      {"0.999", 0, 0},
  };
  for (const Row& row : rows) {
    Kiv$DPushCString(row.text);
    EXPECT_EQ(Kiv$DPopLong(), row.asLong) << row.text;
    Kiv$DPushCString(row.text);
    EXPECT_EQ(Kiv$DPopUlong(), row.asUlong) << row.text;
  }
  const int32_t longs[] = {0, 1, -1, 10, -100, INT32_MAX, INT32_MIN};
  for (int32_t v : longs) {
    Kiv$DPushLong(v);
    EXPECT_EQ(popText(), std::to_string(v));
  }
  Kiv$DPushULong(4294967295u);
  EXPECT_EQ(popText(), "4294967295");

  struct RealRow {
    double value;
    const char* text;
  } reals[] = {
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {1.0 / 3.0, "0.3333333333333333"},
      {123456789.123456789, "123456789.1234568"},
      {1e-32, "0.00000000000000000000000000000001"},
      {9e-33, "0"},
      {1e31, "10000000000000000000000000000000"},
      {1.5e32, "50000000000000000000000000000000"},
      {0.0, "0"},
      {-0.0, "0"},
      {INFINITY, "0"},
      {NAN, "0"},
  };
  for (const RealRow& row : reals) {
    Kiv$DPushReal(row.value);
    EXPECT_EQ(popText(), row.text) << row.value;
  }
  const char* exactTexts[] = {"0.1", "-2.5", "123.456", "0.01", "1234567890123456", "1e0"};
  const double exactValues[] = {0.1, -2.5, 123.456, 0.01, 1234567890123456.0, 1.0};
  for (int i = 0; i < 5; ++i) {
    Kiv$DPushCString(exactTexts[i]);
    EXPECT_EQ(Kiv$DPopReal(), exactValues[i]) << exactTexts[i];
  }
  // Only the 16 leading digits count.
  Kiv$DPushCString("1234567890123456789");
  EXPECT_EQ(Kiv$DPopReal(), 1234567890123456000.0);
}

TEST_F(DecimalEdge, UnaryOperationsAndComparison) {
  Kiv$DPushCString("-12.75");
  Kiv$DInt();
  EXPECT_EQ(popText(), "-12");
  Kiv$DPushCString("-0.75");
  Kiv$DInt();
  EXPECT_EQ(popText(), "0");
  Kiv$DPushCString("-3.5");
  Kiv$DAbs();
  EXPECT_EQ(popText(), "3.5");
  Kiv$DPushCString("3.5");
  Kiv$DNegate();
  EXPECT_EQ(popText(), "-3.5");
  Kiv$DPushLong(0);
  Kiv$DNegate();
  EXPECT_EQ(popText(), "0");
  Kiv$DPushLong(1);
  Kiv$DPushLong(2);
  Kiv$DSwap();
  EXPECT_EQ(popText(), "1");
  EXPECT_EQ(popText(), "2");

  Kiv$DPushCString("0.000");
  EXPECT_EQ(Kiv$DecCompareN(), 0);
  Kiv$DPushCString("-0.00000000000000000000000000000001");
  EXPECT_EQ(Kiv$DecCompareN(), 1);
  Kiv$DPushCString("2");
  Kiv$DPushCString("10");
  EXPECT_EQ(Kiv$DecDistinct(), -1);
  Kiv$DPushCString("2");
  Kiv$DPushCString("10");
  EXPECT_EQ(Kiv$DecDistinctR(), 1);
  Kiv$DPushCString("-2");
  Kiv$DPushCString("-10");
  EXPECT_EQ(Kiv$DecDistinct(), 1);
  Kiv$DPushCString("1.50");
  Kiv$DPushCString("1.5");
  EXPECT_EQ(Kiv$DecDistinct(), 0);
}

TEST_F(DecimalEdge, Powers) {
  struct Row {
    const char* base;
    int32_t n;
    const char* expected;
  } rows[] = {
      {"2", 10, "1024"},
      {"-2", 3, "-8"},
      {"-2", 4, "16"},
      {"1.5", 2, "2.25"},
      {"7", 0, "1"},
      {"0", 0, "1"},
      {"10", -2, "0.01"},
      {"3", -1, "0.3333333333333333333333333333333"},
      {"0", -3, "0"},
      {"10", 32, "0"},
      {"0.1", 32, "0.00000000000000000000000000000001"},
      {"0.1", 33, "0"},
      {"-1", INT32_MIN, "1"},
  };
  for (const Row& row : rows) {
    Kiv$DPushCString(row.base);
    Kiv$Dlongpower(row.n);
    EXPECT_EQ(popText(), row.expected) << row.base << "^" << row.n;
  }
  Kiv$DPushCString("-1");
  Kiv$Dulongpower(4294967295u);
  EXPECT_EQ(popText(), "-1");
}

TEST(RealOperations, DivisionRoundingAndConversions) {
  EXPECT_EQ(Kiv$divide(7.0, 2.0), 3.5);
  EXPECT_EQ(Kiv$divide(7.0, 0.0), 0.0);
  EXPECT_EQ(Kiv$divide(7.0, 1e-300), 0.0);  // equal to 0.0 under the real comparison
  EXPECT_EQ(Kiv$divide(7.0, 1e-10), 7e10);

  EXPECT_DOUBLE_EQ(Kiv$ROUND(2.346, 0.01), 2.35);
  EXPECT_DOUBLE_EQ(Kiv$ROUND(-2.346, 0.01), -2.35);
  EXPECT_DOUBLE_EQ(Kiv$ROUND(2.36, 0.05), 2.4);  // tenths, unlike the decimal DRound
  EXPECT_DOUBLE_EQ(Kiv$ROUND(1234.5, 5), 1235);
  EXPECT_DOUBLE_EQ(Kiv$ROUND(1249.0, 100), 1200);
  EXPECT_DOUBLE_EQ(Kiv$ROUND(0.0005, 0.001), 0.001);
  EXPECT_EQ(Kiv$ROUND(0.0, 0.01), 0.0);
  EXPECT_EQ(Kiv$ROUND(5.5, 0.0), 0.0);
  EXPECT_EQ(Kiv$ROUND(5.55, -1.0), 5.55);

  EXPECT_EQ(Kiv$INT(-2.7), -2.0);
  EXPECT_EQ(Kiv$INT(2.7), 2.0);
  EXPECT_EQ(Kiv$modulus(7.5, 2.0), 1.5);
  EXPECT_EQ(Kiv$modulus(-7.5, 2.0), -1.5);
  EXPECT_EQ(Kiv$longpower(2.0, 10), 1024.0);
  EXPECT_EQ(Kiv$longpower(2.0, -2), 0.25);
  EXPECT_EQ(Kiv$realpower(9.0, 0.5), 3.0);

  EXPECT_EQ(Kiv$lroundd(2.9999999999999996), 3);
  EXPECT_EQ(Kiv$lroundd(2.5), 2);
  EXPECT_EQ(Kiv$lroundd(-2.5), -2);
  EXPECT_EQ(Kiv$lroundd(-2.9999999999999996), -3);
  EXPECT_EQ(Kiv$lroundd(4294967298.0), 2);
  EXPECT_EQ(Kiv$lroundd(1e300), INT32_MIN);
  EXPECT_EQ(Kiv$uroundd(2.9999999999999996), 3u);
  EXPECT_EQ(Kiv$uroundd(4294967295.0), 4294967295u);
  EXPECT_EQ(Kiv$uroundd(4294967296.0), 0u);

  EXPECT_EQ(Kiv$realdistinct(1.0, 2.0), -1);
  EXPECT_EQ(Kiv$realdistinct(2.0, 1.0), 1);
  EXPECT_EQ(Kiv$realdistinct(0.1 + 0.2, 0.3), 0);  // differ in the last bits only
  EXPECT_EQ(Kiv$realdistinct(1.0, 1.0 + 1e-14), -1);
  EXPECT_EQ(Kiv$realdistinct(0.0, 1e-300), 0);
  EXPECT_EQ(Kiv$realdistinct(0.0, 1e-10), -1);
}

// Misuse of the stack is a runtime error that ends the program; nothing is written outside it.
TEST(DecimalMisuseDeathTest, OverflowAndUnderflowAreRuntimeErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        for (int i = 0; i < 11; ++i) Kiv$DPushLong(i);
      },
      ::testing::ExitedWithCode(2), "Runtime error.*Decimal Stack Error");
  EXPECT_EXIT(Kiv$DecAdd(), ::testing::ExitedWithCode(2), "Runtime error.*Decimal Stack Error");
  EXPECT_EXIT(Kiv$DPopLong(), ::testing::ExitedWithCode(2), "Runtime error.*Decimal Stack Error");
  EXPECT_EXIT(Kiv$Stack2DStack(), ::testing::ExitedWithCode(2),
              "Runtime error.*String Stack Error");
}

TEST_F(DecimalEdge, TenEntriesFit) {
  for (int i = 0; i < 10; ++i) Kiv$DPushLong(i);
  EXPECT_EQ(Kiv$DStackDepth(), 10);
  for (int i = 0; i < 9; ++i) Kiv$DecAdd();
  EXPECT_EQ(popText(), "45");
}

}  // namespace
