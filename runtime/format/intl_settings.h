// The platform's international settings (section "intl" of the main settings file) and the
// system date and time formats built from them.
#pragma once

#include <string>

#include "include/kvrun32/locale.h"

namespace kiv::format {

struct IntlSettings {
  int iTime = 0;    // 0: 12-hour clock, 1: 24-hour clock
  int iTLzero = 1;  // 1: leading zero in hours
  std::string sTime = ":";
  std::string s1159 = "AM";
  std::string s2359 = "PM";
  std::string sShortDate = "MM/dd/yy";
  std::string sLongDate = "ddd', 'MMMM' 'dd', 'yyyy";
};

// Reads the section from WIN.INI in the platform's settings directory; defaults for what is
// missing.
IntlSettings readIntlSettings();

// Fills the system formats and their AM/PM texts of the tables.
void buildSystemFormats(const IntlSettings& intl, KivIsfInfo& tables);

}  // namespace kiv::format
