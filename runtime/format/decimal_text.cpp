// Numbers as exact decimal text for pictures: parsing, conversion from LONG and REAL values,
// and rounding to a number of places.
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "runtime/format/picture.h"
#include "runtime/format/picture_number.h"

namespace kiv::format {
namespace {

void trimLeadingZeros(std::string& digits) {
  size_t n = 0;
  while (n < digits.size() && digits[n] == '0') ++n;
  digits.erase(0, n);
}

// Places the decimal point `shift` digits to the right (left when negative).
void shiftPoint(DecimalText& d, int shift) {
  std::string all = d.integer + d.fraction;
  int point = static_cast<int>(d.integer.size()) + shift;
  if (point < 0) {
    all.insert(0, static_cast<size_t>(-point), '0');
    point = 0;
  }
  if (point > static_cast<int>(all.size())) all.append(point - all.size(), '0');
  d.integer = all.substr(0, static_cast<size_t>(point));
  d.fraction = all.substr(static_cast<size_t>(point));
}

}  // namespace

bool parseDecimalText(std::string_view text, DecimalText& out) {
  out = DecimalText{};
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) out.negative = text[i++] == '-';
  bool digits = false;
  while (i < text.size() && std::isdigit(uint8_t(text[i]))) {
    out.integer += text[i++];
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(uint8_t(text[i]))) {
      out.fraction += text[i++];
      digits = true;
    }
  }
  if (digits && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) negativeExponent = text[j++] == '-';
    int exponent = 0;
    bool any = false;
    while (j < text.size() && std::isdigit(uint8_t(text[j]))) {
      if (exponent < 10000) exponent = exponent * 10 + (text[j] - '0');
      ++j;
      any = true;
    }
    if (any) shiftPoint(out, negativeExponent ? -exponent : exponent);
  }
  trimLeadingZeros(out.integer);
  if (isZero(out)) out.negative = false;
  return digits;
}

DecimalText decimalOfLong(int64_t value) {
  DecimalText d;
  d.negative = value < 0;
  uint64_t magnitude = d.negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (magnitude) d.integer = std::to_string(magnitude);
  return d;
}

// Sixteen significant digits, as the decimal stack takes a REAL.
DecimalText decimalOfReal(double value) {
  DecimalText d;
  if (!std::isfinite(value) || value == 0.0) return d;
  char text[64];
  std::snprintf(text, sizeof text, "%.15e", value);
  parseDecimalText(text, d);
  return d;
}

bool isZero(const DecimalText& d) {
  return d.integer.find_first_not_of('0') == std::string::npos &&
         d.fraction.find_first_not_of('0') == std::string::npos;
}

void roundToPlaces(DecimalText& d, size_t places) {
  if (d.fraction.size() <= places) {
    d.fraction.append(places - d.fraction.size(), '0');
    return;
  }
  bool up = d.fraction[places] >= '5';
  d.fraction.resize(places);
  if (up) {
    std::string all = d.integer + d.fraction;
    int i = static_cast<int>(all.size()) - 1;
    while (i >= 0 && all[i] == '9') all[i--] = '0';
    if (i >= 0)
      ++all[i];
    else
      all.insert(all.begin(), '1');
    d.integer = all.substr(0, all.size() - places);
    d.fraction = all.substr(all.size() - places);
  }
  trimLeadingZeros(d.integer);
  if (isZero(d)) d.negative = false;
}

}  // namespace kiv::format
