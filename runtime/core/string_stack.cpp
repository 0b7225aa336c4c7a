// The string stack: 32 entries that borrow, own or hold inline the strings of an expression.
#include "runtime/core/string_stack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/format/collation.h"

namespace kiv::core {
namespace {

StackEntry gStack[kStringStackSize];
int gCount = 0;

// Misuse of the stack by a caller is a fault of the program: report it and refuse the operation.
bool checkPop(int n) {
  if (gCount >= n) return true;
  Kiv$rterr(501, "String Stack Error");
  return false;
}

bool checkPush() {
  if (gCount < kStringStackSize) return true;
  Kiv$rterr(401, "String Stack Error");
  return false;
}

StackEntry& top() { return gStack[gCount - 1]; }

void release(StackEntry& e) {
  if (e.kind == EntryKind::Owned) std::free(e.text);
  e.kind = EntryKind::Borrowed;
  e.text = nullptr;
  e.len = 0;
}

char* allocate(uint32_t len) { return static_cast<char*>(std::calloc(size_t(len) + 1, 1)); }

// Replaces the entry's text by a copy of `text` (which may alias the entry itself).
void setCopy(StackEntry& e, const char* text, uint32_t len) {
  if (len <= kInlineSize) {
    char tmp[kInlineSize];
    if (len) std::memcpy(tmp, text, len);
    release(e);
    e.kind = EntryKind::Inline;
    if (len) std::memcpy(e.inlineText, tmp, len);
    e.text = e.inlineText;
    e.len = len;
    return;
  }
  char* copy = allocate(len);
  if (copy) std::memcpy(copy, text, len);
  release(e);
  if (copy) {
    e.kind = EntryKind::Owned;
    e.text = copy;
    e.len = len;
  }
}

// Gives the top a writable buffer of `len` bytes filled from `fill`, inline or owned.
char* setWritable(StackEntry& e, uint32_t len) {
  release(e);
  if (len <= kInlineSize) {
    e.kind = EntryKind::Inline;
    e.text = e.inlineText;
  } else {
    e.text = allocate(len);
    if (!e.text) return nullptr;
    e.kind = EntryKind::Owned;
  }
  e.len = len;
  return e.text;
}

void pushEntry(EntryKind kind, char* text, uint32_t len) {
  StackEntry& e = gStack[gCount++];
  e.kind = kind;
  e.text = text;
  e.len = len;
}

uint32_t trailingTrimmed(const char* text, uint32_t len) {
  while (len > 0 && text[len - 1] == ' ') --len;
  return len;
}

uint32_t leadingSpaces(const char* text, uint32_t len) {
  uint32_t n = 0;
  while (n < len && text[n] == ' ') ++n;
  return n;
}

// Pads the top with spaces to width w (w larger than its length) into a new buffer.
void padTo(StackEntry& e, uint32_t w) {
  std::string text(e.text ? e.text : "", e.len);
  text.resize(w, ' ');
  char* buf = setWritable(e, w);
  if (buf) std::memcpy(buf, text.data(), w);
}

// Puts `text` (len <= w) into the top at offset `pad`, spaces elsewhere, length w.
void placeText(StackEntry& e, std::string_view text, uint32_t pad, uint32_t w) {
  std::string result(w, ' ');
  std::memcpy(result.data() + pad, text.data(), text.size());
  char* buf = setWritable(e, w);
  if (buf) std::memcpy(buf, result.data(), w);
}

uint8_t weight(uint8_t c, bool caseBlind) {
  if (caseBlind && (ISFINFO.classFlags[c] & KIV_ISF_LOWER) && ISFINFO.caseMap[c])
    c = ISFINFO.caseMap[c];
  return ISFINFO.oemMode ? ISFINFO.collateOem[c] : ISFINFO.collate[c];
}

// Text of a double in the general format with 14 significant digits, no final point.
int formatReal(char* out, size_t size, double value) {
  int n = std::snprintf(out, size, "%.14G", value);
  if (n > 0 && out[n - 1] == '.') out[--n] = '\0';
  return n;
}

// The longest numeric prefix of text: [blanks][sign]digits[.digits][e[sign]digits].
size_t numericPrefix(const char* s, size_t len, bool* anyDigits) {
  size_t i = 0;
  while (i < len && (s[i] == ' ' || s[i] == '\t')) ++i;
  size_t startNumber = i;
  if (i < len && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < len && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < len && s[i] == '.') {
    size_t j = i + 1, frac = 0;
    while (j < len && s[j] >= '0' && s[j] <= '9') ++j, ++frac;
    if (digits + frac > 0) i = j, digits += frac;
  }
  *anyDigits = digits > 0;
  if (!*anyDigits) return startNumber;
  if (i < len && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < len && (s[j] == '+' || s[j] == '-')) ++j;
    size_t exp = 0;
    while (j < len && s[j] >= '0' && s[j] <= '9') ++j, ++exp;
    if (exp > 0) i = j;
  }
  return i;
}

double parseNumber(const char* s, size_t len, size_t* consumed) {
  bool any = false;
  size_t end = numericPrefix(s, len, &any);
  *consumed = any ? end : 0;
  if (!any) return 0.0;
  std::string text(s, end);
  return std::strtod(text.c_str(), nullptr);
}

// Text of the top with trailing spaces removed, at most 39 characters.
std::string numericText() {
  StackEntry& e = top();
  uint32_t n = std::min<uint32_t>(trailingTrimmed(e.text, e.len), 39);
  return std::string(e.text ? e.text : "", n);
}

// SUB's offset and length on a text of length len.
void subRange(uint32_t len, int32_t start, int32_t length, uint32_t* offset, uint32_t* count) {
  int64_t off;
  if (start < 0) {
    off = std::max<int64_t>(int64_t(len) + start, 0);
  } else {
    off = std::min<int64_t>(start == 0 ? 0 : start - 1, len);
  }
  *offset = static_cast<uint32_t>(off);
  *count = std::min<uint32_t>(static_cast<uint32_t>(length), len - *offset);
}

int32_t skipTableSearch(const uint8_t* s, uint32_t m, const uint8_t* p, uint32_t k,
                        uint32_t start) {
  uint8_t shift[256];
  std::memset(shift, static_cast<int>(std::min<uint32_t>(k, 255)), sizeof shift);
  for (uint32_t i = k; i-- > 0;) {
    uint32_t distance = k - 1 - i;
    if (distance < shift[p[i]]) shift[p[i]] = static_cast<uint8_t>(distance);
  }
  uint64_t cursor = uint64_t(start) - 1 + k - 1;
  while (cursor < m) {
    uint8_t d = shift[s[cursor]];
    if (d == 0) {
      uint64_t at = cursor - (k - 1);
      if (std::memcmp(s + at, p, k) == 0) return static_cast<int32_t>(at + 1);
      cursor += 1;
    } else {
      cursor += d;
    }
  }
  return 0;
}

int32_t instring(const char* searched, uint32_t m, const char* sought, uint32_t k, int32_t step,
                 int32_t start) {
  if (k == 0 || start <= 0 || m < k) return 0;
  if (step <= 0) step = static_cast<int32_t>(k);
  if (uint64_t(start) - 1 > m - k) return 0;
  auto* s = reinterpret_cast<const uint8_t*>(searched);
  auto* p = reinterpret_cast<const uint8_t*>(sought);
  if (step == 1 && k == 1) {
    const void* hit = std::memchr(s + start - 1, p[0], m - (start - 1));
    return hit ? static_cast<int32_t>(static_cast<const uint8_t*>(hit) - s + 1) : 0;
  }
  if (step == 1 && k > 4 && m > 256) return skipTableSearch(s, m, p, k, uint32_t(start));
  for (uint64_t off = uint64_t(start) - 1; off <= m - k; off += uint64_t(step)) {
    if (s[off] == p[0] && std::memcmp(s + off, p, k) == 0)
      return static_cast<int32_t>(off / uint64_t(step) + 1);
  }
  return 0;
}

// Runs a stack operation on a copy of the given string and hands the result over as a heap string.
template <typename Op>
void standalone(KivHeapStr* out, const char* addr, uint32_t len, Op op) {
  Kiv$PushString(addr, len);
  op();
  Kiv$PopTemp(out);
}

}  // namespace

int stringStackDepth() { return gCount; }

std::string_view topText() {
  if (gCount == 0) return {};
  return {top().text, top().len};
}

std::string_view entryText(int below) {
  if (below < 0 || below >= gCount) return {};
  const StackEntry& e = gStack[gCount - 1 - below];
  return {e.text, e.len};
}

void pushCopy(std::string_view text) {
  if (!checkPush()) return;
  pushEntry(EntryKind::Borrowed, nullptr, 0);
  setCopy(top(), text.data(), static_cast<uint32_t>(text.size()));
}

void pushOwned(char* text, uint32_t len) { Kiv$PushTemp(text, len); }

std::string popText() {
  if (!checkPop(1)) return {};
  std::string text(top().text ? top().text : "", top().len);
  popDiscard();
  return text;
}

void popDiscard() {
  if (!checkPop(1)) return;
  release(top());
  --gCount;
}

int32_t collate(std::string_view a, std::string_view b, bool caseBlind) {
  // Digraphs weigh two characters as one: the locale's comparison walks them.
  if (ISFINFO.digraphCount > 0)
    return kiv::format::collateText(a, b, {caseBlind, ISFINFO.oemMode != 0});
  if (a.empty() && b.empty()) return 0;
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    int wa = weight(static_cast<uint8_t>(a[i]), caseBlind);
    int wb = weight(static_cast<uint8_t>(b[i]), caseBlind);
    if (wa != wb) return wa - wb;
  }
  const std::string_view& longer = a.size() > b.size() ? a : b;
  int space = weight(' ', caseBlind);
  for (size_t i = common; i < longer.size(); ++i) {
    if (longer[i] == ' ') continue;
    int w = weight(static_cast<uint8_t>(longer[i]), caseBlind);
    if (w == space) continue;
    return a.size() > b.size() ? w - space : space - w;
  }
  return 0;
}

}  // namespace kiv::core

using namespace kiv::core;

extern "C" {

// ---- Pushing ------------------------------------------------------------------------------

void Kiv$PushString(const char* addr, uint32_t len) {
  if (gCount >= kStringStackSize) return;
  pushEntry(EntryKind::Borrowed, const_cast<char*>(addr), addr ? len : 0);
}

void Kiv$PushTemp(char* addr, uint32_t len) {
  if (gCount >= kStringStackSize) {
    std::free(addr);
    return;
  }
  if (!addr) len = 0;
  pushEntry(addr ? EntryKind::Owned : EntryKind::Borrowed, addr, len);
}

void Kiv$PushCString(const char* text) {
  if (!checkPush()) return;
  pushEntry(EntryKind::Borrowed, const_cast<char*>(text), text ? uint32_t(std::strlen(text)) : 0);
  Kiv$StackHeap();
}

void Kiv$PushNull(void) {
  if (!checkPush()) return;
  pushEntry(EntryKind::Borrowed, nullptr, 0);
}

void Kiv$PushLong(int32_t value) {
  char text[16];
  int n = std::snprintf(text, sizeof text, "%d", value);
  pushCopy({text, size_t(n)});
}

void Kiv$PushReal(double value) {
  char text[40];
  int n = formatReal(text, sizeof text, value);
  pushCopy({text, size_t(n)});
}

void Kiv$PushBool(int32_t truth) {
  if (truth)
    pushCopy("1");
  else
    Kiv$PushNull();
}

// ---- Popping ------------------------------------------------------------------------------

void Kiv$PopString(char* addr, uint32_t len) {
  if (!checkPop(1)) return;
  Kiv$storestr(addr, len, top().text ? top().text : "", int32_t(top().len));
  popDiscard();
}

void Kiv$PopCString(char* buffer, uint32_t size) {
  if (!checkPop(1)) return;
  Kiv$storecstr(buffer, size, top().text ? top().text : "", int32_t(top().len));
  popDiscard();
}

void Kiv$PopPString(char* buffer, uint32_t size) {
  if (!checkPop(1)) return;
  Kiv$storepstr(buffer, size, top().text ? top().text : "", int32_t(top().len));
  popDiscard();
}

void Kiv$PopTemp(KivHeapStr* out) {
  if (!checkPop(1)) {
    *out = {nullptr, 0};
    return;
  }
  StackEntry& e = top();
  if (e.kind == EntryKind::Owned) {
    *out = {e.text, e.len};
    e.kind = EntryKind::Borrowed;  // handed over, not freed
  } else {
    char* copy = allocate(e.len);
    if (copy && e.len) std::memcpy(copy, e.text, e.len);
    *out = {copy, copy ? e.len : 0};
  }
  popDiscard();
}

void Kiv$PullTemp(KivHeapStr* out) {
  if (!checkPop(1)) {
    *out = {nullptr, 0};
    return;
  }
  // Bring the bottom entry to the top, then pop it.
  Kiv$StackRotate(gCount - 1);
  Kiv$PopTemp(out);
}

void Kiv$STACKpop(void) { popDiscard(); }

int32_t Kiv$StackLen(void) {
  if (!checkPop(1)) return 0;
  int32_t len = int32_t(top().len);
  popDiscard();
  return len;
}

int32_t Kiv$StackLen2(void) { return checkPop(1) ? int32_t(top().len) : 0; }

int32_t Kiv$StackDepth(void) { return gCount; }

double Kiv$PopReal(void) {
  if (!checkPop(1)) return 0.0;
  std::string text = numericText();
  popDiscard();
  size_t used = 0;
  return parseNumber(text.data(), text.size(), &used);
}

// ---- Stack management ------------------------------------------------------------------------

void Kiv$StackHeap(void) {
  if (!checkPop(1)) return;
  StackEntry& e = top();
  if (e.kind == EntryKind::Borrowed && e.len > 0) setCopy(e, e.text, e.len);
}

void Kiv$StackRotate(int32_t k) {
  if (k <= 0) return;
  if (!checkPop(k + 1)) return;
  int from = gCount - 1 - k;
  StackEntry moved = gStack[from];
  for (int i = from; i < gCount - 1; ++i) {
    gStack[i] = gStack[i + 1];
    if (gStack[i].kind == EntryKind::Inline) gStack[i].text = gStack[i].inlineText;
  }
  gStack[gCount - 1] = moved;
  if (moved.kind == EntryKind::Inline) gStack[gCount - 1].text = gStack[gCount - 1].inlineText;
}

int32_t Kiv$Omitted(int32_t n, int32_t count, const uint8_t* flags) {
  if (n < 1 || n > count || !flags) return 1;
  return flags[n - 1];
}

// ---- String operations ---------------------------------------------------------------------

void Kiv$StackConcat(void) {
  if (!checkPop(2)) return;
  std::string_view a = entryText(1), b = entryText(0);
  size_t total = a.size() + b.size();
  char* joined = total ? allocate(uint32_t(total)) : nullptr;
  if (joined) {
    if (!a.empty()) std::memcpy(joined, a.data(), a.size());
    if (!b.empty()) std::memcpy(joined + a.size(), b.data(), b.size());
  }
  popDiscard();
  popDiscard();
  Kiv$PushTemp(joined, joined ? uint32_t(total) : 0);
}

void Kiv$StackConcatR(void) {
  if (!checkPop(2)) return;
  Kiv$StackRotate(1);
  Kiv$StackConcat();
}

int32_t Kiv$StackCompare(void) {
  if (!checkPop(2)) return 0;
  int32_t r = collate(entryText(1), entryText(0), false);
  popDiscard();
  popDiscard();
  return r;
}

int32_t Kiv$StackCompareR(void) {
  if (!checkPop(2)) return 0;
  int32_t r = collate(entryText(0), entryText(1), false);
  popDiscard();
  popDiscard();
  return r;
}

int32_t Kiv$StackCompareI(void) {
  if (!checkPop(2)) return 0;
  int32_t r = collate(entryText(1), entryText(0), true);
  popDiscard();
  popDiscard();
  return r;
}

int32_t Kiv$StackCompareN(void) {
  if (!checkPop(1)) return 0;
  uint32_t n = trailingTrimmed(top().text, top().len);
  popDiscard();
  return n > 0 ? 1 : 0;
}

void Kiv$StackCLIP(void) {
  if (!checkPop(1)) return;
  top().len = trailingTrimmed(top().text, top().len);
}

void Kiv$StackLEFT(int32_t width) {
  if (!checkPop(1)) return;
  StackEntry& e = top();
  uint32_t w = width < 0 ? e.len : uint32_t(width);
  uint32_t lead = leadingSpaces(e.text, e.len);
  if (lead > 0) {
    if (e.kind == EntryKind::Owned) {
      std::memmove(e.text, e.text + lead, e.len - lead);
      std::memset(e.text + e.len - lead, ' ', lead);
    } else {
      e.text += lead;
      e.len -= lead;
    }
  }
  if (w <= e.len)
    e.len = w;
  else
    padTo(e, w);
}

void Kiv$StackRIGHT(int32_t width) {
  if (!checkPop(1)) return;
  StackEntry& e = top();
  uint32_t w = width < 0 ? e.len : uint32_t(width);
  if (w > e.len) padTo(e, w);
  uint32_t t = trailingTrimmed(e.text, e.len);
  if (w > t) {
    std::string text(e.text, t);
    placeText(e, text, w - t, w);
  } else if (w < t) {
    uint32_t drop = t - w;
    if (e.kind == EntryKind::Owned)
      std::memmove(e.text, e.text + drop, w);
    else
      e.text += drop;
    e.len = w;
  } else {
    e.len = w;
  }
}

void Kiv$StackCENTER(int32_t width) {
  if (!checkPop(1)) return;
  StackEntry& e = top();
  uint32_t w = width < 0 ? e.len : uint32_t(width);
  if (w > e.len) padTo(e, w);
  uint32_t end = trailingTrimmed(e.text, e.len);
  uint32_t lead = leadingSpaces(e.text, end);
  std::string text(e.text + lead, end - lead);
  int64_t p = int64_t(w) - int64_t(text.size());
  if (p > 0) {
    placeText(e, text, uint32_t((p + 1) / 2), w);
  } else {
    size_t drop = size_t((1 - p) / 2);
    std::string kept = text.substr(drop, w);
    placeText(e, kept, 0, w);
  }
}

void Kiv$StackSUB(int32_t start, int32_t length) {
  if (!checkPop(1)) return;
  StackEntry& e = top();
  uint32_t offset = 0, count = 0;
  subRange(e.len, start, length, &offset, &count);
  if (e.len == 0) return;
  if (e.kind != EntryKind::Owned || start == 1) {
    e.text += offset;
    e.len = count;
  } else {
    std::string part(e.text + offset, count);
    setCopy(e, part.data(), count);
  }
}

void Kiv$StackALL(int32_t length) {
  if (!checkPop(1)) return;
  uint32_t n = length == 0 ? 255 : uint32_t(std::max(length, 0));
  std::string pattern(topText());
  std::string result(n, ' ');
  if (!pattern.empty())
    for (uint32_t i = 0; i < n; ++i) result[i] = pattern[i % pattern.size()];
  popDiscard();
  pushCopy(result);
}

int32_t Kiv$StackINSTRING(int32_t step, int32_t start) {
  if (!checkPop(2)) return 0;
  std::string_view searched = entryText(1), sought = entryText(0);
  int32_t r = instring(searched.data(), uint32_t(searched.size()), sought.data(),
                       uint32_t(sought.size()), step, start);
  popDiscard();
  popDiscard();
  return r;
}

void Kiv$StackUPPER(void) {
  if (!checkPop(1)) return;
  Kiv$StackHeap();
  Kiv$isfupper(top().text, top().len);
}

void Kiv$StackLOWER(void) {
  if (!checkPop(1)) return;
  Kiv$StackHeap();
  Kiv$isflower(top().text, top().len);
}

int32_t Kiv$StackVAL(void) {
  if (!checkPop(1)) return 32;
  int32_t code = top().len ? static_cast<uint8_t>(top().text[0]) : 32;
  popDiscard();
  return code;
}

int32_t Kiv$StackNumeric(void) {
  if (!checkPop(1)) return 0;
  std::string text = numericText();
  popDiscard();
  if (text.empty()) return 1;
  size_t used = 0;
  parseNumber(text.data(), text.size(), &used);
  return used == text.size() ? 1 : 0;
}

int32_t Kiv$StackINLIST(int32_t n) {
  if (n < 0 || !checkPop(n + 1)) return 0;
  int32_t found = 0;
  for (int32_t item = 1; item <= n && !found; ++item)
    if (collate(entryText(0), entryText(item), false) == 0) found = item;
  for (int32_t i = 0; i <= n; ++i) popDiscard();
  return found;
}

// ---- Storage ------------------------------------------------------------------------------------

void Kiv$storestr(char* dst, uint32_t dstLen, const char* src, int32_t srcLen) {
  if (dstLen == 0 || !dst) return;
  if (!src) {
    std::memset(dst, srcLen == 0 ? ' ' : srcLen < 0 ? 0 : 0xFF, dstLen);
    return;
  }
  uint32_t n = std::min<uint32_t>(uint32_t(std::max(srcLen, 0)), dstLen);
  std::memmove(dst, src, n);
  std::memset(dst + n, ' ', dstLen - n);
}

void Kiv$storecstr(char* buffer, uint32_t size, const char* src, int32_t srcLen) {
  if (size == 0 || !buffer) return;
  if (!src) {
    if (srcLen > 0) {
      std::memset(buffer, 0xFF, size - 1);
      buffer[size - 1] = '\0';
    } else {
      buffer[0] = '\0';
    }
    return;
  }
  uint32_t n = std::min<uint32_t>(uint32_t(std::max(srcLen, 0)), size - 1);
  std::memmove(buffer, src, n);
  buffer[n] = '\0';
}

void Kiv$storepstr(char* buffer, uint32_t size, const char* src, int32_t srcLen) {
  if (size == 0 || !buffer) return;
  uint32_t room = std::min<uint32_t>(size - 1, 255);
  if (!src) {
    if (srcLen == 0) {
      buffer[0] = 0;
    } else {
      std::memset(buffer + 1, srcLen < 0 ? 0 : 0xFF, size - 1);
      buffer[0] = static_cast<char>(room);
    }
    return;
  }
  uint32_t n = std::min<uint32_t>(uint32_t(std::max(srcLen, 0)), room);
  std::memmove(buffer + 1, src, n);
  buffer[0] = static_cast<char>(n);
}

void Kiv$clearstr(char* dst, uint32_t len) {
  if (dst && len) std::memset(dst, ' ', len);
}

int32_t Kiv$comparestr(const char* a, uint32_t aLen, const char* b, uint32_t bLen) {
  return collate({a, a ? aLen : 0}, {b, b ? bLen : 0}, false);
}

void Kiv$concatstr(KivHeapStr* out, const char* a, uint32_t aLen, const char* b, uint32_t bLen) {
  uint64_t total = uint64_t(aLen) + bLen;
  *out = {nullptr, 0};
  if (total == 0 || total > UINT32_MAX) return;
  char* s = allocate(uint32_t(total));
  if (!s) return;
  if (aLen) std::memcpy(s, a, aLen);
  if (bLen) std::memcpy(s + aLen, b, bLen);
  *out = {s, uint32_t(total)};
}

void Kiv$loadstr(KivHeapStr* out, const char* addr, uint32_t len) {
  *out = {nullptr, 0};
  if (len == 0 || !addr) return;
  char* s = allocate(len);
  if (!s) return;
  std::memcpy(s, addr, len);
  *out = {s, len};
}

void Kiv$freestr(KivHeapStr* str) {
  if (!str) return;
  std::free(str->addr);
  *str = {nullptr, 0};
}

void Kiv$duplicate(char* buffer, uint32_t unit, uint32_t count) {
  if (!buffer || unit == 0 || count < 2) return;
  uint64_t total = uint64_t(unit) * count;
  for (uint64_t done = unit; done < total;) {
    uint64_t n = std::min(done, total - done);
    std::memcpy(buffer + done, buffer, n);
    done += n;
  }
}

void Kiv$SUB(KivHeapStr* out, const char* addr, uint32_t len, int32_t start, int32_t length) {
  uint32_t offset = 0, count = 0;
  if (!addr) len = 0;
  subRange(len, start, length, &offset, &count);
  Kiv$loadstr(out, addr + offset, count);
}

int32_t Kiv$_instring(const char* sought, uint32_t soughtLen, const char* searched,
                      uint32_t searchedLen, int32_t start, int32_t step) {
  if (step == 0) step = 1;
  if (soughtLen == 0 || searchedLen == 0 || soughtLen > searchedLen) return 0;
  if (step > 0 && uint32_t(step) > searchedLen) return 0;
  return instring(searched, searchedLen, sought, soughtLen, step, start);
}

// ---- Standalone forms --------------------------------------------------------------------------

void Kiv$CLIP(KivHeapStr* out, const char* addr, uint32_t len) {
  standalone(out, addr, len, [] { Kiv$StackCLIP(); });
}
void Kiv$LEFT(KivHeapStr* out, const char* addr, uint32_t len, int32_t width) {
  standalone(out, addr, len, [=] { Kiv$StackLEFT(width); });
}
void Kiv$RIGHT(KivHeapStr* out, const char* addr, uint32_t len, int32_t width) {
  standalone(out, addr, len, [=] { Kiv$StackRIGHT(width); });
}
void Kiv$CENTER(KivHeapStr* out, const char* addr, uint32_t len, int32_t width) {
  standalone(out, addr, len, [=] { Kiv$StackCENTER(width); });
}
void Kiv$ALL(KivHeapStr* out, const char* addr, uint32_t len, int32_t length) {
  standalone(out, addr, len, [=] { Kiv$StackALL(length); });
}
void Kiv$UPPER(KivHeapStr* out, const char* addr, uint32_t len) {
  standalone(out, addr, len, [] { Kiv$StackUPPER(); });
}
void Kiv$LOWER(KivHeapStr* out, const char* addr, uint32_t len) {
  standalone(out, addr, len, [] { Kiv$StackLOWER(); });
}
void Kiv$CAPITAL(KivHeapStr* out, const char* addr, uint32_t len) {
  // First letter of each word upper case, the rest lower case.
  Kiv$loadstr(out, addr, len);
  bool wordStart = true;
  for (uint32_t i = 0; i < out->len; ++i) {
    auto c = static_cast<uint8_t>(out->addr[i]);
    uint8_t flags = ISFINFO.classFlags[c];
    if (ISFINFO.caseMap[c] != 0) {
      if (wordStart && (flags & KIV_ISF_LOWER)) out->addr[i] = char(ISFINFO.caseMap[c]);
      if (!wordStart && (flags & KIV_ISF_UPPER)) out->addr[i] = char(ISFINFO.caseMap[c]);
      wordStart = false;
    } else {
      wordStart = !(flags & KIV_ISF_DIGIT);
    }
  }
}
int32_t Kiv$NUMERIC(const char* addr, uint32_t len) {
  Kiv$PushString(addr, len);
  return Kiv$StackNumeric();
}
int32_t Kiv$INSTRING(const char* sought, uint32_t soughtLen, const char* searched,
                     uint32_t searchedLen, int32_t step, int32_t start) {
  return instring(searched, searchedLen, sought, soughtLen, step, start);
}

// ---- Text to number -----------------------------------------------------------------------------

double _atof(const char* text) {
  if (!text) return 0.0;
  size_t used = 0;
  return parseNumber(text, std::strlen(text), &used);
}

double _strtod(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0.0;
  }
  size_t used = 0;
  double v = parseNumber(text, std::strlen(text), &used);
  if (end) *end = const_cast<char*>(text + used);
  return v;
}

}  // extern "C"
