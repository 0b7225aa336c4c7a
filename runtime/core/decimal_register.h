// One entry of the decimal stack and the exact arithmetic on it. A register holds a fixed-point
// number of 32 integer and 32 fraction digits, one digit per cell. Every function here leaves its
// result normalised: low and high bound the non-zero digits, every cell outside them is 0, and
// zero is the single cell 32 holding 0 with a positive sign. Keeping the cells outside low..high
// at 0 lets the digit loops run eight cells at a time on 64-bit words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kiv::core {

constexpr int kDecimalCells = 64;  // cells 0..63
constexpr int kUnitCell = 32;      // cell i weighs 10^(i - 32)
constexpr int kDivisionPlaces = 31;
constexpr int kMaxDivisorDigits = 59;

struct DecimalRegister {
  alignas(8) uint8_t cell[kDecimalCells];  // one digit 0-9 per cell, least significant first
  uint8_t sign;                            // 0 positive, 1 negative
  uint8_t low;                             // lowest cell in use
  uint8_t high;                            // highest cell in use
};

// Construction and inspection.
void setZero(DecimalRegister& r);
bool isZero(const DecimalRegister& r);
// Recomputes low and high from the cells (which must hold digits, 0 outside any old bounds) and
// makes zero positive.
void normalise(DecimalRegister& r);

// Magnitude comparison (signs ignored) and signed comparison: -1, 0 or 1.
int compareMagnitude(const DecimalRegister& a, const DecimalRegister& b);
int compare(const DecimalRegister& a, const DecimalRegister& b);

// second := second + top, or second - top. The integer part is kept modulo 10^32.
void add(DecimalRegister& second, const DecimalRegister& top);
void subtract(DecimalRegister& second, const DecimalRegister& top);
// second := second * top; product digits below 10^-32 are truncated, the integer part is kept
// modulo 10^32.
void multiply(DecimalRegister& second, const DecimalRegister& top);
// second := second / top rounded to 31 places; a zero divisor gives 0.
void divide(DecimalRegister& second, const DecimalRegister& top);
// Rounds half away from zero to `places` places (negative places round to tens, hundreds...).
void roundToPlaces(DecimalRegister& r, int places);
// Drops the fraction (truncation toward zero).
void truncateFraction(DecimalRegister& r);
// r := r^n by repeated squaring; a negative n gives 1 / r^|n|.
void raiseToUnsignedPower(DecimalRegister& r, uint32_t n);
void raiseToPower(DecimalRegister& r, int32_t n);

// Integer conversions by base-10 loops. The pops keep the integer part modulo 2^32.
void fromLong(DecimalRegister& r, int32_t value);
void fromULong(DecimalRegister& r, uint32_t value);
int32_t toLong(const DecimalRegister& r);
uint32_t toULong(const DecimalRegister& r);

// REAL conversions through 16 significant digits.
void fromReal(DecimalRegister& r, double value);
double toReal(const DecimalRegister& r);

// Text: the parsed number of `text` (stops at its first character that is not part of a
// number, or after `len` characters), and the plain text of a register ("-0.25", "100").
void fromText(DecimalRegister& r, const char* text, size_t len);
std::string toText(const DecimalRegister& r);

// A literal: `count` digits least significant first, the last `places` of them the fraction.
void fromDigits(DecimalRegister& r, const uint8_t* digits, uint32_t count, int32_t places,
                bool negative);

}  // namespace kiv::core
