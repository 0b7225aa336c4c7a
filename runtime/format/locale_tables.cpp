// The process's locale tables and their defaults: every code weighs its own value, A-Z and a-z
// are case partners, 0-9 are digits, month names and AM/PM in English.
#include "include/kvrun32.h"

#include <cstring>

namespace {

KivIsfInfo defaultTables() {
  KivIsfInfo t{};
  static const char* const kMonths[12] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
  for (int c = 0; c < 256; ++c) {
    t.collate[c] = static_cast<uint8_t>(c);
    t.collateOem[c] = static_cast<uint8_t>(c);
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    t.caseMap[c] = static_cast<uint8_t>(c + 32);
    t.caseMap[c + 32] = static_cast<uint8_t>(c);
    t.classFlags[c] = KIV_ISF_UPPER;
    t.classFlags[c + 32] = KIV_ISF_LOWER;
  }
  for (int c = '0'; c <= '9'; ++c) t.classFlags[c] = KIV_ISF_DIGIT;
  for (int m = 0; m < 12; ++m) {
    std::strncpy(t.monthNames[m], kMonths[m], 12);
    std::memcpy(t.monthAbbrev[m], kMonths[m], 3);
  }
  std::memcpy(t.amPm[0], "AM", 2);
  std::memcpy(t.amPm[1], "PM", 2);
  return t;
}

}  // namespace

extern "C" {
KivIsfInfo ISFINFO = defaultTables();
}

extern "C" void Kiv$isfinit(void) {
  // The default tables are in place from load; the environment file comes later.
}
