// The exported operations on descriptors: thin adapters over the Ufo family.
#include <memory>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/ufo.h"

namespace kiv::core {

Ufo* makeUfo(void* addr, int32_t type, uint32_t size, uint32_t places, bool ownCopy) {
  switch (type) {
    case KIV_BYTE:
      return new ByteUfo(addr, ownCopy);
    case KIV_SHORT:
      return new ShortUfo(addr, ownCopy);
    case KIV_USHORT:
      return new UshortUfo(addr, ownCopy);
    case KIV_DATE:
      return new DateUfo(addr, ownCopy);
    case KIV_TIME:
      return new TimeUfo(addr, ownCopy);
    case KIV_LONG:
      return new LongUfo(addr, ownCopy);
    case KIV_ULONG:
      return new UlongUfo(addr, ownCopy);
    case KIV_SREAL:
      return new FloatUfo(addr, ownCopy);
    case KIV_REAL:
      return new RealUfo(addr, ownCopy);
    case KIV_DECIMAL:
      return new DecimalUfo(addr, size, places, ownCopy);
    case KIV_PDECIMAL:
      return new PdecimalUfo(addr, size, places, ownCopy);
    case KIV_BFLOAT4:
      return new Bfloat4Ufo(addr, ownCopy);
    case KIV_BFLOAT8:
      return new Bfloat8Ufo(addr, ownCopy);
    case KIV_STRING:
    case KIV_GROUP:
      return new StringUfo(addr, size, ownCopy);
    case KIV_CSTRING:
      return new CstringUfo(addr, size, ownCopy);
    case KIV_PSTRING:
      return new PstringUfo(addr, size, ownCopy);
    case KIV_REFERENCE:
      return new RefUfo(addr, ownCopy);
    default:
      return nullptr;
  }
}

}  // namespace kiv::core

namespace {

int32_t sign(int32_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// One part of a deep assignment: the whole descriptor for 0, else field n (owned by `hold`).
Ufo* part(Ufo* whole, uint32_t n, std::unique_ptr<Ufo>& hold) {
  if (n == 0) return whole;
  hold.reset(whole->Field(static_cast<int32_t>(n)));
  return hold.get();
}

}  // namespace

extern "C" {

uint32_t INT$TYPESIZE(int32_t type) {
  switch (type) {
    case KIV_BYTE:
      return 1;
    case KIV_SHORT:
    case KIV_USHORT:
      return 2;
    case KIV_DATE:
    case KIV_TIME:
    case KIV_LONG:
    case KIV_ULONG:
    case KIV_SREAL:
    case KIV_BFLOAT4:
      return 4;
    case KIV_REAL:
    case KIV_BFLOAT8:
      return 8;
    default:
      return (type >= 31 && type <= 36) ? 4 : 0;
  }
}

Ufo* Kiv$Mem2Ufo(void* addr, int32_t type, uint32_t size, uint32_t places, int32_t ownCopy) {
  Ufo* ufo = kiv::core::makeUfo(addr, type, size, places, ownCopy != 0);
  if (!ufo) {
    Kiv$rterr(501, "String Stack Error");
    __e_no_return();
  }
  return ufo;
}

Ufo* Kiv$Group2Ufo(void* addr, const uint8_t* layout) {
  auto descriptor = std::make_shared<const class_descriptor>(layout);
  if (!descriptor->Valid()) {
    Kiv$seterror(75);
    return nullptr;
  }
  return new GroupUfo(addr, std::move(descriptor), false);
}

Ufo* Kiv$ArrayOfUfo(Ufo* element, int32_t count) {
  if (!element) return nullptr;
  return new ArrayUfo(element, count);
}

Ufo* Kiv$Long2Ufo(int32_t value) {
  auto* v = new ValueUfo();
  v->SetLong(value);
  return v;
}

Ufo* Kiv$Real2Ufo(double value) {
  auto* v = new ValueUfo();
  v->SetReal(value);
  return v;
}

Ufo* Kiv$Stack2Ufo(void) {
  auto* v = new ValueUfo();
  v->PopValue();
  return v;
}

Ufo* Kiv$DStack2Ufo(void) {
  auto* v = new ValueUfo();
  v->PopDecimal();
  return v;
}

void Kiv$Stack2UfoC(Ufo* ufo) {
  if (ufo)
    ufo->PopValue();
  else
    Kiv$STACKpop();
}

void Kiv$ASSIGNSTR2UFO(Ufo* ufo) { Kiv$Stack2UfoC(ufo); }

void Kiv$AssignLong2Ufo(Ufo* ufo, int32_t value) {
  if (ufo) ufo->SetLong(value);
}

void Kiv$AssignReal2Ufo(Ufo* ufo, double value) {
  if (ufo) ufo->SetReal(value);
}

void Kiv$AssignUfo(Ufo* target, Ufo* source) {
  if (target && source) target->Assign(*source);
}

void Kiv$DeepAssign(Ufo* target, Ufo* source, const uint8_t* map) {
  if (!target || !source || !map) return;
  bool wide = map[0] == 1;
  const uint8_t* p = map + 1;
  auto read = [&p, wide]() -> uint32_t {
    if (!wide) return *p++;
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
    p += 4;
    return v;
  };
  uint32_t pairs = read();
  for (uint32_t i = 0; i < pairs; ++i) {
    uint32_t to = read();
    uint32_t from = read();
    std::unique_ptr<Ufo> holdTo, holdFrom;
    Ufo* t = part(target, to, holdTo);
    Ufo* s = part(source, from, holdFrom);
    if (t && s) t->Assign(*s);
  }
}

void Kiv$PushUfo(Ufo* ufo) {
  if (ufo)
    ufo->PushValue();
  else
    Kiv$PushNull();
}

int32_t Kiv$Ufo2Long(Ufo* ufo) { return ufo ? ufo->GetLong() : 0; }

double Kiv$Ufo2Real(Ufo* ufo) { return ufo ? ufo->GetReal() : 0.0; }

int32_t Kiv$Ufodistinct(Ufo* a, Ufo* b) {
  if (!a || !b) return 0;
  return a->Compare(*b);
}

int32_t Kiv$Ufodistincti(Ufo* a, Ufo* b) {
  if (!a || !b) return 0;
  if (a->Kind() == KIV_STRING && b->Kind() == KIV_STRING) {
    a->PushValue();
    b->PushValue();
    return sign(Kiv$StackCompareI());
  }
  return Kiv$Ufodistinct(a, b);
}

int32_t Kiv$UfoRealDiff(Ufo* ufo, double value) {
  return Kiv$realdistinct(ufo ? ufo->GetReal() : 0.0, value);
}

int32_t Kiv$UfoComparen(Ufo* ufo) { return (ufo && !ufo->AllBlank()) ? 1 : 0; }

void Kiv$ClearUfo(Ufo* ufo, int32_t sign) {
  if (ufo) ufo->ClearTo(sign);
}

void Kiv$CLEAR(void* addr, const uint8_t* layout, int32_t sign) {
  class_descriptor descriptor(layout);
  if (!descriptor.Valid()) {
    Kiv$seterror(75);
    return;
  }
  descriptor.Clear(addr, sign);
}

void Kiv$ClearType(void* addr, int32_t type, int32_t sign) {
  std::unique_ptr<Ufo> ufo(Kiv$Mem2Ufo(addr, type, INT$TYPESIZE(type), 0, 0));
  if (ufo) ufo->ClearTo(sign);
}

Ufo* Kiv$SelectUfo(Ufo* ufo, int32_t index) { return ufo ? ufo->Element(index) : nullptr; }

Ufo* Kiv$SelectUfo2(Ufo* ufo, int32_t start, int32_t end) {
  return ufo ? ufo->Slice(start, end) : nullptr;
}

Ufo* Kiv$DesignateUfo(Ufo* ufo, int32_t n) { return ufo ? ufo->Field(n) : nullptr; }

uint32_t Kiv$SizeUfo(Ufo* ufo) { return ufo ? ufo->Size() : 0; }

void* Kiv$AddressUfo(Ufo* ufo) { return ufo ? ufo->Address() : nullptr; }

int32_t Kiv$MaximumUfo(Ufo* ufo) { return ufo ? ufo->Count() : 0; }

Ufo* Kiv$CloneUfo(Ufo* ufo, int32_t mode) { return ufo ? ufo->Clone(mode) : nullptr; }

void Kiv$FreeUpUfo(Ufo* ufo) {
  if (ufo) ufo->Release();
}

void Kiv$FreeUfo(Ufo* ufo) { delete ufo; }

void Kiv$OEMTOANSIdesc(Ufo* ufo) {
  if (ufo) ufo->OemToAnsi();
}

void Kiv$ANSITOOEMdesc(Ufo* ufo) {
  if (ufo) ufo->AnsiToOem();
}

}  // extern "C"
