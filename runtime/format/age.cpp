// AGE: the distance from a birth date to a base date in days, months or years.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/format/calendar.h"

namespace kiv::format {

std::string ageText(int32_t birth, int32_t base) {
  if (base == -1) base = Kiv$TODAY();
  const std::string unplaceable(255, '*');
  int32_t ty, tm, td, by, bm, bd;
  if (!splitSerial(base, ty, tm, td) || !splitSerial(birth, by, bm, bd)) return unplaceable;
  if (birth > base) {
    by -= 100;
    birth = serialOf(by, bm, bd);
    if (birth < 0 || birth > base) return unplaceable;
  }
  char text[32];
  if (base - birth < 61) {
    std::snprintf(text, sizeof text, "%d DAYS", base - birth);
    return text;
  }
  if (ty <= by + 2) {
    int32_t months = 12 * (ty - by) + (tm - bm) - (td < bd ? 1 : 0);
    if (months <= 24) {
      std::snprintf(text, sizeof text, "%d MOS", months);
      return text;
    }
  }
  int32_t years = ty - by - ((tm < bm || (tm == bm && td < bd)) ? 1 : 0);
  std::snprintf(text, sizeof text, "%d YRS", years);
  return text;
}

}  // namespace kiv::format

extern "C" {

void Kiv$AGE(KivHeapStr* result, int32_t birth, int32_t base) {
  if (!result) return;
  std::string text = kiv::format::ageText(birth, base);
  Kiv$loadstr(result, text.data(), static_cast<uint32_t>(text.size()));
}

void Kiv$StackAGE(int32_t birth, int32_t base) {
  std::string text = kiv::format::ageText(birth, base);
  char* copy = static_cast<char*>(std::malloc(text.size()));
  if (!copy) return kiv::core::pushCopy({});
  std::memcpy(copy, text.data(), text.size());
  kiv::core::pushOwned(copy, static_cast<uint32_t>(text.size()));
}

}  // extern "C"
