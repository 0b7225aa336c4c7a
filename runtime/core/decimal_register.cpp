// The decimal register: normalisation, comparison, addition and subtraction, rounding and the
// conversions from and to LONG, REAL and text.
#include "runtime/core/decimal_register.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/core/decimal_digits.h"

namespace kiv::core {

using digits::load;
using digits::store;

void setZero(DecimalRegister& r) {
  std::memset(r.cell, 0, sizeof r.cell);
  r.sign = 0;
  r.low = r.high = kUnitCell;
}

bool isZero(const DecimalRegister& r) { return r.low == r.high && r.cell[r.low] == 0; }

namespace {

// Normalises a register whose non-zero cells all lie in the words first..last.
void normaliseWords(DecimalRegister& r, int first, int last) {
  int top = last;
  while (top >= first && load(r.cell + 8 * top) == 0) --top;
  if (top < first) {
    r.sign = 0;
    r.low = r.high = kUnitCell;
    return;
  }
  int bottom = first;
  while (load(r.cell + 8 * bottom) == 0) ++bottom;
  r.high = static_cast<uint8_t>(8 * top + (63 - __builtin_clzll(load(r.cell + 8 * top))) / 8);
  r.low = static_cast<uint8_t>(8 * bottom + __builtin_ctzll(load(r.cell + 8 * bottom)) / 8);
}

}  // namespace

void normalise(DecimalRegister& r) { normaliseWords(r, 0, 7); }

int compareMagnitude(const DecimalRegister& a, const DecimalRegister& b) {
  // Cells outside low..high are 0, so comparing whole words from the top compares digit by digit.
  int first = std::max(a.high, b.high) / 8;
  int last = std::min(a.low, b.low) / 8;
  for (int w = first; w >= last; --w) {
    uint64_t x = load(a.cell + 8 * w), y = load(b.cell + 8 * w);
    if (x != y) return x > y ? 1 : -1;
  }
  return 0;
}

int compare(const DecimalRegister& a, const DecimalRegister& b) {
  // Zero is always positive, so differing signs decide alone.
  if (a.sign != b.sign) return a.sign ? -1 : 1;
  int m = compareMagnitude(a, b);
  return a.sign ? -m : m;
}

namespace {

// Words of larger + other into second over first..last (Subtract: larger + nines' complement of
// other + 1, the carry out of the top dropped), then the sign and the bounds. A word's carry out
// is read from its top byte: the biased byte ends at or above 246 exactly when it did not carry.
template <bool Subtract>
void sumWords(DecimalRegister& second, const uint8_t* larger, const uint8_t* other, int first,
              int last, uint8_t sign) {
  constexpr uint64_t kNinesBiased = 9 * digits::kOnes + digits::kBias;
  uint64_t carry = Subtract ? 1 : 0;
  uint64_t top = 0;
#pragma GCC unroll 2
  for (int w = first; w <= last; ++w) {
    uint64_t y = load(other + 8 * w);
    y = Subtract ? kNinesBiased - y : y + digits::kBias;
    const uint64_t sum = load(larger + 8 * w) + y + carry;
    carry = (sum >> 63) ^ 1;
    top = digits::unbias(sum);
    store(second.cell + 8 * w, top);
  }
  second.sign = sign;
  // Mostly the lowest and highest words of the range both hold digits, and the bounds lie in them.
  const uint64_t bottom = load(second.cell + 8 * first);
  if (bottom != 0 && top != 0) {
    second.high = static_cast<uint8_t>(8 * last + (63 - __builtin_clzll(top)) / 8);
    second.low = static_cast<uint8_t>(8 * first + __builtin_ctzll(bottom) / 8);
  } else {
    normaliseWords(second, first, last);
  }
}

// second := second + top, top's sign taken as topSign. The sum runs over the words holding digits
// of either and the one above for a carry; a subtraction takes the smaller magnitude from the
// larger, so no second pass is needed for a result that changes sign.
void addSigned(DecimalRegister& second, const DecimalRegister& top, uint8_t topSign) {
  const int first = std::min(second.low, top.low) / 8;
  const int last = std::min(7, (std::max(second.high, top.high) + 1) / 8);
  if (second.sign == topSign) {
    sumWords<false>(second, second.cell, top.cell, first, last, second.sign);
    return;
  }
  // Words order like the digits they hold: the highest word that differs decides the larger.
  int w = last;
  while (w >= first && load(second.cell + 8 * w) == load(top.cell + 8 * w)) --w;
  if (w < first) {
    setZero(second);
  } else if (load(second.cell + 8 * w) > load(top.cell + 8 * w)) {
    sumWords<true>(second, second.cell, top.cell, first, last, second.sign);
  } else {
    sumWords<true>(second, top.cell, second.cell, first, last, topSign);
  }
}

}  // namespace

void add(DecimalRegister& second, const DecimalRegister& top) { addSigned(second, top, top.sign); }

void subtract(DecimalRegister& second, const DecimalRegister& top) {
  addSigned(second, top, top.sign ^ 1);
}

void roundToPlaces(DecimalRegister& r, int places) {
  int cut = kUnitCell - places;  // the new low
  if (cut <= r.low) return;
  if (cut > kDecimalCells) {
    setZero(r);
    return;
  }
  bool up = r.cell[cut - 1] >= 5;
  std::memset(r.cell + r.low, 0, std::min<int>(cut, r.high + 1) - r.low);
  for (int i = cut; up && i < kDecimalCells; ++i) {
    up = r.cell[i] == 9;
    r.cell[i] = up ? 0 : r.cell[i] + 1;
  }
  normalise(r);
}

void truncateFraction(DecimalRegister& r) {
  std::memset(r.cell, 0, kUnitCell);
  normalise(r);
}

void fromULong(DecimalRegister& r, uint32_t value) {
  setZero(r);
  for (int i = kUnitCell; value != 0; ++i, value /= 10) r.cell[i] = value % 10;
  normalise(r);
}

void fromLong(DecimalRegister& r, int32_t value) {
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  fromULong(r, magnitude);
  if (value < 0) r.sign = 1;
}

uint32_t toULong(const DecimalRegister& r) {
  uint32_t value = 0;
  for (int i = r.high; i >= kUnitCell; --i) value = value * 10 + r.cell[i];
  return value;
}

int32_t toLong(const DecimalRegister& r) {
  uint32_t value = toULong(r);
  return static_cast<int32_t>(r.sign ? 0u - value : value);
}

void fromReal(DecimalRegister& r, double value) {
  setZero(r);
  if (!std::isfinite(value) || value == 0.0) return;
  char text[32];  // d.ddddddddddddddde+ddd: 16 significant digits and the decimal exponent
  std::snprintf(text, sizeof text, "%.15e", std::fabs(value));
  int exponent = std::atoi(text + 18);
  const char* digitsText = text;
  int cell = kUnitCell + exponent;
  for (int k = 0; k < 17; ++k, --cell) {
    if (digitsText[k] == '.') {
      ++cell;
      continue;
    }
    if (cell >= 0 && cell < kDecimalCells) r.cell[cell] = static_cast<uint8_t>(digitsText[k] - '0');
  }
  normalise(r);
  if (!isZero(r)) r.sign = value < 0;
}

double toReal(const DecimalRegister& r) {
  static const double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  int bottom = std::max<int>(r.low, r.high - 15);
  double value = 0;
  for (int i = r.high; i >= bottom; --i) value = value * 10 + r.cell[i];
  int exponent = bottom - kUnitCell;
  for (; exponent > 15; exponent -= 16) value *= 1e16;
  for (; exponent < -15; exponent += 16) value /= 1e16;
  value = exponent >= 0 ? value * kPowers[exponent] : value / kPowers[-exponent];
  return r.sign ? -value : value;
}

void fromDigits(DecimalRegister& r, const uint8_t* digitList, uint32_t count, int32_t places,
                bool negative) {
  setZero(r);
  for (uint32_t k = 0; k < count; ++k) {
    int64_t cell = int64_t(kUnitCell) - places + k;
    if (cell < 0) continue;
    if (cell >= kDecimalCells) break;
    r.cell[cell] = std::min<uint8_t>(digitList[k], 9);
  }
  normalise(r);
  if (!isZero(r)) r.sign = negative;
}

void fromText(DecimalRegister& r, const char* text, size_t len) {
  size_t i = 0;
  auto at = [&](size_t k) { return k < len ? text[k] : '\0'; };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (at(i) == ' ') ++i;
  bool negative = false;
  if (at(i) == '-') negative = true, ++i;

  // Integer digits beyond 32 keep the low-order 32, as any integer overflow does; fraction digits
  // beyond 32 fall below the register and are dropped.
  uint8_t intDigits[kUnitCell];
  int intCount = 0;
  uint8_t fracDigits[kUnitCell];
  int fracCount = 0;
  for (; isDigit(at(i)); ++i) {
    if (intCount == kUnitCell) {
      std::memmove(intDigits, intDigits + 1, kUnitCell - 1);
      --intCount;
    }
    intDigits[intCount++] = static_cast<uint8_t>(at(i) - '0');
  }
  bool point = at(i) == '.';
  if (point) {
    for (++i; isDigit(at(i)); ++i)
      if (fracCount < kUnitCell) fracDigits[fracCount++] = static_cast<uint8_t>(at(i) - '0');
  }
  setZero(r);
  for (int k = 0; k < intCount; ++k) r.cell[kUnitCell + intCount - 1 - k] = intDigits[k];
  for (int k = 0; k < fracCount; ++k) r.cell[kUnitCell - 1 - k] = fracDigits[k];
  normalise(r);
  if (!isZero(r)) r.sign = negative;

  // The exponent is only read after a point; it accumulates in 8 bits.
  if (!point || (at(i) != 'e' && at(i) != 'E')) return;
  ++i;
  bool negativeExponent = at(i) == '-';
  if (negativeExponent) ++i;
  uint8_t exponent = 0;
  for (; isDigit(at(i)); ++i) exponent = static_cast<uint8_t>(exponent * 10 + (at(i) - '0'));
  if (exponent == 0) return;
  DecimalRegister scale;
  fromULong(scale, 10);
  raiseToPower(scale, negativeExponent ? -int32_t(exponent) : int32_t(exponent));
  multiply(r, scale);
}

std::string toText(const DecimalRegister& r) {
  std::string text;
  text.reserve(68);
  if (r.sign) text += '-';
  if (r.high < kUnitCell) text += '0';
  for (int i = r.high; i >= kUnitCell; --i) text += static_cast<char>('0' + r.cell[i]);
  if (r.low < kUnitCell) {
    text += '.';
    for (int i = kUnitCell - 1; i >= r.low; --i) text += static_cast<char>('0' + r.cell[i]);
  }
  return text;
}

}  // namespace kiv::core
