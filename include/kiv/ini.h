// GETINI and PUTINI: entries of a settings file.
#pragma once

#include <string>
#include <string_view>

#include "error.h"
#include "../kvrun32.h"

namespace kiv {

// GETINI(section, entry, default, file): the entry's value, or the default.
inline std::string getIni(std::string_view section, std::string_view entry,
                          std::string_view defaultValue, std::string_view file) {
  pushText(file);
  pushText(defaultValue);
  pushText(entry);
  pushText(section);
  Kiv$GETINI();
  return popString();
}

// PUTINI(section, entry, value, file).
inline void putIni(std::string_view section, std::string_view entry, std::string_view value,
                   std::string_view file) {
  pushText(file);
  pushText(value);
  pushText(entry);
  pushText(section);
  Kiv$PUTINI(0, 0);
}

}  // namespace kiv
