// Order-preserving encoding of key values.
#include "drivers/zephra/key_codec.h"

#include <cmath>
#include <cstring>

#include "include/kvrun32.h"

namespace kiv::zephra {
namespace {

using kiv::data::RecordField;

bool isText(uint8_t type) {
  return type == KIV_STRING || type == KIV_CSTRING || type == KIV_PSTRING;
}

uint8_t textWeight(uint8_t c, bool caseBlind) {
  if (caseBlind && (ISFINFO.classFlags[c] & KIV_ISF_LOWER) && ISFINFO.caseMap[c])
    c = ISFINFO.caseMap[c];
  return ISFINFO.oemMode ? ISFINFO.collateOem[c] : ISFINFO.collate[c];
}

// The weights of every character code, made from the locale's tables and made again when they
// change; long text fields are encoded through it.
class WeightTable {
 public:
  const uint8_t* weights(bool caseBlind) {
    if (!current()) {
      std::memcpy(collate_, ISFINFO.collate, sizeof collate_);
      std::memcpy(caseMap_, ISFINFO.caseMap, sizeof caseMap_);
      std::memcpy(classFlags_, ISFINFO.classFlags, sizeof classFlags_);
      std::memcpy(collateOem_, ISFINFO.collateOem, sizeof collateOem_);
      oemMode_ = ISFINFO.oemMode;
      for (int c = 0; c < 256; ++c) {
        weights_[0][c] = textWeight(static_cast<uint8_t>(c), false);
        weights_[1][c] = textWeight(static_cast<uint8_t>(c), true);
      }
      made_ = true;
    }
    return weights_[caseBlind ? 1 : 0];
  }

 private:
  bool current() const {
    return made_ && oemMode_ == ISFINFO.oemMode &&
           std::memcmp(collate_, ISFINFO.collate, sizeof collate_) == 0 &&
           std::memcmp(caseMap_, ISFINFO.caseMap, sizeof caseMap_) == 0 &&
           std::memcmp(classFlags_, ISFINFO.classFlags, sizeof classFlags_) == 0 &&
           std::memcmp(collateOem_, ISFINFO.collateOem, sizeof collateOem_) == 0;
  }
  bool made_ = false;
  int32_t oemMode_ = 0;
  uint8_t collate_[256], caseMap_[256], classFlags_[256], collateOem_[256];
  uint8_t weights_[2][256];
};

// Below this width a text is encoded character by character: checking the table costs more.
constexpr uint32_t kTableWidth = 64;

// Writes the encoded bytes of one field into a buffer of its encoded width.
class Writer {
 public:
  explicit Writer(char* at) : at_(at) {}
  void put(uint8_t b) { *at_++ = static_cast<char>(b); }
  void putBigEndian(uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) put(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
  }

 private:
  char* at_;
};

template <typename T>
T load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void putReal(Writer& out, double d) {
  if (d == 0.0) d = 0.0;  // -0 sorts with 0
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  bits = (bits & 0x8000000000000000ULL) ? ~bits : bits | 0x8000000000000000ULL;
  out.putBigEndian(bits, 8);
}

// Packed decimal digits, most significant first, and the sign, for either storage layout.
void putDecimal(Writer& out, const uint8_t* p, uint32_t size, bool portable) {
  uint8_t digits[2 * 256];
  uint32_t n = 0;
  bool negative;
  size = std::min<uint32_t>(size, 256);
  if (portable) {
    for (uint32_t i = 0; i < size; ++i) {
      digits[n++] = p[i] >> 4;
      if (i + 1 < size) digits[n++] = p[i] & 0xF;
    }
    negative = (p[size - 1] & 0xF) == 13;
  } else {
    negative = (p[0] >> 4) != 0;
    digits[n++] = p[0] & 0xF;
    for (uint32_t i = 1; i < size; ++i) {
      digits[n++] = p[i] >> 4;
      digits[n++] = p[i] & 0xF;
    }
  }
  bool zero = true;
  for (uint32_t i = 0; i < n; ++i)
    if (digits[i]) zero = false;
  if (zero) negative = false;
  out.put(negative ? 0 : 1);
  // Two digits a byte; a negative value's magnitude is inverted so larger sorts lower.
  for (uint32_t i = 0; i < n; i += 2) {
    uint8_t hi = digits[i];
    uint8_t lo = i + 1 < n ? digits[i + 1] : 0;
    uint8_t b = static_cast<uint8_t>(hi * 10 + lo);
    out.put(negative ? 99 - b : b);
  }
}

bool blankField(const RecordField& f, const uint8_t* p) {
  if (isText(f.type) || f.type == KIV_GROUP) {
    uint32_t start = f.type == KIV_PSTRING ? 1 : 0;
    if (f.type == KIV_PSTRING && p[0] == 0) return true;
    for (uint32_t i = start; i < f.size; ++i) {
      if (f.type == KIV_CSTRING && p[i] == 0) return true;
      if (p[i] != ' ' && p[i] != 0) return false;
    }
    return true;
  }
  if (f.type == KIV_DECIMAL) {
    if (p[0] & 0xF) return false;
    for (uint32_t i = 1; i < f.size; ++i)
      if (p[i]) return false;
    return true;
  }
  if (f.type == KIV_PDECIMAL) {
    for (uint32_t i = 0; i < f.size; ++i)
      if ((i + 1 < f.size ? p[i] : (p[i] & 0xF0)) != 0) return false;
    return true;
  }
  for (uint32_t i = 0; i < f.size; ++i)
    if (p[i]) return false;
  return true;
}

void encodeText(Writer& out, const uint8_t* p, uint32_t n, uint32_t width, bool caseBlind) {
  if (width < kTableWidth) {
    for (uint32_t i = 0; i < width; ++i) out.put(textWeight(i < n ? p[i] : ' ', caseBlind));
    return;
  }
  thread_local WeightTable table;
  const uint8_t* w = table.weights(caseBlind);
  for (uint32_t i = 0; i < width; ++i) out.put(w[i < n ? p[i] : ' ']);
}

void encodeField(const RecordField& f, const uint8_t* p, bool caseBlind, char* at) {
  Writer out(at);
  switch (f.type) {
    case KIV_BYTE:
      out.put(p[0]);
      break;
    case KIV_SHORT:
      out.putBigEndian(static_cast<uint16_t>(load<int16_t>(p)) ^ 0x8000u, 2);
      break;
    case KIV_USHORT:
      out.putBigEndian(load<uint16_t>(p), 2);
      break;
    case KIV_LONG:
      out.putBigEndian(static_cast<uint32_t>(load<int32_t>(p)) ^ 0x80000000u, 4);
      break;
    case KIV_ULONG:
      out.putBigEndian(load<uint32_t>(p), 4);
      break;
    case KIV_DATE:  // day, month, year (16 bits): year first
      out.putBigEndian(load<uint16_t>(p + 2), 2);
      out.put(p[1]);
      out.put(p[0]);
      break;
    case KIV_TIME:  // hundredths, seconds, minutes, hours: hours first
      for (int i = 3; i >= 0; --i) out.put(p[i]);
      break;
    case KIV_SREAL:
      putReal(out, load<float>(p));
      break;
    case KIV_REAL:
      putReal(out, load<double>(p));
      break;
    case KIV_DECIMAL:
      putDecimal(out, p, f.size, false);
      break;
    case KIV_PDECIMAL:
      putDecimal(out, p, f.size, true);
      break;
    case KIV_STRING:
    case KIV_GROUP:
      encodeText(out, p, f.size, f.size, caseBlind);
      break;
    case KIV_CSTRING:
      encodeText(out, p, static_cast<uint32_t>(strnlen(reinterpret_cast<const char*>(p), f.size)),
                 f.size, caseBlind);
      break;
    case KIV_PSTRING:
      encodeText(out, p + 1, std::min<uint32_t>(p[0], f.size - 1), f.size - 1, caseBlind);
      break;
    default:
      break;
  }
}

std::string upperLabel(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    auto u = static_cast<uint8_t>(c);
    if ((ISFINFO.classFlags[u] & KIV_ISF_LOWER) && ISFINFO.caseMap[u])
      c = static_cast<char>(ISFINFO.caseMap[u]);
  }
  return r;
}

bool addPart(const RecordField& f, bool descending, KeyShape& shape) {
  uint32_t w = encodedWidth(f);
  if (w == 0) return false;
  shape.parts.push_back({f, descending});
  shape.width += w;
  return true;
}

}  // namespace

uint32_t encodedWidth(const RecordField& f) {
  if (f.dim > 1 || f.overlay) return 0;
  switch (f.type) {
    case KIV_BYTE:
      return 1;
    case KIV_SHORT:
    case KIV_USHORT:
      return 2;
    case KIV_LONG:
    case KIV_ULONG:
    case KIV_DATE:
    case KIV_TIME:
      return 4;
    case KIV_SREAL:
    case KIV_REAL:
      return 8;
    case KIV_DECIMAL:
    case KIV_PDECIMAL:
      return f.size == 0 ? 0 : 1 + f.size;
    case KIV_STRING:
    case KIV_CSTRING:
    case KIV_GROUP:
      return f.size;
    case KIV_PSTRING:
      return f.size > 0 ? f.size - 1 : 0;
    default:
      return 0;
  }
}

bool shapeFromFields(const std::vector<RecordField>& fields, const int32_t* numbers, uint32_t count,
                     bool caseBlind, bool optional, KeyShape& shape) {
  shape = KeyShape{{}, caseBlind, optional, 0};
  if (count == 0 || !numbers) return false;
  for (uint32_t i = 0; i < count; ++i) {
    int32_t n = numbers[i];
    if (n < 1 || static_cast<size_t>(n) > fields.size()) return false;
    if (!addPart(fields[n - 1], false, shape)) return false;
  }
  return true;
}

bool shapeFromComponents(const std::vector<RecordField>& fields, std::string_view components,
                         bool caseBlind, bool optional, KeyShape& shape) {
  shape = KeyShape{{}, caseBlind, optional, 0};
  size_t pos = 0;
  while (pos <= components.size()) {
    size_t comma = components.find(',', pos);
    if (comma == std::string_view::npos) comma = components.size();
    std::string_view part = components.substr(pos, comma - pos);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    bool descending = false;
    if (!part.empty() && (part.front() == '+' || part.front() == '-')) {
      descending = part.front() == '-';
      part.remove_prefix(1);
      while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    }
    if (part.empty()) return false;
    std::string label = upperLabel(part);
    const RecordField* found = nullptr;
    for (const RecordField& f : fields)
      if (upperLabel(f.name) == label) {
        found = &f;
        break;
      }
    if (!found || !addPart(*found, descending, shape)) return false;
    pos = comma + 1;
  }
  return !shape.parts.empty();
}

bool encodeKey(const KeyShape& shape, const uint8_t* record, std::string& out) {
  out.assign(shape.width, '\0');
  bool allBlank = true;
  size_t start = 0;
  for (const KeyPart& part : shape.parts) {
    const uint8_t* p = record + part.field.offset;
    if (allBlank && !blankField(part.field, p)) allBlank = false;
    const size_t width = encodedWidth(part.field);
    encodeField(part.field, p, shape.caseBlind, out.data() + start);
    if (part.descending)
      for (size_t i = start; i < start + width; ++i) out[i] = static_cast<char>(~out[i]);
    start += width;
  }
  return !(shape.optional && allBlank);
}

std::string shapeSignature(const KeyShape& shape) {
  std::string s = shape.caseBlind ? "N" : "C";
  if (shape.optional) s += "O";
  for (const KeyPart& p : shape.parts)
    s += (p.descending ? "-" : "+") + std::to_string(p.field.type) + ":" +
         std::to_string(p.field.size) + "@" + std::to_string(p.field.offset);
  return s;
}

}  // namespace kiv::zephra
