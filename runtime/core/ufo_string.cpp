// The STRING family: STRING, CSTRING, PSTRING and references. Every conversion goes through
// the string stack, so the store rules of the three string types apply.
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/format/charsets.h"

StringUfo::StringUfo(uint8_t type, void* addr, uint32_t len, bool ownCopy)
    : VarUfo(type, addr), len_(len) {
  if (ownCopy) takeOwnedCopy(len_);
}

Ufo* StringUfo::makeLike(void* addr, bool ownCopy) { return new StringUfo(addr, len_, ownCopy); }

void StringUfo::PushValue() {
  if (addr_)
    Kiv$PushString(static_cast<const char*>(addr_), len_);
  else
    Kiv$PushNull();
}

void StringUfo::PopValue() {
  if (addr_)
    Kiv$PopString(static_cast<char*>(addr_), len_);
  else
    Kiv$STACKpop();
}

void StringUfo::SetLong(int32_t value) {
  Kiv$PushLong(value);
  PopValue();
}

void StringUfo::SetReal(double value) {
  Kiv$PushReal(value);
  PopValue();
}

double StringUfo::GetReal() {
  PushValue();
  return Kiv$PopReal();
}

int32_t StringUfo::GetLong() { return Kiv$lroundd(GetReal()); }

void StringUfo::PushDecimal() {
  PushValue();
  Kiv$Stack2DStack();
}

void StringUfo::PopDecimal() {
  Kiv$DStack2Stack();
  PopValue();
}

void StringUfo::Assign(Ufo& source) {
  source.PushValue();
  PopValue();
}

int32_t StringUfo::Compare(Ufo& other) {
  int32_t kind = other.Kind();
  if (kind == KIV_STRING || kind == KIV_PICTURED) return kiv::core::compareAsStrings(*this, other);
  return kiv::core::compareAsReals(*this, other);
}

void StringUfo::ClearTo(int32_t sign) {
  if (addr_) Kiv$storestr(static_cast<char*>(addr_), len_, nullptr, sign);
}

void StringUfo::Save(UfoWriter& writer) {
  writer.WriteByte(type_);
  uint8_t n[4] = {uint8_t(len_), uint8_t(len_ >> 8), uint8_t(len_ >> 16), uint8_t(len_ >> 24)};
  writer.WriteBytes(n, 4);
  if (addr_) {
    writer.WriteBytes(addr_, len_);
  } else {
    for (uint32_t i = 0; i < len_; ++i) writer.WriteByte(0);
  }
}

void StringUfo::Load(UfoReader& reader) {
  uint8_t savedType = readTypeCode(reader);
  uint8_t n[4];
  reader.ReadBytes(n, 4);
  uint32_t len = n[0] | (n[1] << 8) | (n[2] << 16) | (uint32_t(n[3]) << 24);
  // Read in pieces so that a damaged length cannot ask for a huge allocation at once.
  std::string bytes;
  char chunk[256];
  while (len > 0 && !reader.Failed()) {
    uint32_t part = len < sizeof chunk ? len : static_cast<uint32_t>(sizeof chunk);
    reader.ReadBytes(chunk, part);
    bytes.append(chunk, part);
    len -= part;
  }
  ownBeforeLoad();
  if (savedType == type_ && bytes.size() == len_) {
    if (len_) std::memcpy(addr_, bytes.data(), len_);
    return;
  }
  // Saved with another length or type: store the saved text by this type's rule.
  kiv::core::pushCopy(bytes);
  PopValue();
}

Ufo* StringUfo::Duplicate(bool ownCopy) { return makeLike(addr_, ownCopy); }

Ufo* StringUfo::Slice(int32_t start, int32_t end) {
  if (start < 1 || start > end || static_cast<uint32_t>(end) > len_) {
    kiv::core::typingError(8);
    return nullptr;
  }
  return new StringUfo(static_cast<char*>(addr_) + (start - 1),
                       static_cast<uint32_t>(end - start + 1), false);
}

// The whole buffer converts: bytes after a CSTRING's NUL are not text, and NUL stays NUL.
void StringUfo::OemToAnsi() {
  if (addr_) kiv::format::oemToAnsi(static_cast<char*>(addr_), len_);
}

void StringUfo::AnsiToOem() {
  if (addr_) kiv::format::ansiToOem(static_cast<char*>(addr_), len_);
}

// CSTRING: the text ends at the first NUL inside the buffer.

Ufo* CstringUfo::makeLike(void* addr, bool ownCopy) { return new CstringUfo(addr, len_, ownCopy); }

void CstringUfo::PushValue() {
  if (!addr_) {
    Kiv$PushNull();
    return;
  }
  auto* text = static_cast<const char*>(addr_);
  if (std::memchr(text, 0, len_)) {
    Kiv$PushCString(text);
  } else {
    // No terminator inside the buffer: the text is the whole buffer, never beyond it.
    kiv::core::pushCopy(std::string_view(text, len_));
  }
}

void CstringUfo::PopValue() {
  if (addr_)
    Kiv$PopCString(static_cast<char*>(addr_), len_);
  else
    Kiv$STACKpop();
}

void CstringUfo::ClearTo(int32_t sign) {
  if (addr_) Kiv$storecstr(static_cast<char*>(addr_), len_, nullptr, sign);
}

// PSTRING: a length byte, then the text.

Ufo* PstringUfo::makeLike(void* addr, bool ownCopy) { return new PstringUfo(addr, len_, ownCopy); }

void PstringUfo::PushValue() {
  if (!addr_ || len_ == 0) {
    Kiv$PushNull();
    return;
  }
  auto* buffer = static_cast<const char*>(addr_);
  uint32_t count = static_cast<uint8_t>(buffer[0]);
  if (count > len_ - 1) count = len_ - 1;  // a damaged count never reads past the buffer
  Kiv$PushString(buffer + 1, count);
}

void PstringUfo::PopValue() {
  if (addr_)
    Kiv$PopPString(static_cast<char*>(addr_), len_);
  else
    Kiv$STACKpop();
}

void PstringUfo::ClearTo(int32_t sign) {
  if (addr_) Kiv$storepstr(static_cast<char*>(addr_), len_, nullptr, sign);
}

// Only the counted text converts, never the length byte.
void PstringUfo::OemToAnsi() {
  if (!addr_ || len_ == 0) return;
  auto* buffer = static_cast<char*>(addr_);
  uint32_t count = static_cast<uint8_t>(buffer[0]);
  kiv::format::oemToAnsi(buffer + 1, count < len_ - 1 ? count : len_ - 1);
}

void PstringUfo::AnsiToOem() {
  if (!addr_ || len_ == 0) return;
  auto* buffer = static_cast<char*>(addr_);
  uint32_t count = static_cast<uint8_t>(buffer[0]);
  kiv::format::ansiToOem(buffer + 1, count < len_ - 1 ? count : len_ - 1);
}

// A reference clears to zero bytes whatever the sign.

Ufo* RefUfo::makeLike(void* addr, bool ownCopy) { return new RefUfo(addr, ownCopy); }

void RefUfo::ClearTo(int32_t) {
  if (addr_) std::memset(addr_, 0, len_);
}

// A reference that CLEAR left as zero bytes is blank, like any other cleared value.
bool RefUfo::IsBlank() {
  if (!addr_) return true;
  auto* b = static_cast<const uint8_t*>(addr_);
  bool zero = true;
  for (uint32_t i = 0; i < len_; ++i) zero = zero && b[i] == 0;
  return zero || StringUfo::IsBlank();
}
