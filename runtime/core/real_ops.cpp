// The REAL operations: comparison with a tolerance of 50 binary places, division that gives 0 for
// a zero divisor, ROUND by a power of ten, INT, powers and the real-to-long rule.
#include "runtime/core/real_ops.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "include/kvrun32.h"

namespace kiv::core {
namespace {

constexpr int kToleranceBits = 50;

// The biased binary exponent field of a double.
int exponentOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return static_cast<int>((bits >> 52) & 0x7FF);
}

// An operand whose exponent field is 0 counts as having the exponent of 1.0.
int operandExponent(double x) {
  int e = exponentOf(x);
  return e == 0 ? exponentOf(1.0) : e;
}

// Truncation of a double to a 64-bit integer; values out of range give the lowest value, as the
// processor's conversion does.
int64_t truncated(double x) {
  if (!(std::fabs(x) < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(x);
}

// The value rounded to 14 significant digits.
double fourteenDigits(double x) {
  char text[40];
  std::snprintf(text, sizeof text, "%.13e", x);
  return std::strtod(text, nullptr);
}

}  // namespace

int32_t realCompare(double a, double b) {
  double d = b - a;
  int ed = exponentOf(d);
  if (ed == 0) return 0;
  if (ed + kToleranceBits < operandExponent(a) || ed + kToleranceBits < operandExponent(b))
    return 0;
  return a < b ? -1 : (a > b ? 1 : 0);
}

int32_t realToLong(double x) {
  int64_t t = truncated(x);
  if (t == INT64_MIN) return INT32_MIN;
  int64_t n = t >= 0 ? t + 1 : t - 1;
  int64_t result = realCompare(x, static_cast<double>(n)) == 0 ? n : t;
  return static_cast<int32_t>(static_cast<uint32_t>(result));
}

uint32_t realToULong(double x) {
  int64_t t = truncated(x);
  int64_t n = t + 1;
  int64_t result = realCompare(x, static_cast<double>(n)) == 0 ? n : t;
  return static_cast<uint32_t>(result);
}

}  // namespace kiv::core

using namespace kiv::core;

extern "C" {

double Kiv$divide(double a, double b) { return realCompare(b, 0.0) == 0 ? 0.0 : a / b; }

double Kiv$ROUND(double x, double unit) {
  if (x == 0.0 || unit == 0.0) return 0.0;
  if (unit < 0.0) return x;
  double k = std::trunc(fourteenDigits(std::log10(unit)));
  double scale = std::pow(10.0, k);
  double shifted = x / scale;
  shifted += shifted > 0 ? 0.5 : -0.5;
  return std::trunc(shifted) * scale;
}

double Kiv$INT(double x) { return std::trunc(x); }

double Kiv$modulus(double a, double b) { return std::fmod(a, b); }

double Kiv$longpower(double x, int32_t n) { return std::pow(x, static_cast<double>(n)); }

double Kiv$realpower(double x, double y) { return std::pow(x, y); }

int32_t Kiv$lroundd(double x) { return realToLong(x); }

uint32_t Kiv$uroundd(double x) { return realToULong(x); }

int32_t Kiv$realdistinct(double a, double b) { return realCompare(a, b); }

}  // extern "C"
