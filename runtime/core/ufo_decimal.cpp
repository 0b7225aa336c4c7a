// The DECIMAL family: DECIMAL, PDECIMAL and ULONG. Every conversion goes through the decimal
// stack; ULONG reads and writes its four bytes directly where a LONG is wanted.
#include <cstring>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/ufo.h"

DecimalUfo::DecimalUfo(uint8_t type, void* addr, uint32_t size, uint32_t places, bool ownCopy)
    : VarUfo(type, addr),
      size_(static_cast<uint8_t>(size > 255 ? 255 : size)),
      places_(static_cast<uint8_t>(places > 255 ? 255 : places)) {
  if (ownCopy) takeOwnedCopy(size_);
}

void DecimalUfo::PushDecimal() {
  if (type_ == KIV_ULONG) {
    uint32_t v = 0;
    if (addr_) std::memcpy(&v, addr_, 4);
    Kiv$DPushULong(v);
  } else if (!addr_) {
    Kiv$DPushLong(0);
  } else if (type_ == KIV_PDECIMAL) {
    Kiv$DPushPdec(addr_, size_, places_);
  } else {
    Kiv$DPushDec(addr_, size_, places_);
  }
}

void DecimalUfo::PopDecimal() {
  if (type_ == KIV_ULONG) {
    uint32_t v = Kiv$DPopUlong();
    if (addr_) std::memcpy(addr_, &v, 4);
  } else if (!addr_) {
    Kiv$DPopLong();
  } else if (type_ == KIV_PDECIMAL) {
    Kiv$DPopPdec(addr_, size_, places_);
  } else {
    Kiv$DPopDec(addr_, size_, places_);
  }
}

void DecimalUfo::SetLong(int32_t value) {
  Kiv$DPushLong(value);
  PopDecimal();
}

int32_t DecimalUfo::GetLong() {
  PushDecimal();
  return Kiv$DPopLong();
}

void DecimalUfo::SetReal(double value) {
  Kiv$DPushReal(value);
  PopDecimal();
}

double DecimalUfo::GetReal() {
  PushDecimal();
  return Kiv$DPopReal();
}

void DecimalUfo::Assign(Ufo& source) {
  source.PushDecimal();
  PopDecimal();
}

int32_t DecimalUfo::Compare(Ufo& other) {
  switch (other.Kind()) {
    case KIV_LONG:
    case KIV_DECIMAL:
    case KIV_PICTURED:
      return kiv::core::compareAsDecimals(*this, other);
    case KIV_REAL:
      return kiv::core::compareAsReals(*this, other);
    case KIV_STRING:
      return kiv::core::compareAsStrings(*this, other);
    default:
      __e_no_return();
      return 0;
  }
}

void DecimalUfo::PushValue() {
  PushDecimal();
  Kiv$DStack2Stack();
}

void DecimalUfo::PopValue() {
  Kiv$Stack2DStack();
  PopDecimal();
}

void DecimalUfo::ClearTo(int32_t sign) {
  if (addr_) Kiv$ClearDec(addr_, size_, type_, sign);
}

void DecimalUfo::Save(UfoWriter& writer) {
  writer.WriteByte(type_);
  writer.WriteByte(size_);
  writer.WriteByte(places_);
  std::vector<uint8_t> bytes(size_, 0);
  if (addr_ && size_) std::memcpy(bytes.data(), addr_, size_);
  if (size_) writer.WriteBytes(bytes.data(), size_);
}

void DecimalUfo::Load(UfoReader& reader) {
  uint8_t savedType = readTypeCode(reader);
  uint8_t size = reader.ReadByte();
  uint8_t places = reader.ReadByte();
  std::vector<uint8_t> bytes(size, 0);
  if (size) reader.ReadBytes(bytes.data(), size);
  ownBeforeLoad();
  if (savedType == type_ && size == size_ && places == places_) {
    if (size) std::memcpy(addr_, bytes.data(), size);
    return;
  }
  // Saved with another shape: convert the saved value through the decimal stack.
  if (savedType == KIV_ULONG && size == 4) {
    uint32_t v;
    std::memcpy(&v, bytes.data(), 4);
    Kiv$DPushULong(v);
  } else if (size == 0) {
    Kiv$DPushLong(0);
  } else if (savedType == KIV_PDECIMAL) {
    Kiv$DPushPdec(bytes.data(), size, places);
  } else {
    Kiv$DPushDec(bytes.data(), size, places);
  }
  PopDecimal();
}

Ufo* DecimalUfo::Duplicate(bool ownCopy) {
  switch (type_) {
    case KIV_PDECIMAL:
      return new PdecimalUfo(addr_, size_, places_, ownCopy);
    case KIV_ULONG:
      return new UlongUfo(addr_, ownCopy);
    default:
      return new DecimalUfo(addr_, size_, places_, ownCopy);
  }
}

void UlongUfo::SetLong(int32_t value) {
  if (addr_) std::memcpy(addr_, &value, 4);
}

int32_t UlongUfo::GetLong() {
  int32_t v = 0;
  if (addr_) std::memcpy(&v, addr_, 4);
  return v;
}

void UlongUfo::ClearTo(int32_t sign) {
  if (!addr_) return;
  uint32_t v = sign > 0 ? 0xFFFFFFFFu : 0u;
  std::memcpy(addr_, &v, 4);
}
