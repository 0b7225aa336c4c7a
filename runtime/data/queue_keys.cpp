#include "runtime/data/queue_keys.h"

#include <cctype>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/real_ops.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/core/ascii_names.h"

namespace kiv::data {
namespace {

uint32_t findLabel(const class_descriptor& layout, std::string_view label) {
  if (uint32_t n = layout.FindField(label)) return n;
  for (uint32_t n = 1; n <= layout.NFields(); ++n) {
    std::string_view name = layout.FieldDesc(n).name;
    size_t colon = name.rfind(':');
    if (colon != std::string_view::npos &&
        core::sameNameIgnoringCase(name.substr(colon + 1), label))
      return n;
  }
  return 0;
}

template <typename T>
T load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
int32_t order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

std::string_view cText(const uint8_t* p, uint32_t size) {
  return {reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), size)};
}

std::string_view pText(const uint8_t* p, uint32_t size) {
  uint32_t len = size == 0 ? 0 : std::min<uint32_t>(p[0], size - 1);
  return {reinterpret_cast<const char*>(p + 1), len};
}

// Collation decides at the first character whose weights differ, so a shared start of equal
// characters is passed over first, eight at a time (not when digraphs weigh pairs of characters).
int32_t collateTexts(std::string_view a, std::string_view b) {
  if (ISFINFO.digraphCount == 0) {
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    while (i + 8 <= common && load<uint64_t>(reinterpret_cast<const uint8_t*>(a.data() + i)) ==
                                  load<uint64_t>(reinterpret_cast<const uint8_t*>(b.data() + i)))
      i += 8;
    while (i < common && a[i] == b[i]) ++i;
    if (i == a.size() && i == b.size()) return 0;
    a.remove_prefix(i);
    b.remove_prefix(i);
  }
  return kiv::core::collate(a, b, false);
}

// Two DECIMAL values of one field (same size and places): the packed digits, most significant
// first, order like the numbers; the high nibble of byte 0 is the sign (zero has none).
int32_t compareDecimals(const uint8_t* a, const uint8_t* b, uint32_t size) {
  auto isZero = [size](const uint8_t* d) {
    if (d[0] & 0x0F) return false;
    for (uint32_t i = 1; i < size; ++i)
      if (d[i]) return false;
    return true;
  };
  const bool negativeA = (a[0] >> 4) != 0 && !isZero(a);
  const bool negativeB = (b[0] >> 4) != 0 && !isZero(b);
  if (negativeA != negativeB) return negativeA ? -1 : 1;
  int32_t magnitude = order(a[0] & 0x0F, b[0] & 0x0F);
  if (magnitude == 0 && size > 1) {
    const int c = std::memcmp(a + 1, b + 1, size - 1);
    magnitude = c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return negativeA ? -magnitude : magnitude;
}

// The character at i of a text that weighs as if padded with blanks.
uint8_t charAt(std::string_view text, size_t i) {
  return i < text.size() ? static_cast<uint8_t>(text[i]) : uint8_t(' ');
}

}  // namespace

bool keysFromNumbers(const class_descriptor& layout, const int32_t* fields,
                     std::vector<KeyComponent>* keys) {
  std::vector<KeyComponent> result;
  for (const int32_t* f = fields; f && *f != 0; ++f) {
    uint32_t n = *f < 0 ? uint32_t(-int64_t(*f)) : uint32_t(*f);
    if (n > layout.NFields()) return false;
    if (result.size() < kMaxKeyComponents) result.push_back({n, *f < 0});
  }
  *keys = std::move(result);
  return true;
}

bool keysFromText(const class_descriptor& layout, std::string_view text,
                  std::vector<KeyComponent>* keys) {
  std::vector<KeyComponent> result;
  size_t i = 0;
  auto separator = [](char c) { return c == ',' || static_cast<unsigned char>(c) <= ' '; };
  for (;;) {
    while (i < text.size() && separator(text[i])) ++i;
    if (i >= text.size()) break;
    bool descending = false;
    if (text[i] == '+' || text[i] == '-') descending = text[i++] == '-';
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    size_t start = i;
    while (i < text.size() && !separator(text[i])) ++i;
    if (i == start) return false;
    uint32_t n = findLabel(layout, text.substr(start, i - start));
    if (n == 0) return false;
    if (result.size() < kMaxKeyComponents) result.push_back({n, descending});
  }
  *keys = std::move(result);
  return true;
}

RecordComparer::RecordComparer(const class_descriptor& layout,
                               const std::vector<KeyComponent>& keys) {
  for (const KeyComponent& key : keys) {
    const FieldDescription& f = layout.FieldDesc(key.field);
    Part part{Method::Described, f.offset, f.size, key.descending};
    if (f.dim <= 1) {
      switch (f.type) {
        case KIV_BYTE:
          part.method = Method::U8;
          break;
        case KIV_SHORT:
          part.method = Method::I16;
          break;
        case KIV_USHORT:
          part.method = Method::U16;
          break;
        case KIV_LONG:
          part.method = Method::I32;
          break;
        // A DATE's year, month and day and a TIME's hours down to hundredths lie from the most
        // significant byte down, so their stored words order like their serials.
        case KIV_DATE:
        case KIV_TIME:
        case KIV_ULONG:
          part.method = Method::U32;
          break;
        case KIV_SREAL:
          part.method = Method::Sreal;
          break;
        case KIV_DECIMAL:
          part.method = Method::Decimal;
          break;
        case KIV_REAL:
          part.method = Method::Real;
          break;
        case KIV_BFLOAT4:
          part.method = Method::Bfloat4;
          break;
        case KIV_BFLOAT8:
          part.method = Method::Bfloat8;
          break;
        case KIV_STRING:
        case KIV_GROUP:
        case KIV_REFERENCE:
          part.method = Method::Text;
          break;
        case KIV_CSTRING:
          part.method = Method::Ctext;
          break;
        case KIV_PSTRING:
          part.method = Method::Ptext;
          break;
        default:
          break;
      }
    }
    if (part.method == Method::Described) {
      part.left = layout.FieldUfo(nullptr, key.field);
      part.right = layout.FieldUfo(nullptr, key.field);
      if (!part.left || !part.right) {
        Kiv$FreeUfo(part.left);
        Kiv$FreeUfo(part.right);
        continue;
      }
    }
    parts_.push_back(part);
  }
  if (!parts_.empty()) {
    switch (parts_.front().method) {
      case Method::U8:
      case Method::I16:
      case Method::U16:
      case Method::I32:
      case Method::U32:
        codeMethod_ = CodeMethod::Whole;
        break;
      case Method::Text:
      case Method::Ctext:
      case Method::Ptext:
        codeMethod_ = CodeMethod::Text;
        keepCollation();
        break;
      default:
        break;
    }
  }
}

RecordComparer::~RecordComparer() {
  for (Part& p : parts_) {
    Kiv$FreeUfo(p.left);
    Kiv$FreeUfo(p.right);
  }
}

int32_t RecordComparer::comparePart(const Part& p, const uint8_t* a, const uint8_t* b) const {
  a += p.offset;
  b += p.offset;
  switch (p.method) {
    case Method::U8:
      return order(a[0], b[0]);
    case Method::I16:
      return order(load<int16_t>(a), load<int16_t>(b));
    case Method::U16:
      return order(load<uint16_t>(a), load<uint16_t>(b));
    case Method::I32:
      return order(load<int32_t>(a), load<int32_t>(b));
    case Method::U32:
      return order(load<uint32_t>(a), load<uint32_t>(b));
    case Method::Sreal:
      return kiv::core::realCompare(double(load<float>(a)), double(load<float>(b)));
    case Method::Decimal:
      return compareDecimals(a, b, p.size);
    case Method::Real:
      return kiv::core::realCompare(load<double>(a), load<double>(b));
    case Method::Bfloat4:
      return kiv::core::realCompare(Kiv$bloadfloat4(a), Kiv$bloadfloat4(b));
    case Method::Bfloat8:
      return kiv::core::realCompare(Kiv$bloadfloat(a), Kiv$bloadfloat(b));
    case Method::Text:
      return collateTexts({reinterpret_cast<const char*>(a), p.size},
                          {reinterpret_cast<const char*>(b), p.size});
    case Method::Ctext:
      return collateTexts(cText(a, p.size), cText(b, p.size));
    case Method::Ptext:
      return collateTexts(pText(a, p.size), pText(b, p.size));
    case Method::Described:
      p.left->SetAddress(const_cast<uint8_t*>(a));
      p.right->SetAddress(const_cast<uint8_t*>(b));
      return p.left->Compare(*p.right);
  }
  return 0;
}

bool RecordComparer::keepCollation() {
  if (codeMethod_ != CodeMethod::Text) return true;
  const bool digraphs = ISFINFO.digraphCount > 0;
  const uint8_t* weights = ISFINFO.oemMode ? ISFINFO.collateOem : ISFINFO.collate;
  if (digraphs == digraphs_ && std::memcmp(weights, weights_, sizeof weights_) == 0) return true;
  digraphs_ = digraphs;
  std::memcpy(weights_, weights, sizeof weights_);
  return false;
}

std::string_view RecordComparer::firstText(const uint8_t* record) const {
  const Part& p = parts_.front();
  const uint8_t* f = record + p.offset;
  switch (p.method) {
    case Method::Ctext:
      return cText(f, p.size);
    case Method::Ptext:
      return pText(f, p.size);
    default:
      return {reinterpret_cast<const char*>(f), p.size};
  }
}

size_t RecordComparer::sharedStart(const uint8_t* a, const uint8_t* b, size_t limit) const {
  if (codeMethod_ != CodeMethod::Text) return 0;
  const std::string_view x = firstText(a), y = firstText(b);
  size_t i = 0;
  while (i < limit && charAt(x, i) == charAt(y, i)) ++i;
  return i;
}

size_t RecordComparer::textLength() const {
  return codeMethod_ == CodeMethod::Text ? parts_.front().size : 0;
}

void RecordComparer::setTextStart(const uint8_t* sample, size_t length) {
  start_.clear();
  if (codeMethod_ != CodeMethod::Text) return;
  const std::string_view text = firstText(sample);
  for (size_t i = 0; i < length; ++i) start_.push_back(charAt(text, i));
}

// The weights of 8 characters after the shared start, the first in the top byte; a text that
// does not begin with the shared start is below or above every one that does.
uint64_t RecordComparer::textCode(std::string_view text) const {
  if (digraphs_) return 0;
  size_t i = 0;
  for (; i < start_.size(); ++i) {
    const uint8_t c = charAt(text, i);
    if (c == start_[i] || weights_[c] == weights_[start_[i]]) continue;
    return weights_[c] < weights_[start_[i]] ? 0 : ~uint64_t(0);
  }
  uint64_t code = 0;
  for (size_t k = 0; k < 8; ++k) code = code << 8 | weights_[charAt(text, i + k)];
  return code;
}

uint64_t RecordComparer::code(const uint8_t* record) const {
  if (codeMethod_ == CodeMethod::None) return 0;
  const Part& p = parts_.front();
  const uint8_t* f = record + p.offset;
  uint64_t code = 0;
  switch (p.method) {
    case Method::U8:
      code = f[0];
      break;
    case Method::I16:
      code = uint16_t(load<int16_t>(f)) ^ 0x8000u;
      break;
    case Method::U16:
      code = load<uint16_t>(f);
      break;
    case Method::I32:
      code = uint32_t(load<int32_t>(f)) ^ 0x80000000u;
      break;
    case Method::U32:
      code = load<uint32_t>(f);
      break;
    case Method::Text:
    case Method::Ctext:
    case Method::Ptext:
      code = textCode(firstText(record));
      break;
    default:
      break;
  }
  return p.descending ? ~code : code;
}

int32_t RecordComparer::compare(const uint8_t* a, const uint8_t* b) const {
  for (const Part& p : parts_) {
    int32_t r = comparePart(p, a, b);
    if (r != 0) return p.descending ? -r : r;
  }
  return 0;
}

}  // namespace kiv::data
