// ValueUfo: a descriptor holding its own value, which takes the kind of whatever is assigned
// to it: LONG, REAL, a decimal (kept as a DECIMAL through the decimal stack) or a string (a
// heap string taken from the string stack).
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"

ValueUfo::ValueUfo() : Ufo(KIV_LONG, nullptr) { addr_ = &long_; }

ValueUfo::~ValueUfo() { freeText(); }

void ValueUfo::freeText() {
  if (text_.addr) Kiv$freestr(&text_);
  text_ = {nullptr, 0};
}

void ValueUfo::becomeKind(uint8_t kind) {
  if (type_ == KIV_STRING && kind != KIV_STRING) freeText();
  type_ = kind;
  switch (kind) {
    case KIV_LONG:
      addr_ = &long_;
      break;
    case KIV_REAL:
      addr_ = &real_;
      break;
    case KIV_DECIMAL:
      addr_ = decimal_;
      break;
    default:
      addr_ = text_.addr;
      break;
  }
}

void ValueUfo::SetLong(int32_t value) {
  becomeKind(KIV_LONG);
  long_ = value;
}

void ValueUfo::SetReal(double value) {
  becomeKind(KIV_REAL);
  real_ = value;
}

void ValueUfo::PopValue() {
  freeText();
  Kiv$PopTemp(&text_);
  becomeKind(KIV_STRING);
}

void ValueUfo::PopDecimal() {
  becomeKind(KIV_DECIMAL);
  Kiv$DPopDec(decimal_, kDecimalSize, kDecimalPlaces);
}

void ValueUfo::Assign(Ufo& source) {
  if (&source == this) return;
  switch (source.Kind()) {
    case KIV_LONG:
      SetLong(source.GetLong());
      break;
    case KIV_REAL:
      SetReal(source.GetReal());
      break;
    case KIV_DECIMAL:
      source.PushDecimal();
      PopDecimal();
      break;
    default:  // strings and pictured values
      source.PushValue();
      PopValue();
      break;
  }
}

void ValueUfo::PushValue() {
  switch (type_) {
    case KIV_LONG:
      Kiv$PushLong(long_);
      break;
    case KIV_REAL:
      Kiv$PushReal(real_);
      break;
    case KIV_DECIMAL:
      PushDecimal();
      Kiv$DStack2Stack();
      break;
    default:
      // A copy: the value may be freed before the entry is popped.
      kiv::core::pushCopy(std::string_view(text_.addr ? text_.addr : "", text_.len));
      break;
  }
}

void ValueUfo::PushDecimal() {
  switch (type_) {
    case KIV_LONG:
      Kiv$DPushLong(long_);
      break;
    case KIV_REAL:
      Kiv$DPushReal(real_);
      break;
    case KIV_DECIMAL:
      Kiv$DPushDec(decimal_, kDecimalSize, kDecimalPlaces);
      break;
    default:
      PushValue();
      Kiv$Stack2DStack();
      break;
  }
}

int32_t ValueUfo::GetLong() {
  switch (type_) {
    case KIV_LONG:
      return long_;
    case KIV_REAL:
      return Kiv$lroundd(real_);
    case KIV_DECIMAL:
      PushDecimal();
      return Kiv$DPopLong();
    default:
      return Kiv$lroundd(GetReal());
  }
}

double ValueUfo::GetReal() {
  switch (type_) {
    case KIV_LONG:
      return long_;
    case KIV_REAL:
      return real_;
    case KIV_DECIMAL:
      PushDecimal();
      return Kiv$DPopReal();
    default:
      PushValue();
      return Kiv$PopReal();
  }
}

void ValueUfo::Release() {
  freeText();
  becomeKind(KIV_LONG);
  long_ = 0;
  flags_ = 0;
}

void ValueUfo::ClearTo(int32_t sign) {
  switch (type_) {
    case KIV_LONG:
      long_ = sign < 0 ? INT32_MIN : (sign > 0 ? INT32_MAX : 0);
      break;
    case KIV_REAL:
      real_ = sign < 0 ? -1.7976931348623101e+308 : (sign > 0 ? 1.7976931348623101e+308 : 0.0);
      break;
    case KIV_DECIMAL:
      Kiv$ClearDec(decimal_, kDecimalSize, KIV_DECIMAL, sign);
      break;
    default:
      if (text_.addr) Kiv$storestr(text_.addr, text_.len, nullptr, sign);
      break;
  }
}

void* ValueUfo::Address() { return addr_; }

Ufo* ValueUfo::Duplicate(bool) {
  auto* copy = new ValueUfo();
  copy->Assign(*this);
  return copy;
}

uint32_t ValueUfo::Size() {
  switch (type_) {
    case KIV_LONG:
      return 4;
    case KIV_REAL:
      return 8;
    case KIV_DECIMAL:
      return kDecimalSize;
    default:
      return text_.len;
  }
}

void ValueUfo::Save(UfoWriter& writer) {
  writer.WriteByte(type_);
  switch (type_) {
    case KIV_LONG:
      writer.WriteBytes(&long_, 4);
      break;
    case KIV_REAL:
      writer.WriteBytes(&real_, 8);
      break;
    case KIV_DECIMAL:
      writer.WriteByte(kDecimalSize);
      writer.WriteByte(kDecimalPlaces);
      writer.WriteBytes(decimal_, kDecimalSize);
      break;
    default: {
      uint32_t n = text_.len;
      uint8_t len[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
      writer.WriteBytes(len, 4);
      if (n) writer.WriteBytes(text_.addr, n);
      break;
    }
  }
}

// A variant takes the kind that was saved instead of insisting on its own.
void ValueUfo::Load(UfoReader& reader) {
  uint8_t code = reader.ReadByte();
  switch (code) {
    case KIV_LONG: {
      int32_t v;
      reader.ReadBytes(&v, 4);
      SetLong(v);
      break;
    }
    case KIV_REAL: {
      double d;
      reader.ReadBytes(&d, 8);
      SetReal(d);
      break;
    }
    case KIV_DECIMAL: {
      uint8_t size = reader.ReadByte();
      uint8_t places = reader.ReadByte();
      std::string bytes(size, '\0');
      if (size) reader.ReadBytes(bytes.data(), size);
      if (size)
        Kiv$DPushDec(bytes.data(), size, places);
      else
        Kiv$DPushLong(0);
      PopDecimal();
      break;
    }
    case KIV_STRING: {
      uint8_t n[4];
      reader.ReadBytes(n, 4);
      uint32_t len = n[0] | (n[1] << 8) | (n[2] << 16) | (uint32_t(n[3]) << 24);
      std::string text;
      char chunk[256];
      while (len > 0 && !reader.Failed()) {
        uint32_t part = len < sizeof chunk ? len : static_cast<uint32_t>(sizeof chunk);
        reader.ReadBytes(chunk, part);
        text.append(chunk, part);
        len -= part;
      }
      kiv::core::pushCopy(text);
      PopValue();
      break;
    }
    default:
      kiv::core::typingError(11);
      break;
  }
}
