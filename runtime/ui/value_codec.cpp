#include "runtime/ui/value_codec.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"

namespace kiv::ui {
namespace {

struct UfoDeleter {
  void operator()(Ufo* u) const { Kiv$FreeUfo(u); }
};
using UfoPtr = std::unique_ptr<Ufo, UfoDeleter>;

UfoPtr describe(const UseBinding& use, void* address) {
  return UfoPtr(Kiv$Mem2Ufo(address, use.type, use.size, use.places, 0));
}

std::string clipRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

bool isNumber(std::string_view text) {
  std::string t(text);
  size_t b = t.find_first_not_of(' ');
  if (b == std::string::npos) return true;  // blank reads as zero
  t = t.substr(b);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  char* end = nullptr;
  errno = 0;
  std::strtod(t.c_str(), &end);
  return end && *end == '\0';
}

bool isNumericType(int32_t type) { return type >= KIV_BYTE && type <= KIV_BFLOAT8; }

std::string takeHeap(KivHeapStr& s) {
  std::string out(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return out;
}

}  // namespace

std::string formatText(std::string_view text, std::string_view picture) {
  if (picture.empty()) return clipRight(std::string(text));
  KivHeapStr out{};
  Kiv$FORMATstr(&out, text.data(), static_cast<uint32_t>(text.size()), picture.data(),
                static_cast<uint32_t>(picture.size()));
  return takeHeap(out);
}

std::string formatUse(const UseBinding& use, const void* address, std::string_view picture) {
  if (!address) return {};
  UfoPtr u = describe(use, const_cast<void*>(address));
  if (!u) return {};
  Kiv$PushUfo(u.get());
  std::string value = kiv::core::popText();
  if (use.type == KIV_STRING || use.type == KIV_CSTRING || use.type == KIV_PSTRING)
    value = clipRight(value);
  return formatText(value, picture);
}

bool storeUse(const UseBinding& use, void* address, std::string_view picture,
              std::string_view shown) {
  if (!address) return false;
  std::string value(shown);
  if (!picture.empty()) {
    KivHeapStr out{};
    Kiv$DEFORMAT(&out, shown.data(), static_cast<uint32_t>(shown.size()), picture.data(),
                 static_cast<uint32_t>(picture.size()));
    value = takeHeap(out);
    // A numeric picture that reads nothing back from a non-blank text refuses it.
    if (isNumericType(use.type) && value.empty() &&
        shown.find_first_not_of(' ') != std::string_view::npos)
      return false;
  }
  if (isNumericType(use.type) && !isNumber(value)) return false;
  UfoPtr u = describe(use, address);
  if (!u) return false;
  kiv::core::pushCopy(value);
  Kiv$ASSIGNSTR2UFO(u.get());
  return true;
}

}  // namespace kiv::ui
