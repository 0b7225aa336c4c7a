// Numeric storage types of the language for record fields and globals. Each keeps its value in
// bytes of its own width without alignment, so records declared from them have exactly the
// declared layout; reading and writing go through memcpy.
#pragma once

#include <cstdint>
#include <cstring>

#include "../kvrun32.h"

namespace kiv {

// A signed or unsigned integer of the language (BYTE, SHORT, USHORT, LONG, ULONG).
template <typename T, int32_t Code>
class Integer {
 public:
  static constexpr int32_t typeCode = Code;
  static constexpr uint32_t size = sizeof(T);
  static constexpr uint32_t places = 0;

  Integer() = default;
  Integer(T v) { set(v); }
  Integer& operator=(T v) {
    set(v);
    return *this;
  }
  operator T() const { return get(); }
  T get() const {
    T v;
    std::memcpy(&v, bytes_, sizeof v);
    return v;
  }
  void set(T v) { std::memcpy(bytes_, &v, sizeof v); }
  Integer& operator+=(T v) { return *this = T(get() + v); }
  Integer& operator-=(T v) { return *this = T(get() - v); }
  Integer& operator++() { return *this += 1; }
  Integer& operator--() { return *this -= 1; }

 private:
  unsigned char bytes_[sizeof(T)] = {};
};

using Byte = Integer<uint8_t, KIV_BYTE>;
using Short = Integer<int16_t, KIV_SHORT>;
using UShort = Integer<uint16_t, KIV_USHORT>;
using Long = Integer<int32_t, KIV_LONG>;
using ULong = Integer<uint32_t, KIV_ULONG>;

// DECIMAL(Digits, Places): packed decimal storage; values move through the decimal stack.
template <uint32_t Digits, uint32_t Places>
class Decimal {
 public:
  static constexpr int32_t typeCode = KIV_DECIMAL;
  static constexpr uint32_t size = Digits / 2 + 1;
  static constexpr uint32_t places = Places;

  Decimal() = default;
  Decimal& operator=(double v) {
    Kiv$DPushReal(v);
    Kiv$DPopDec(bytes_, size, Places);
    return *this;
  }
  // Pushes the value on the decimal stack.
  void push() const { Kiv$DPushDec(bytes_, size, Places); }

  // The whole number `v` with its places zero: a byte count, a file size. Digits beyond the
  // storage's integer digits are cut from the top, as storing an oversize value cuts them.
  void setWhole(uint64_t v) {
    std::memset(bytes_, 0, size);
    for (int32_t k = kDigits - 1 - int32_t(Places); k >= 0 && v != 0; --k, v /= 10)
      setDigit(k, unsigned(v % 10));
  }
  // The magnitude of the integer part (a value of more than 20 integer digits wraps).
  uint64_t whole() const {
    uint64_t v = 0;
    for (int32_t k = 0; k < kDigits - int32_t(Places); ++k) v = v * 10 + digit(k);
    return v;
  }
  bool negative() const { return (bytes_[0] >> 4) != 0; }
  double real() const {
    push();
    return Kiv$DPopReal();
  }

 private:
  // Digit k counts from the most significant: the low half of byte 0, then two a byte.
  static constexpr int32_t kDigits = int32_t(2 * size - 1);
  unsigned digit(int32_t k) const {
    const unsigned char b = bytes_[(k + 1) / 2];
    return k % 2 ? b >> 4 : b & 0x0F;
  }
  void setDigit(int32_t k, unsigned d) {
    unsigned char& b = bytes_[(k + 1) / 2];
    b = k % 2 ? (unsigned char)((b & 0x0F) | d << 4) : (unsigned char)((b & 0xF0) | d);
  }

  unsigned char bytes_[size] = {};
};

}  // namespace kiv
