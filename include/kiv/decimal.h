// Exact decimal values for expressions that the language evaluates on the decimal stack
// (ULONG products, percentages): every operation pushes its operands, runs the runtime's
// decimal operation and keeps the exact result.
//
//   kiv::Dec used = (kiv::Dec(total) - free) / total * 100;
//   PercentUsed = used.toLong();
#pragma once

#include <cstdint>
#include <string>

#include "error.h"
#include "values.h"
#include "../kvrun32.h"

namespace kiv {

class Dec {
 public:
  Dec(int32_t v) {
    Kiv$DPushLong(v);
    take();
  }
  Dec(uint32_t v) {
    Kiv$DPushULong(v);
    take();
  }
  // A 64-bit count (bytes of a volume or a file), exactly.
  explicit Dec(uint64_t v) : text_(std::to_string(v)) {}
  template <uint32_t Digits, uint32_t Places>
  Dec(const Decimal<Digits, Places>& d) {
    d.push();
    take();
  }

  friend Dec operator+(const Dec& a, const Dec& b) { return apply(a, b, Kiv$DecAdd); }
  friend Dec operator-(const Dec& a, const Dec& b) { return apply(a, b, Kiv$DecSub); }
  friend Dec operator*(const Dec& a, const Dec& b) { return apply(a, b, Kiv$DecMul); }
  // Rounded to 31 places; a zero divisor gives 0.
  friend Dec operator/(const Dec& a, const Dec& b) { return apply(a, b, Kiv$DecDivide); }

  // Into a LONG (truncated, wrapping) and a ULONG (magnitude, truncated, wrapping).
  int32_t toLong() const {
    push();
    return Kiv$DPopLong();
  }
  uint32_t toULong() const {
    push();
    return Kiv$DPopUlong();
  }
  // Stored into DECIMAL storage of `size` bytes with `places` (rounded).
  void store(void* addr, uint32_t size, uint32_t places) const {
    push();
    Kiv$DPopDec(addr, size, places);
  }
  // FORMAT(value, picture): "@n21.2" and the like.
  std::string format(std::string_view picture) const {
    push();
    Kiv$DPopPict(picture.data(), uint32_t(picture.size()));
    return popString();
  }
  // The exact value as text ("1.5", "-0.25", "100").
  const std::string& text() const { return text_; }

 private:
  Dec() = default;
  void push() const { Kiv$DPushCString(text_.c_str()); }
  void take() {
    Kiv$DStack2Stack();
    text_ = popString();
  }
  static Dec apply(const Dec& a, const Dec& b, void (*op)()) {
    a.push();
    b.push();
    op();
    Dec r;
    r.take();
    return r;
  }

  std::string text_;
};

// a / b evaluated on the decimal stack and taken as a LONG (truncated): the short form of
// (Dec(a) / b).toLong() for loops that run once per file.
inline int32_t quotientLong(int32_t a, int32_t b) {
  Kiv$DPushLong(a);
  Kiv$DPushLong(b);
  Kiv$DecDivide();
  return Kiv$DPopLong();
}

}  // namespace kiv
