// Edge cases of the decimal stack: each row pushes operands, runs one operation and checks the
// text of the result.
#include <gtest/gtest.h>

#include <string>

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
      {"0.0000000000000001", "0.0000000000000001", Kiv$DecMul, "0.00000000000000000000000000000001"},
      {"0.0000000000000001", "0.00000000000000001", Kiv$DecMul, "0"},
      {"10000000000000000", "10000000000000000", Kiv$DecMul, "0"},
      {"10000000000000000", "1234567890123456.7", Kiv$DecMul, "12345678901234567000000000000000"},
      {"10000000000000000000000000000000", "1", Kiv$DecMul, "10000000000000000000000000000000"},
      {"99999999999999999999999999999999", "1", Kiv$DecMul, "99999999999999999999999999999999"},
  };
  for (const BinaryRow& row : rows)
    EXPECT_EQ(binaryOp(row.a, row.b, row.op), row.expected) << row.a << " , " << row.b;
}

}  // namespace
