// The LONG family: LONG, BYTE, SHORT, USHORT, DATE and TIME. Each stores and loads its own
// storage width; DATE and TIME convert through the date and time serials.
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/ufo.h"

namespace {

uint32_t loadRaw32(const void* p) {
  uint32_t v = 0;
  if (p) std::memcpy(&v, p, 4);
  return v;
}

void storeRaw32(void* p, uint32_t v) {
  if (p) std::memcpy(p, &v, 4);
}

}  // namespace

LongUfo::LongUfo(uint8_t type, void* addr, bool ownCopy) : VarUfo(type, addr) {
  if (ownCopy) takeOwnedCopy(Size());
}

uint32_t LongUfo::Size() {
  switch (type_) {
    case KIV_BYTE:
      return 1;
    case KIV_SHORT:
    case KIV_USHORT:
      return 2;
    default:
      return 4;
  }
}

int32_t LongUfo::GetLong() {
  if (!addr_) return 0;
  switch (type_) {
    case KIV_BYTE:
      return *static_cast<uint8_t*>(addr_);
    case KIV_SHORT: {
      int16_t v;
      std::memcpy(&v, addr_, 2);
      return v;
    }
    case KIV_USHORT: {
      uint16_t v;
      std::memcpy(&v, addr_, 2);
      return v;
    }
    case KIV_DATE:
      return Kiv$loadbtdate(loadRaw32(addr_));
    case KIV_TIME:
      return Kiv$loadbttime(loadRaw32(addr_));
    default:
      return static_cast<int32_t>(loadRaw32(addr_));
  }
}

void LongUfo::SetLong(int32_t value) {
  if (!addr_) return;
  switch (type_) {
    case KIV_BYTE:
      *static_cast<uint8_t*>(addr_) = static_cast<uint8_t>(value);
      break;
    case KIV_SHORT:
    case KIV_USHORT: {
      uint16_t v = static_cast<uint16_t>(value);
      std::memcpy(addr_, &v, 2);
      break;
    }
    case KIV_DATE:
      storeRaw32(addr_, Kiv$storebtdate(value));
      break;
    case KIV_TIME:
      storeRaw32(addr_, Kiv$storebttime(value));
      break;
    default:
      storeRaw32(addr_, static_cast<uint32_t>(value));
      break;
  }
}

void LongUfo::SetReal(double value) { SetLong(kiv::core::truncateToLong(value)); }

double LongUfo::GetReal() { return GetLong(); }

void LongUfo::Assign(Ufo& source) { SetLong(source.GetLong()); }

int32_t LongUfo::Compare(Ufo& other) {
  switch (other.Kind()) {
    case KIV_LONG:
      return kiv::core::compareAsIntegers(*this, other);
    case KIV_DECIMAL:
    case KIV_PICTURED:
      return kiv::core::compareAsDecimals(*this, other);
    case KIV_REAL:
      return kiv::core::compareAsReals(*this, other);
    case KIV_STRING:
      if (Kind() == KIV_PICTURED) return kiv::core::compareAsStrings(*this, other);
      return kiv::core::compareAsIntegers(*this, other);
    default:
      __e_no_return();
      return 0;
  }
}

void LongUfo::PushValue() { Kiv$PushLong(GetLong()); }

void LongUfo::PopValue() { SetLong(Kiv$lroundd(Kiv$PopReal())); }

void LongUfo::PushDecimal() { Kiv$DPushLong(GetLong()); }

void LongUfo::PopDecimal() { SetLong(Kiv$DPopLong()); }

void LongUfo::ClearTo(int32_t sign) {
  if (!addr_) return;
  switch (type_) {
    case KIV_BYTE:
      SetLong(sign > 0 ? 255 : 0);
      break;
    case KIV_SHORT:
      SetLong(sign < 0 ? -32768 : (sign > 0 ? 32767 : 0));
      break;
    case KIV_USHORT:
      SetLong(sign > 0 ? 65535 : 0);
      break;
    case KIV_DATE:
    case KIV_TIME:
      storeRaw32(addr_, sign > 0 ? 0xFFFFFFFFu : 0u);
      break;
    default:
      SetLong(sign < 0 ? INT32_MIN : (sign > 0 ? INT32_MAX : 0));
      break;
  }
}

Ufo* LongUfo::Duplicate(bool ownCopy) {
  switch (type_) {
    case KIV_BYTE:
      return new ByteUfo(addr_, ownCopy);
    case KIV_SHORT:
      return new ShortUfo(addr_, ownCopy);
    case KIV_USHORT:
      return new UshortUfo(addr_, ownCopy);
    case KIV_DATE:
      return new DateUfo(addr_, ownCopy);
    case KIV_TIME:
      return new TimeUfo(addr_, ownCopy);
    default:
      return new LongUfo(addr_, ownCopy);
  }
}
