// The "intl" section of the platform's main settings file. Linux has no such section of its
// own; WIN.INI in the platform's settings directory ($XDG_CONFIG_HOME/kvrun32) may hold one.
// Only this one section is read here, by the documented rules of the profile functions: section
// and key names without regard to case, the value trimmed and a pair of surrounding double
// quotes removed, the first occurrence of a key winning.
#include "runtime/format/intl_settings.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

namespace kiv::format {
namespace {

std::string trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string settingsFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string dir;
  if (config && *config) {
    dir = config;
  } else {
    const char* home = std::getenv("HOME");
    dir = std::string(home ? home : "") + "/.config";
  }
  return dir + "/kvrun32/WIN.INI";
}

std::map<std::string, std::string> readSection(const std::string& path, const std::string& name) {
  std::map<std::string, std::string> keys;
  std::ifstream in(path);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    std::string t = trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      size_t close = t.find(']');
      inside = close != std::string::npos && lower(trim(t.substr(1, close - 1))) == name;
      continue;
    }
    if (!inside) continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    std::string key = lower(trim(t.substr(0, eq)));
    std::string value = trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    keys.emplace(key, value);
  }
  return keys;
}

void copyText(char* out, size_t size, const std::string& text) {
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

IntlSettings readIntlSettings() {
  IntlSettings intl;
  auto keys = readSection(settingsFile(), "intl");
  auto text = [&](const char* key, std::string& out) {
    auto it = keys.find(key);
    if (it != keys.end()) out = it->second;
  };
  auto number = [&](const char* key, int& out) {
    auto it = keys.find(key);
    if (it != keys.end()) out = std::atoi(it->second.c_str());
  };
  number("itime", intl.iTime);
  number("itlzero", intl.iTLzero);
  text("stime", intl.sTime);
  text("s1159", intl.s1159);
  text("s2359", intl.s2359);
  text("sshortdate", intl.sShortDate);
  text("slongdate", intl.sLongDate);
  return intl;
}

void buildSystemFormats(const IntlSettings& intl, KivIsfInfo& tables) {
  // Hours by the clock kind and leading-zero setting, then minutes (and seconds) behind the
  // time separator, and the AM/PM marker on a 12-hour clock.
  std::string hours = intl.iTime ? (intl.iTLzero ? "HH" : "H") : (intl.iTLzero ? "hh" : "h");
  std::string separator = intl.sTime.empty() ? ":" : intl.sTime.substr(0, 1);
  std::string marker = intl.iTime ? "" : " tt";
  copyText(tables.shortTime, sizeof tables.shortTime, hours + separator + "mm" + marker);
  copyText(tables.longTime, sizeof tables.longTime,
           hours + separator + "mm" + separator + "ss" + marker);
  copyText(tables.timeAmPm[0], sizeof tables.timeAmPm[0], intl.s1159);
  copyText(tables.timeAmPm[1], sizeof tables.timeAmPm[1], intl.s2359);
  copyText(tables.shortDate, sizeof tables.shortDate, intl.sShortDate);
  copyText(tables.longDate, sizeof tables.longDate, intl.sLongDate);
}

}  // namespace kiv::format
