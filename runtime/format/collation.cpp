// Collation, character classes and case conversion through the locale tables.
#include "runtime/format/collation.h"

#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/format/charsets.h"

namespace kiv::format {
namespace {

// Reads a text unit by unit: one character, or a defined digraph as its weighing character.
class WeightReader {
 public:
  WeightReader(std::string_view text, CollationMode mode)
      : text_(text),
        mode_(mode),
        table_(mode.oem ? ISFINFO.collateOem : ISFINFO.collate),
        digraphs_(mode.oem ? ISFINFO.digraphsOem : ISFINFO.digraphs) {}

  bool done() const { return pos_ >= text_.size(); }
  size_t position() const { return pos_; }

  // The weight of the next unit; `isSpace` tells a plain space.
  int next(bool* isSpace = nullptr) {
    uint8_t c = fold(static_cast<uint8_t>(text_[pos_]));
    if (isSpace) *isSpace = text_[pos_] == ' ';
    if (pos_ + 1 < text_.size()) {
      uint8_t d = fold(static_cast<uint8_t>(text_[pos_ + 1]));
      for (int32_t i = 0; i < ISFINFO.digraphCount && i < 16; ++i) {
        if (fold(digraphs_[i][0]) == c && fold(digraphs_[i][1]) == d) {
          pos_ += 2;
          if (isSpace) *isSpace = false;
          return table_[fold(digraphs_[i][2])];
        }
      }
    }
    ++pos_;
    return table_[c];
  }

 private:
  uint8_t fold(uint8_t c) const {
    if (mode_.caseBlind && (ISFINFO.classFlags[c] & KIV_ISF_LOWER) && ISFINFO.caseMap[c])
      return ISFINFO.caseMap[c];
    return c;
  }

  std::string_view text_;
  CollationMode mode_;
  const uint8_t* table_;
  const uint8_t (*digraphs_)[3];
  size_t pos_ = 0;
};

}  // namespace

int32_t collateText(std::string_view a, std::string_view b, CollationMode mode) {
  if (a.empty() && b.empty()) return 0;
  WeightReader ra(a, mode), rb(b, mode);
  while (!ra.done() && !rb.done()) {
    int wa = ra.next(), wb = rb.next();
    if (wa != wb) return wa - wb;
  }
  // The rest of the longer text weighs against spaces; spaces themselves never count.
  bool aLonger = !ra.done();
  WeightReader& rest = aLonger ? ra : rb;
  const uint8_t* table = mode.oem ? ISFINFO.collateOem : ISFINFO.collate;
  int space = table[uint8_t(' ')];
  while (!rest.done()) {
    bool isSpace = false;
    int w = rest.next(&isSpace);
    if (isSpace || w == space) continue;
    return aLonger ? w - space : space - w;
  }
  return 0;
}

int32_t compareFixed(const char* a, const char* b, uint32_t len, CollationMode mode) {
  if (!a || !b || len == 0) return 0;
  if (ISFINFO.digraphCount == 0) {
    // Without digraphs every character is one unit.
    const uint8_t* table = mode.oem ? ISFINFO.collateOem : ISFINFO.collate;
    for (uint32_t i = 0; i < len; ++i) {
      uint8_t ca = static_cast<uint8_t>(a[i]), cb = static_cast<uint8_t>(b[i]);
      if (ca == cb) continue;
      if (mode.caseBlind) {
        if ((ISFINFO.classFlags[ca] & KIV_ISF_LOWER) && ISFINFO.caseMap[ca])
          ca = ISFINFO.caseMap[ca];
        if ((ISFINFO.classFlags[cb] & KIV_ISF_LOWER) && ISFINFO.caseMap[cb])
          cb = ISFINFO.caseMap[cb];
      }
      if (table[ca] != table[cb]) return table[ca] - table[cb];
    }
    return 0;
  }
  WeightReader ra({a, len}, mode), rb({b, len}, mode);
  while (!ra.done() && !rb.done()) {
    int wa = ra.next(), wb = rb.next();
    if (wa != wb) return wa - wb;
  }
  // A digraph on one side only can leave the other side with a unit to spare.
  if (!ra.done()) return ra.next();
  if (!rb.done()) return -rb.next();
  return 0;
}

}  // namespace kiv::format

using namespace kiv::format;

namespace {

bool hasFlag(int32_t c, uint8_t flag) {
  return c >= 0 && c < 256 && (ISFINFO.classFlags[c] & flag) != 0;
}

void mapCase(char* text, uint32_t len, uint8_t fromFlag) {
  if (!text) return;
  for (uint32_t i = 0; i < len; ++i) {
    uint8_t c = static_cast<uint8_t>(text[i]);
    if ((ISFINFO.classFlags[c] & fromFlag) && ISFINFO.caseMap[c])
      text[i] = static_cast<char>(ISFINFO.caseMap[c]);
  }
}

// Pops the top of the string stack and gives its first character, or -1 when it is empty.
int32_t popFirstCharacter() {
  std::string text = kiv::core::popText();
  return text.empty() ? -1 : static_cast<uint8_t>(text[0]);
}

}  // namespace

extern "C" {

int32_t Kiv$isftoupper(int32_t c) {
  return hasFlag(c, KIV_ISF_LOWER) && ISFINFO.caseMap[c] ? ISFINFO.caseMap[c] : c;
}

int32_t Kiv$isftolower(int32_t c) {
  return hasFlag(c, KIV_ISF_UPPER) && ISFINFO.caseMap[c] ? ISFINFO.caseMap[c] : c;
}

int32_t Kiv$isfisupper(int32_t c) { return hasFlag(c, KIV_ISF_UPPER) ? 1 : 0; }
int32_t Kiv$isfislower(int32_t c) { return hasFlag(c, KIV_ISF_LOWER) ? 1 : 0; }
int32_t Kiv$isfisalpha(int32_t c) { return (c >= 0 && c < 256 && ISFINFO.caseMap[c]) ? 1 : 0; }
int32_t Kiv$isfisalnum(int32_t c) { return (c >= 0 && c < 256 && ISFINFO.classFlags[c]) ? 1 : 0; }

void Kiv$isfupper(char* text, uint32_t len) { mapCase(text, len, KIV_ISF_LOWER); }
void Kiv$isflower(char* text, uint32_t len) { mapCase(text, len, KIV_ISF_UPPER); }

int32_t Kiv$isfcompare(const char* a, const char* b, uint32_t len) {
  return compareFixed(a, b, len, {false, false});
}

int32_t Kiv$isficompare(const char* a, const char* b, uint32_t len) {
  return compareFixed(a, b, len, {true, false});
}

int32_t Kiv$isfoemcompare(const char* a, const char* b, uint32_t len) {
  return compareFixed(a, b, len, {false, true});
}

void Kiv$isfconvert(char* text, uint32_t len) {
  if (text && ISFINFO.oemMode) ansiToOem(text, len);
}

void Kiv$isfoemconvert(char* text, uint32_t len) {
  if (text && ISFINFO.oemMode) oemToAnsi(text, len);
}

int32_t Kiv$IsAlpha(void) {
  int32_t c = popFirstCharacter();
  return c >= 0 && ISFINFO.caseMap[c] ? 1 : 0;
}

int32_t Kiv$IsUpper(void) { return Kiv$isfisupper(popFirstCharacter()); }
int32_t Kiv$IsLower(void) { return Kiv$isfislower(popFirstCharacter()); }

uint32_t Kiv$CollationVal(void) {
  std::string text = kiv::core::popText();
  WeightReader reader(text, {false, ISFINFO.oemMode != 0});
  uint32_t packed = 0;
  for (int units = 0; units < 4 && !reader.done(); ++units)
    packed = packed << 8 | static_cast<uint32_t>(reader.next());
  return packed;
}

void Kiv$CollationChar(uint32_t value) {
  const uint8_t* table = ISFINFO.oemMode ? ISFINFO.collateOem : ISFINFO.collate;
  std::string text;
  while (value != 0) {
    uint8_t weight = static_cast<uint8_t>(value & 0xFF);
    int code = weight;  // a weight no character has stands for itself
    for (int c = 0; c < 256; ++c) {
      if (table[c] == weight) {
        code = c;
        break;
      }
    }
    text.insert(text.begin(), static_cast<char>(code));
    value >>= 8;
  }
  kiv::core::pushCopy(text);
}

}  // extern "C"
