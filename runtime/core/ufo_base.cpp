// The Ufo base: the default of every virtual operation, the meeting-class rule and the
// comparisons by class, storage ownership, and the memory reader and writer.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"

using kiv::core::typingError;

// ---------------------------------------------------------------------------------------------
// Memory reader and writer.

void UfoMemoryWriter::WriteBytes(const void* data, uint32_t n) {
  auto p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + n);
}

void UfoMemoryReader::ReadBytes(void* data, uint32_t n) {
  auto out = static_cast<uint8_t*>(data);
  size_t avail = pos_ < size_ ? size_ - pos_ : 0;
  size_t take = n < avail ? n : avail;
  if (take) std::memcpy(out, data_ + pos_, take);
  if (take < n) {
    std::memset(out + take, 0, n - take);
    overrun_ = true;
  }
  pos_ += take;
}

uint8_t UfoMemoryReader::ReadByte() {
  uint8_t b = 0;
  ReadBytes(&b, 1);
  return b;
}

// ---------------------------------------------------------------------------------------------
// Helpers of the family.

namespace kiv::core {

bool isStringLike(int32_t kind) { return (kind >= 18 && kind <= 20) || (kind >= 27 && kind <= 29); }

int32_t meetingClass(int32_t kindA, int32_t kindB) {
  if ((kindA == KIV_STRING && isStringLike(kindB)) || (kindB == KIV_STRING && isStringLike(kindA)))
    return KIV_STRING;
  if (kindA == KIV_LONG && kindB == KIV_LONG) return KIV_LONG;
  if (kindA == KIV_REAL || kindB == KIV_REAL) return KIV_REAL;
  return KIV_DECIMAL;
}

static int32_t sign(int32_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int32_t compareAsIntegers(Ufo& a, Ufo& b) {
  int32_t x = a.GetLong();
  int32_t y = b.GetLong();
  return x < y ? -1 : (x > y ? 1 : 0);
}

int32_t compareAsReals(Ufo& a, Ufo& b) {
  double x = a.GetReal();
  double y = b.GetReal();
  return Kiv$realdistinct(x, y);
}

int32_t compareAsDecimals(Ufo& a, Ufo& b) {
  a.PushDecimal();
  b.PushDecimal();
  return sign(Kiv$DecDistinct());
}

int32_t compareAsStrings(Ufo& a, Ufo& b) {
  a.PushValue();
  b.PushValue();
  return sign(Kiv$StackCompare());
}

int32_t compareByMeeting(Ufo& a, Ufo& b) {
  switch (meetingClass(a.Kind(), b.Kind())) {
    case KIV_STRING:
      return compareAsStrings(a, b);
    case KIV_LONG:
      return compareAsIntegers(a, b);
    case KIV_REAL:
      return compareAsReals(a, b);
    default:
      return compareAsDecimals(a, b);
  }
}

int32_t truncateToLong(double value) {
  // The processor's conversion gives the "integer indefinite" value outside the range.
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

namespace {
FieldBinder gFieldBinder;
}

void setFieldBinder(FieldBinder binder) { gFieldBinder = std::move(binder); }

const FieldBinder& fieldBinder() { return gFieldBinder; }

}  // namespace kiv::core

// ---------------------------------------------------------------------------------------------
// Ufo defaults.

Ufo::~Ufo() {
  if (ownsStorage()) std::free(addr_);
}

int32_t Ufo::Compare(Ufo& other) { return kiv::core::compareByMeeting(*this, other); }

int32_t Ufo::CompareLong(int32_t value) {
  int32_t mine = GetLong();
  return mine < value ? -1 : (mine > value ? 1 : 0);
}

void Ufo::Save(UfoWriter& writer) {
  writer.WriteByte(type_);
  uint32_t n = Size();
  if (addr_) {
    writer.WriteBytes(addr_, n);
  } else {
    for (uint32_t i = 0; i < n; ++i) writer.WriteByte(0);
  }
}

uint8_t Ufo::readTypeCode(UfoReader& reader) {
  uint8_t code = reader.ReadByte();
  if (code != type_) typingError(11);
  return code;
}

void Ufo::ownBeforeLoad() {
  if (!ownsStorage()) takeOwnedCopy(Size());
}

void Ufo::Load(UfoReader& reader) {
  readTypeCode(reader);
  ownBeforeLoad();
  reader.ReadBytes(addr_, Size());
}

void Ufo::LoadVariant(UfoReader& reader) {
  uint8_t lo = reader.ReadByte();
  uint8_t hi = reader.ReadByte();
  uint16_t word = static_cast<uint16_t>(lo | (hi << 8));
  if (word & 0x80) {
    uint8_t n[4];
    reader.ReadBytes(n, 4);
    uint32_t len = n[0] | (n[1] << 8) | (n[2] << 16) | (uint32_t(n[3]) << 24);
    // Read in pieces so that a damaged length cannot ask for a huge allocation at once.
    std::string text;
    char chunk[256];
    while (len > 0) {
      uint32_t part = len < sizeof chunk ? len : sizeof chunk;
      reader.ReadBytes(chunk, part);
      text.append(chunk, part);
      len -= part;
      if (reader.Failed()) break;
    }
    kiv::core::pushCopy(text);
    PopValue();
    return;
  }
  int type = word & 0x1F;
  if (type <= 6) {
    uint8_t b[4];
    reader.ReadBytes(b, 4);
    int32_t v;
    std::memcpy(&v, b, 4);
    SetLong(v);
  } else if (type <= 9) {
    double d;
    reader.ReadBytes(&d, 8);
    SetReal(d);
  } else {
    typingError(11);
  }
}

void Ufo::PopValue() { typingError(10); }
void Ufo::PushValue() { typingError(10); }
void Ufo::PopDecimal() { typingError(10); }
void Ufo::PushDecimal() { typingError(10); }

double Ufo::GetReal() {
  typingError(10);
  return 0.0;
}

int32_t Ufo::GetLong() {
  typingError(10);
  return 0;
}

void Ufo::Release() {
  if (ownsStorage()) std::free(addr_);
  addr_ = nullptr;
  flags_ = 0;
}

void* Ufo::Address() { return addr_; }

Ufo* Ufo::Duplicate(bool) {
  typingError(5);
  return nullptr;
}

Ufo* Ufo::Element(int32_t index) { return Slice(index, index); }

Ufo* Ufo::Slice(int32_t, int32_t) {
  typingError(8);
  return nullptr;
}

Ufo* Ufo::Field(int32_t) {
  typingError(6);
  return nullptr;
}

int32_t Ufo::Count() { return 0; }

bool Ufo::AllBlank() { return IsBlank(); }

bool Ufo::IsBlank() {
  int32_t kind = Kind();
  if ((kind >= 18 && kind <= 20) || kind == 27 || kind == 28) {
    PushValue();
    return Kiv$StackCompareN() == 0;
  }
  return Kiv$realdistinct(GetReal(), 0.0) == 0;
}

// Only text converts between the character sets; the string classes override these.
void Ufo::OemToAnsi() {}
void Ufo::AnsiToOem() {}

void Ufo::BIND() { typingError(7); }

void Ufo::AddTo(Ufo& other) {
  switch (kiv::core::meetingClass(Kind(), other.Kind())) {
    case KIV_LONG:
      SetLong(static_cast<int32_t>(static_cast<uint32_t>(GetLong()) +
                                   static_cast<uint32_t>(other.GetLong())));
      break;
    case KIV_REAL:
    case KIV_STRING: {
      double a = GetReal();
      SetReal(a + other.GetReal());
      break;
    }
    default:
      PushDecimal();
      other.PushDecimal();
      Kiv$DecAdd();
      PopDecimal();
      break;
  }
}

void Ufo::DivideBy(Ufo& other) {
  switch (kiv::core::meetingClass(Kind(), other.Kind())) {
    case KIV_REAL:
    case KIV_STRING: {
      double a = GetReal();
      // A divisor equal to zero gives 0, as the runtime's REAL division does.
      SetReal(Kiv$divide(a, other.GetReal()));
      break;
    }
    default:
      PushDecimal();
      other.PushDecimal();
      Kiv$DecDivide();
      PopDecimal();
      break;
  }
}

void Ufo::SetAddress(void* addr) {
  if (ownsStorage()) std::free(addr_);
  flags_ &= static_cast<uint8_t>(~kUfoOwnsStorage);
  addr_ = addr;
}

Ufo* Ufo::Clone(int32_t mode) {
  if (mode == 1) {
    auto* snapshot = new ValueUfo();
    snapshot->Assign(*this);
    return snapshot;
  }
  return Duplicate(mode == 2);
}

void Ufo::takeOwnedCopy(uint32_t size) {
  void* copy = std::calloc(size ? size : 1, 1);
  if (copy && addr_ && size) std::memcpy(copy, addr_, size);
  if (ownsStorage()) std::free(addr_);
  addr_ = copy;
  flags_ |= kUfoOwnsStorage;
}

void Ufo::takeOwnedStorage(uint32_t size) {
  if (ownsStorage()) std::free(addr_);
  addr_ = std::calloc(size ? size : 1, 1);
  flags_ |= kUfoOwnsStorage;
}
