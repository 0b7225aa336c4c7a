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
  double real() const {
    push();
    return Kiv$DPopReal();
  }

 private:
  unsigned char bytes_[size] = {};
};

}  // namespace kiv
