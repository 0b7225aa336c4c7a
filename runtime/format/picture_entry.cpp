// The exported picture operations: compile, format, deformat, FORMAT and DEFORMAT, and their
// string-stack and decimal-stack forms.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/format/picture.h"

using namespace kiv::format;

namespace {

const CompiledPicture& asPicture(const void* buffer) {
  return *static_cast<const CompiledPicture*>(buffer);
}

// A heap string of exactly the picture's width holding what `fill` writes; empty when the
// picture does not compile or has no positions.
template <typename Fill>
void formatToHeap(KivHeapStr* result, const char* pict, uint32_t pictLen, Fill fill) {
  if (!result) return;
  *result = KivHeapStr{nullptr, 0};
  CompiledPicture p;
  if (!pict || !compilePicture({pict, pictLen}, p) || p.count == 0) return;
  char* text = static_cast<char*>(std::malloc(p.count));
  if (!text) return;
  fill(p, text);
  *result = KivHeapStr{text, p.count};
}

template <typename Fill>
void formatToStack(const char* pict, uint32_t pictLen, Fill fill) {
  CompiledPicture p;
  if (!pict || !compilePicture({pict, pictLen}, p) || p.count == 0) return kiv::core::pushCopy({});
  char text[255];
  fill(p, text);
  kiv::core::pushCopy({text, p.count});
}

std::string deformatText(std::string_view text, std::string_view pict) {
  if (pict.empty()) return deformatWithoutPicture(text);
  CompiledPicture p;
  if (!compilePicture(pict, p)) return {};
  return deformat(p, text);
}

// The decimal stack's top as exact text (it is popped).
std::string popDecimalText() {
  Kiv$DStack2Stack();
  return kiv::core::popText();
}

// The deformatted text as a LONG: whole numbers exactly, others truncated toward zero.
int32_t longOfText(const std::string& text) {
  DecimalText d;
  if (!parseDecimalText(text, d)) return 0;
  if (d.integer.size() > 10) return 0;
  int64_t v = d.integer.empty() ? 0 : std::stoll(d.integer);
  return static_cast<int32_t>(static_cast<uint32_t>(d.negative ? -v : v));
}

}  // namespace

extern "C" {

int32_t Kiv$storepict(const char* text, uint32_t len, void* buffer) {
  if (!buffer) return -1;
  CompiledPicture& p = *static_cast<CompiledPicture*>(buffer);
  if (!text || !compilePicture({text, len}, p)) {
    if (!text) compilePicture({}, p);
    return -1;
  }
  return p.count;
}

void Kiv$checkpict(uint32_t* result, const char* text, uint32_t len) {
  if (!result) return;
  *result = 0;
  CompiledPicture p;
  if (!text || len == 0 || !compilePicture({text, len}, p)) return;
  *result = static_cast<uint32_t>(p.kindFlags) | static_cast<uint32_t>(p.count) << 8 |
            static_cast<uint32_t>(p.pivot) << 16 | static_cast<uint32_t>(p.reserved) << 24;
}

void Kiv$pictcount(const void* picture, KivPictCount* summary) {
  if (!summary) return;
  *summary = KivPictCount{0, 0, -1, 0, 0};
  if (!picture || !isCompiled(asPicture(picture))) return;
  const CompiledPicture& p = asPicture(picture);
  if (kindOf(p) == PictureKind::String) return;
  for (int i = 0; i < p.count; ++i) {
    const PictureItem& item = p.items[i];
    if (item.role == kDecimal || item.role == kImpliedDecimal) {
      summary->decimalPos = i;
      summary->decimalChar = item.ch;
    } else if (item.role == kDigitFill || item.role == kDigitBlank) {
      if (summary->decimalPos < 0)
        ++summary->integerDigits;
      else
        ++summary->fractionDigits;
    } else if (item.role == kGrouping) {
      ++summary->groupingCount;
    }
  }
}

void Kiv$formatpict(const void* picture, const char* value, uint32_t valueLen, char* output) {
  if (!picture || !output || !isCompiled(asPicture(picture))) return;
  formatText(asPicture(picture), {value ? value : "", value ? valueLen : 0}, output);
}

void Kiv$pictstorelong(const void* picture, int32_t value, char* output) {
  if (!picture || !output || !isCompiled(asPicture(picture))) return;
  const CompiledPicture& p = asPicture(picture);
  if (kindOf(p) == PictureKind::String) return formatText(p, std::to_string(value), output);
  formatLong(p, value, output);
}

void Kiv$pictstorereal(const void* picture, double value, char* output) {
  if (!picture || !output || !isCompiled(asPicture(picture))) return;
  formatReal(asPicture(picture), value, output);
}

const char* Kiv$deformatpict(const void* picture, const char* text, uint32_t len) {
  static std::string result;
  result.clear();
  if (picture && isCompiled(asPicture(picture)))
    result = deformat(asPicture(picture), {text ? text : "", text ? len : 0});
  return result.c_str();
}

void Kiv$FORMATlong(KivHeapStr* result, int32_t value, const char* pict, uint32_t pictLen) {
  formatToHeap(result, pict, pictLen,
               [&](const CompiledPicture& p, char* out) { Kiv$pictstorelong(&p, value, out); });
}

void Kiv$FORMATreal(KivHeapStr* result, double value, const char* pict, uint32_t pictLen) {
  formatToHeap(result, pict, pictLen,
               [&](const CompiledPicture& p, char* out) { formatReal(p, value, out); });
}

void Kiv$FORMATstr(KivHeapStr* result, const char* text, uint32_t len, const char* pict,
                   uint32_t pictLen) {
  std::string_view value(text ? text : "", text ? len : 0);
  formatToHeap(result, pict, pictLen,
               [&](const CompiledPicture& p, char* out) { formatText(p, value, out); });
}

void Kiv$DEFORMAT(KivHeapStr* result, const char* text, uint32_t len, const char* pict,
                  uint32_t pictLen) {
  if (!result) return;
  std::string value =
      deformatText({text ? text : "", text ? len : 0}, {pict ? pict : "", pict ? pictLen : 0});
  Kiv$loadstr(result, value.data(), static_cast<uint32_t>(value.size()));
}

void Kiv$StackFORMAT(void) {
  std::string pict = kiv::core::popText();
  std::string value = kiv::core::popText();
  formatToStack(pict.data(), static_cast<uint32_t>(pict.size()),
                [&](const CompiledPicture& p, char* out) { formatText(p, value, out); });
}

void Kiv$StackDEFORMAT(void) {
  std::string pict = kiv::core::popText();
  std::string text = kiv::core::popText();
  kiv::core::pushCopy(deformatText(text, pict));
}

void Kiv$PushPictLong(int32_t value, const char* pict, uint32_t pictLen) {
  formatToStack(pict, pictLen,
                [&](const CompiledPicture& p, char* out) { Kiv$pictstorelong(&p, value, out); });
}

void Kiv$PushPictReal(double value, const char* pict, uint32_t pictLen) {
  formatToStack(pict, pictLen,
                [&](const CompiledPicture& p, char* out) { formatReal(p, value, out); });
}

void Kiv$PushPictDec(const void* addr, uint32_t size, uint32_t places, const char* pict,
                     uint32_t pictLen) {
  Kiv$DPushDec(addr, size, places);
  Kiv$DPopPict(pict, pictLen);
}

void Kiv$DPopPict(const char* pict, uint32_t pictLen) {
  std::string value = popDecimalText();
  formatToStack(pict, pictLen,
                [&](const CompiledPicture& p, char* out) { formatText(p, value, out); });
}

int32_t Kiv$PopPictLong(const char* pict, uint32_t pictLen) {
  std::string text = kiv::core::popText();
  return longOfText(deformatText(text, {pict ? pict : "", pict ? pictLen : 0}));
}

double Kiv$PopPictReal(const char* pict, uint32_t pictLen) {
  std::string text = kiv::core::popText();
  std::string value = deformatText(text, {pict ? pict : "", pict ? pictLen : 0});
  return std::strtod(value.c_str(), nullptr);
}

}  // extern "C"
