// The REAL family: REAL, SREAL, BFLOAT4 and BFLOAT8, and the conversions between doubles and
// the Microsoft binary floating-point formats.
//
// Microsoft binary format: the last byte is the exponent with a bias of 129 (0 means the value
// is 0); the byte before it holds the sign in its top bit and the highest mantissa bits below
// it; the bytes before that hold the rest of the mantissa, least significant first. The leading
// mantissa bit is implied: the value is 1.m times 2^(exponent - 129). BFLOAT4 has 23 mantissa
// bits, BFLOAT8 has 55.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"

namespace {

constexpr double kRealHighest = 1.7976931348623101e+308;
constexpr double kSrealHighest = 3.4028234663852886e+38;

// The largest value of each format, positive or negative.
void storeLargest(uint8_t* dst, int bytes, bool negative) {
  std::memset(dst, 0xFF, bytes);
  if (!negative) dst[bytes - 2] = 0x7F;
}

}  // namespace

extern "C" {

void Kiv$bstorefloat4(void* dst, double value) {
  if (!dst) return;
  auto* out = static_cast<uint8_t*>(dst);
  if (std::isnan(value)) value = 0.0;
  bool negative = std::signbit(value);
  if (std::fabs(value) > FLT_MAX) {
    storeLargest(out, 4, negative);
    return;
  }
  float f = static_cast<float>(value);
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  int exponent = (bits >> 23) & 0xFF;
  uint32_t mantissa = bits & 0x7FFFFF;
  if (exponent == 0) {  // zero, or too small for the format
    std::memset(out, 0, 4);
    return;
  }
  int mbfExponent = exponent + 2;
  if (mbfExponent > 255) {
    storeLargest(out, 4, negative);
    return;
  }
  out[0] = static_cast<uint8_t>(mantissa);
  out[1] = static_cast<uint8_t>(mantissa >> 8);
  out[2] = static_cast<uint8_t>(((mantissa >> 16) & 0x7F) | (negative ? 0x80 : 0));
  out[3] = static_cast<uint8_t>(mbfExponent);
}

double Kiv$bloadfloat4(const void* src) {
  if (!src) return 0.0;
  auto* in = static_cast<const uint8_t*>(src);
  if (in[3] == 0) return 0.0;
  uint32_t mantissa = in[0] | (in[1] << 8) | (uint32_t(in[2] & 0x7F) << 16) | 0x800000u;
  double v = std::ldexp(static_cast<double>(mantissa), in[3] - 129 - 23);
  return (in[2] & 0x80) ? -v : v;
}

void Kiv$bstorefloat(void* dst, double value) {
  if (!dst) return;
  auto* out = static_cast<uint8_t*>(dst);
  if (std::isnan(value)) value = 0.0;
  bool negative = std::signbit(value);
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & 0xFFFFFFFFFFFFFull;
  int mbfExponent = exponent - 1023 + 129;
  if (exponent == 0 || mbfExponent < 1) {  // zero, or too small for the format
    std::memset(out, 0, 8);
    return;
  }
  if (mbfExponent > 255) {  // too large, or infinite
    storeLargest(out, 8, negative);
    return;
  }
  uint64_t m55 = mantissa << 3;
  for (int i = 0; i < 6; ++i) out[i] = static_cast<uint8_t>(m55 >> (8 * i));
  out[6] = static_cast<uint8_t>(((m55 >> 48) & 0x7F) | (negative ? 0x80 : 0));
  out[7] = static_cast<uint8_t>(mbfExponent);
}

double Kiv$bloadfloat(const void* src) {
  if (!src) return 0.0;
  auto* in = static_cast<const uint8_t*>(src);
  if (in[7] == 0) return 0.0;
  uint64_t mantissa = 0;
  for (int i = 0; i < 6; ++i) mantissa |= uint64_t(in[i]) << (8 * i);
  mantissa |= uint64_t(in[6] & 0x7F) << 48;
  mantissa |= uint64_t(1) << 55;
  double v = std::ldexp(static_cast<double>(mantissa), in[7] - 129 - 55);
  return (in[6] & 0x80) ? -v : v;
}

}  // extern "C"

RealUfo::RealUfo(uint8_t type, void* addr, bool ownCopy) : VarUfo(type, addr) {
  if (ownCopy) takeOwnedCopy(Size());
}

uint32_t RealUfo::Size() { return (type_ == KIV_REAL || type_ == KIV_BFLOAT8) ? 8 : 4; }

double RealUfo::GetReal() {
  if (!addr_) return 0.0;
  switch (type_) {
    case KIV_SREAL: {
      float f;
      std::memcpy(&f, addr_, 4);
      return f;
    }
    case KIV_BFLOAT4:
      return Kiv$bloadfloat4(addr_);
    case KIV_BFLOAT8:
      return Kiv$bloadfloat(addr_);
    default: {
      double d;
      std::memcpy(&d, addr_, 8);
      return d;
    }
  }
}

void RealUfo::SetReal(double value) {
  if (!addr_) return;
  switch (type_) {
    case KIV_SREAL: {
      float f = static_cast<float>(value);
      std::memcpy(addr_, &f, 4);
      break;
    }
    case KIV_BFLOAT4:
      Kiv$bstorefloat4(addr_, value);
      break;
    case KIV_BFLOAT8:
      Kiv$bstorefloat(addr_, value);
      break;
    default:
      std::memcpy(addr_, &value, 8);
      break;
  }
}

void RealUfo::SetLong(int32_t value) { SetReal(value); }

int32_t RealUfo::GetLong() { return Kiv$lroundd(GetReal()); }

void RealUfo::Assign(Ufo& source) { SetReal(source.GetReal()); }

void RealUfo::PushValue() { Kiv$PushReal(GetReal()); }

void RealUfo::PopValue() { SetReal(Kiv$PopReal()); }

void RealUfo::PushDecimal() { Kiv$DPushReal(GetReal()); }

void RealUfo::PopDecimal() { SetReal(Kiv$DPopReal()); }

void RealUfo::ClearTo(int32_t sign) {
  if (!addr_) return;
  auto* bytes = static_cast<uint8_t*>(addr_);
  switch (type_) {
    case KIV_BFLOAT4:
    case KIV_BFLOAT8: {
      int n = static_cast<int>(Size());
      if (sign == 0)
        std::memset(bytes, 0, n);
      else
        storeLargest(bytes, n, sign < 0);
      break;
    }
    case KIV_SREAL:
      SetReal(sign < 0 ? -kSrealHighest : (sign > 0 ? kSrealHighest : 0.0));
      break;
    default:
      SetReal(sign < 0 ? -kRealHighest : (sign > 0 ? kRealHighest : 0.0));
      break;
  }
}

Ufo* RealUfo::Duplicate(bool ownCopy) {
  switch (type_) {
    case KIV_SREAL:
      return new FloatUfo(addr_, ownCopy);
    case KIV_BFLOAT4:
      return new Bfloat4Ufo(addr_, ownCopy);
    case KIV_BFLOAT8:
      return new Bfloat8Ufo(addr_, ownCopy);
    default:
      return new RealUfo(addr_, ownCopy);
  }
}
