// Register addition and subtraction against a digit-by-digit reference, over operands whose
// digits start and end at every cell: the word loops take only the words either operand uses, so
// carries into an unused word, results that cancel a whole word, sign changes and the overflow
// beyond the top cell all need checking.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "runtime/core/decimal_register.h"

namespace {

using kiv::core::DecimalRegister;
using kiv::core::kDecimalCells;
using kiv::core::kUnitCell;

// Sign and magnitude, cell by cell, with the bounds and the positive zero a result must have.
DecimalRegister referenceSum(const DecimalRegister& a, const DecimalRegister& b, bool negateB) {
  const int bSign = b.sign ^ (negateB ? 1 : 0);
  DecimalRegister r{};
  if (a.sign == bSign) {
    int carry = 0;
    for (int i = 0; i < kDecimalCells; ++i) {
      int d = a.cell[i] + b.cell[i] + carry;
      r.cell[i] = uint8_t(d % 10);
      carry = d / 10;
    }
    r.sign = a.sign;
  } else {
    int order = 0;
    for (int i = kDecimalCells - 1; i >= 0 && order == 0; --i)
      order = a.cell[i] == b.cell[i] ? 0 : (a.cell[i] > b.cell[i] ? 1 : -1);
    const DecimalRegister& larger = order >= 0 ? a : b;
    const DecimalRegister& smaller = order >= 0 ? b : a;
    int borrow = 0;
    for (int i = 0; i < kDecimalCells; ++i) {
      int d = larger.cell[i] - smaller.cell[i] - borrow;
      borrow = d < 0;
      r.cell[i] = uint8_t(d + 10 * borrow);
    }
    r.sign = uint8_t(order >= 0 ? a.sign : bSign);
  }
  int low = kDecimalCells, high = -1;
  for (int i = 0; i < kDecimalCells; ++i) {
    if (r.cell[i] == 0) continue;
    low = std::min(low, i);
    high = i;
  }
  if (high < 0) {
    r.sign = 0;
    low = high = kUnitCell;
  }
  r.low = uint8_t(low);
  r.high = uint8_t(high);
  return r;
}

std::string describe(const DecimalRegister& r) {
  return kiv::core::toText(r) + " [" + std::to_string(r.low) + ".." + std::to_string(r.high) + "]";
}

// Digits in cells low..high drawn from one of a few patterns.
DecimalRegister randomRegister(std::mt19937& random) {
  DecimalRegister r;
  kiv::core::setZero(r);
  int low = int(random() % kDecimalCells);
  int high = low + int(random() % (kDecimalCells - low));
  int pattern = int(random() % 4);
  for (int i = low; i <= high; ++i) {
    switch (pattern) {
      case 0:
        r.cell[i] = uint8_t(random() % 10);
        break;
      case 1:
        r.cell[i] = 9;
        break;
      case 2:
        r.cell[i] = i == low || i == high ? uint8_t(1 + random() % 9) : 0;
        break;
      default:
        r.cell[i] = uint8_t(random() % 2 ? 9 : random() % 10);
    }
  }
  kiv::core::normalise(r);
  if (!kiv::core::isZero(r)) r.sign = uint8_t(random() % 2);
  return r;
}

bool sameRegister(const DecimalRegister& x, const DecimalRegister& y) {
  return std::equal(x.cell, x.cell + kDecimalCells, y.cell) && x.sign == y.sign && x.low == y.low &&
         x.high == y.high;
}

TEST(DecimalRegisterSum, AddAndSubtractMatchTheDigitByDigitSum) {
  std::mt19937 random(2024);
  for (int n = 0; n < 60000; ++n) {
    DecimalRegister a = randomRegister(random);
    DecimalRegister b = randomRegister(random);
    switch (n % 5) {
      case 0:  // equal magnitudes: the result is zero or twice a
        b = a;
        b.sign = kiv::core::isZero(a) ? 0 : uint8_t(random() % 2);
        break;
      case 1:  // the same high words, a difference only in the low cells
        b = a;
        b.cell[b.low] = uint8_t((b.cell[b.low] + 1 + random() % 8) % 10);
        kiv::core::normalise(b);
        if (!kiv::core::isZero(b)) b.sign = uint8_t(random() % 2);
        break;
      default:
        break;
    }
    for (bool subtracting : {false, true}) {
      DecimalRegister r = a;
      if (subtracting)
        kiv::core::subtract(r, b);
      else
        kiv::core::add(r, b);
      DecimalRegister expected = referenceSum(a, b, subtracting);
      ASSERT_TRUE(sameRegister(r, expected))
          << describe(a) << (subtracting ? " - " : " + ") << describe(b) << " gave " << describe(r)
          << ", expected " << describe(expected);
    }
  }
}

TEST(DecimalRegisterSum, NamedCases) {
  struct Row {
    const char* a;
    const char* b;
    bool subtracting;
    const char* expected;
  };
  const Row rows[] = {
      {"0.99999999", "0.00000001", false, "1"},               // a carry through a whole word
      {"99999999999999999999999999999999", "1", false, "0"},  // beyond the top cell
      {"-0.5", "0.5", false, "0"},                            // zero is positive
      {"0.5", "0.5", true, "0"},
      {"1", "100000000.5", true, "-99999999.5"},  // the sign follows the larger magnitude
      {"-100000000", "-99999999.99999999", true, "-0.00000001"},
      {"12345678.87654321", "12345678.87654320", true, "0.00000001"},
      {"0.00000000000000000000000000000001", "1", false, "1.00000000000000000000000000000001"},
  };
  for (const Row& row : rows) {
    DecimalRegister a, b;
    kiv::core::fromText(a, row.a, std::char_traits<char>::length(row.a));
    kiv::core::fromText(b, row.b, std::char_traits<char>::length(row.b));
    if (row.subtracting)
      kiv::core::subtract(a, b);
    else
      kiv::core::add(a, b);
    EXPECT_EQ(kiv::core::toText(a), row.expected)
        << row.a << (row.subtracting ? " - " : " + ") << row.b;
  }
}

}  // namespace
