// Multiplication, long division and powers of decimal registers.
#include <algorithm>
#include <cstring>

#include "runtime/core/decimal_digits.h"
#include "runtime/core/decimal_register.h"

namespace kiv::core {

using digits::load;
using digits::store;

namespace {

// The multiples 1 to 9 of a digit string, each built the first time it is asked for and kept for
// the rest of the operation. Each multiple spans `words` words from `first`.
class Multiples {
 public:
  Multiples(const uint8_t* base, int first, int words) : first_(first), words_(words) {
    std::memcpy(table_[1], base, sizeof table_[1]);
  }
  const uint8_t* operator[](int d) {
    for (; built_ < d; ++built_) {
      std::memcpy(table_[built_ + 1], table_[built_], sizeof table_[0]);
      digits::addWords(table_[built_ + 1] + 8 * first_, table_[1] + 8 * first_, words_);
    }
    return table_[d];
  }

 private:
  alignas(8) uint8_t table_[10][72];  // cells 0..71: one cell above 63 takes 9 * the top digit
  int first_;
  int words_;
  int built_ = 1;
};

// Multiplies the digit string by a single digit f in place.
void scaleDigits(uint8_t* d, int count, int f) {
  int carry = 0;
  for (int i = 0; i < count; ++i) {
    int v = d[i] * f + carry;
    d[i] = static_cast<uint8_t>(v % 10);
    carry = v / 10;
  }
}

// Quotient digits q[0..m] of u (ulen digits) divided by v (n digits, n >= 2, top digit non-zero),
// by long division with trial quotients that are at most one too high once v's top digit is 5 or
// more. u must have room for 8 words past its last digit.
void longDivide(uint8_t* u, int ulen, uint8_t* v, int n, uint8_t* q) {
  if (v[n - 1] < 5) {
    int f = 10 / (v[n - 1] + 1);
    scaleDigits(u, ulen + 1, f);
    scaleDigits(v, n, f);
  }
  int words = (n + 1 + 7) / 8;
  Multiples multiples(v, 0, words);
  for (int j = ulen - n; j >= 0; --j) {
    int top2 = u[j + n] * 10 + u[j + n - 1];
    int qhat = top2 / v[n - 1];
    int rhat = top2 % v[n - 1];
    while (qhat >= 10 || qhat * v[n - 2] > 10 * rhat + u[j + n - 2]) {
      --qhat;
      rhat += v[n - 1];
      if (rhat >= 10) break;
    }
    if (qhat > 0 && digits::subWords(u + j, multiples[qhat], words)) {
      digits::addWords(u + j, multiples[1], words);
      --qhat;
    }
    q[j] = static_cast<uint8_t>(qhat);
  }
}

}  // namespace

namespace {

// The digit-by-digit multiples 1 to 9 of the multiplicand, four 16-bit lanes to a word, each
// built the first time a digit of the multiplier asks for it.
class LaneMultiples {
 public:
  LaneMultiples(const DecimalRegister& base) : first_(base.low) {
    std::memset(table_[1], 0, sizeof table_[1]);
    for (int i = base.low; i <= base.high; ++i) table_[1][i] = base.cell[i];
    words_ = (base.high - base.low) / 4 + 1;
  }
  const uint16_t* operator[](int d) {
    for (; built_ < d; ++built_) {
      std::memcpy(table_[built_ + 1], table_[built_], sizeof table_[0]);
      uint16_t* row = table_[built_ + 1] + first_;
      for (int w = 0; w < words_; ++w) {
        uint64_t x, y;
        std::memcpy(&x, row + 4 * w, 8);
        std::memcpy(&y, table_[1] + first_ + 4 * w, 8);
        x += y;
        std::memcpy(row + 4 * w, &x, 8);
      }
    }
    return table_[d];
  }
  int words() const { return words_; }

 private:
  alignas(8) uint16_t table_[10][kDecimalCells + 8];
  int first_;
  int words_;
  int built_ = 1;
};

}  // namespace

void multiply(DecimalRegister& second, const DecimalRegister& top) {
  if (isZero(second) || isZero(top) || second.low + top.low - kUnitCell >= kDecimalCells) {
    setZero(second);
    return;
  }
  // acc[k] gathers the digit products of the product's cell k - 32 before any carry (at most
  // 64 * 81 each, so 16 bits hold them). The cells below the register are kept for their
  // carries, so the product is truncated exactly at 10^-32; cells from 96 up are lost.
  constexpr int kKept = kDecimalCells + kUnitCell;
  alignas(8) uint16_t acc[kKept + 48] = {};
  LaneMultiples multiples(second);
  int first = second.low;
  // The multiplier's digits are taken four cells apart, so each partial product is added on the
  // same word grid as the one before it and its loads never straddle a store still in flight.
  for (int phase = 0; phase < 4; ++phase) {
    for (int j = top.low + phase; j <= top.high && j + first < kKept; j += 4) {
      int d = top.cell[j];
      if (d == 0) continue;
      const uint16_t* row = multiples[d] + first;
      uint16_t* at = acc + j + first;
      for (int w = 0; w < multiples.words(); ++w) {
        uint64_t x, y;
        std::memcpy(&x, at + 4 * w, 8);
        std::memcpy(&y, row + 4 * w, 8);
        x += y;
        std::memcpy(at + 4 * w, &x, 8);
      }
    }
  }
  // Carries, four cells at a time in base 10000.
  uint32_t carry = 0;
  for (int k = (first + top.low) & ~3; k < kKept; k += 4) {
    uint32_t v = acc[k] + 10u * acc[k + 1] + 100u * acc[k + 2] + 1000u * acc[k + 3] + carry;
    carry = v / 10000;
    uint32_t limb = v % 10000;
    if (k < kUnitCell) continue;
    uint8_t* cell = second.cell + k - kUnitCell;
    cell[0] = static_cast<uint8_t>(limb % 10);
    cell[1] = static_cast<uint8_t>(limb / 10 % 10);
    cell[2] = static_cast<uint8_t>(limb / 100 % 10);
    cell[3] = static_cast<uint8_t>(limb / 1000);
  }
  std::memset(second.cell, 0,
              std::min(kDecimalCells, std::max(0, ((first + top.low) & ~3) - kUnitCell)));
  second.sign ^= top.sign;
  normalise(second);
}

void divide(DecimalRegister& second, const DecimalRegister& top) {
  if (isZero(top) || isZero(second)) {
    setZero(second);
    return;
  }
  DecimalRegister divisor = top;
  if (divisor.high - divisor.low + 1 > kMaxDivisorDigits) {
    std::memset(divisor.cell, 0, divisor.high - kMaxDivisorDigits + 1);
    normalise(divisor);
  }
  uint8_t sign = second.sign ^ top.sign;
  // The dividend's cells move up by `shift`, so the quotient of the shifted dividend by the
  // divisor's digits (taken as an integer) has its cell k at weight 10^(k - 32).
  int shift = kUnitCell - divisor.low;
  int n = divisor.high - divisor.low + 1;
  alignas(8) uint8_t q[104] = {};
  if (n == 1 && divisor.cell[divisor.low] == 1) {
    for (int i = second.low; i <= second.high; ++i)
      if (i + shift >= 0 && i + shift < kDecimalCells) q[i + shift] = second.cell[i];
  } else {
    alignas(8) uint8_t u[192] = {};
    alignas(8) uint8_t v[72] = {};
    for (int i = second.low; i <= second.high; ++i)
      if (i + shift >= 0) u[i + shift] = second.cell[i];
    std::memcpy(v, divisor.cell + divisor.low, n);
    int ulen = second.high + shift + 1;
    if (ulen >= n) {
      if (n == 1) {
        int remainder = 0;
        for (int j = ulen - 1; j >= 0; --j) {
          int cur = remainder * 10 + u[j];
          q[j] = static_cast<uint8_t>(cur / v[0]);
          remainder = cur % v[0];
        }
      } else {
        longDivide(u, ulen, v, n, q);
      }
    }
  }
  std::memcpy(second.cell, q, kDecimalCells);
  normalise(second);
  if (!isZero(second)) second.sign = sign;
  roundToPlaces(second, kDivisionPlaces);
}

void raiseToUnsignedPower(DecimalRegister& r, uint32_t n) {
  DecimalRegister result;
  fromULong(result, 1);
  DecimalRegister base = r;
  while (n) {
    if (n & 1) multiply(result, base);
    n >>= 1;
    if (n) multiply(base, base);
  }
  r = result;
}

void raiseToPower(DecimalRegister& r, int32_t n) {
  if (n >= 0) {
    raiseToUnsignedPower(r, static_cast<uint32_t>(n));
    return;
  }
  raiseToUnsignedPower(r, 0u - static_cast<uint32_t>(n));
  DecimalRegister one;
  fromULong(one, 1);
  divide(one, r);
  r = one;
}

}  // namespace kiv::core
