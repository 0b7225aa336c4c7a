// The process's locale tables: their defaults, the platform's own tables, the keys of the
// environment file, start-up (Kiv$isfinit) and LOCALE.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/messages.h"
#include "runtime/core/string_stack.h"
#include "runtime/format/charsets.h"
#include "runtime/format/intl_settings.h"
#include "runtime/format/locale_settings.h"

namespace kiv::format {
namespace {

constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
constexpr int32_t kFirstButtonMessage = 0x7F00;
constexpr size_t kMaxKey = 31;
constexpr size_t kMaxValue = 255;

void defaultCaseTables(KivIsfInfo& t) {
  std::memset(t.caseMap, 0, sizeof t.caseMap);
  std::memset(t.classFlags, 0, sizeof t.classFlags);
  for (int c = 'A'; c <= 'Z'; ++c) {
    t.caseMap[c] = static_cast<uint8_t>(c + 32);
    t.caseMap[c + 32] = static_cast<uint8_t>(c);
    t.classFlags[c] = KIV_ISF_UPPER;
    t.classFlags[c + 32] = KIV_ISF_LOWER;
  }
  for (int c = '0'; c <= '9'; ++c) t.classFlags[c] = KIV_ISF_DIGIT;
}

void identityCollation(KivIsfInfo& t) {
  for (int c = 0; c < 256; ++c) t.collate[c] = t.collateOem[c] = static_cast<uint8_t>(c);
}

KivIsfInfo defaultTables() {
  KivIsfInfo t{};
  identityCollation(t);
  defaultCaseTables(t);
  for (int m = 0; m < 12; ++m) {
    std::strncpy(t.monthNames[m], kMonths[m], 12);
    std::memcpy(t.monthAbbrev[m], kMonths[m], 3);
  }
  std::memcpy(t.amPm[0], "AM", 2);
  std::memcpy(t.amPm[1], "PM", 2);
  buildSystemFormats(IntlSettings{}, t);
  return t;
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

void copyCut(char* out, size_t size, std::string_view text) {
  size_t n = std::min(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  std::memset(out + n, 0, size - n);
}

// Weights from a list of characters in collating order. Codes outside the list keep their
// order among themselves; the whole list takes the place of its lowest-coded character, so
// characters below it (space, digits) stay in front of it.
void weightsFromList(std::string_view list, uint8_t* weights) {
  bool listed[256] = {};
  for (char c : list) listed[static_cast<uint8_t>(c)] = true;
  bool placed[256] = {};
  int next = 0;
  bool listDone = false;
  for (int code = 0; code < 256; ++code) {
    if (!listed[code]) {
      weights[code] = static_cast<uint8_t>(next++);
    } else if (!listDone) {
      for (char c : list) {
        uint8_t l = static_cast<uint8_t>(c);
        if (!placed[l]) {
          placed[l] = true;
          weights[l] = static_cast<uint8_t>(next++);
        }
      }
      listDone = true;
    }
  }
}

void applyCollation(const std::string& item) {
  KivIsfInfo& t = ISFINFO;
  if (item.empty()) {
    identityCollation(t);
  } else if (upper(item) == "WINDOWS") {
    const uint8_t* platform = platformCollation();
    for (int c = 0; c < 256; ++c) {
      t.collate[c] = platform[c];
      t.collateOem[c] = platform[oemToAnsi(static_cast<uint8_t>(c))];
    }
  } else {
    // The list is in the character set of stored text; each table gets it in its own set.
    std::string other = item;
    if (t.oemMode) {
      weightsFromList(item, t.collateOem);
      oemToAnsi(other.data(), other.size());
      weightsFromList(other, t.collate);
    } else {
      weightsFromList(item, t.collate);
      ansiToOem(other.data(), other.size());
      weightsFromList(other, t.collateOem);
    }
  }
}

void addCasePair(uint8_t up, uint8_t low) {
  if (up < 128 || low < 128 || up == low) return;
  ISFINFO.caseMap[up] = low;
  ISFINFO.caseMap[low] = up;
  ISFINFO.classFlags[up] = KIV_ISF_UPPER;
  ISFINFO.classFlags[low] = KIV_ISF_LOWER;
}

void applyCase(const std::vector<std::string>& items) {
  if (items.empty() || (items.size() == 1 && items[0].empty())) {
    defaultCaseTables(ISFINFO);
    return;
  }
  if (upper(items[0]) == "WINDOWS") {
    for (auto [up, low] : platformCasePairs()) addCasePair(up, low);
    return;
  }
  if (items.size() < 2) return;
  size_t n = std::min(items[0].size(), items[1].size());
  for (size_t i = 0; i < n; ++i) addCasePair(uint8_t(items[0][i]), uint8_t(items[1][i]));
}

void applyDigraphs(const std::vector<std::string>& items) {
  KivIsfInfo& t = ISFINFO;
  int count = 0;
  for (const std::string& item : items) {
    if (count == 16) break;
    if (item.size() < 3) continue;
    for (int i = 0; i < 3; ++i) {
      t.digraphs[count][i] = static_cast<uint8_t>(item[i]);
      t.digraphsOem[count][i] = ansiToOem(static_cast<uint8_t>(item[i]));
    }
    ++count;
  }
  t.digraphCount = count;
}

void applyAmPm(const std::vector<std::string>& items) {
  if (items.size() == 1 && upper(items[0]) == "WINDOWS") {
    IntlSettings intl = readIntlSettings();
    copyCut(ISFINFO.amPm[0], 3, intl.s1159);
    copyCut(ISFINFO.amPm[1], 3, intl.s2359);
    return;
  }
  for (size_t i = 0; i < items.size() && i < 2; ++i) copyCut(ISFINFO.amPm[i], 3, items[i]);
}

// The key as the file states it: spaces dropped, upper case, at most 31 characters.
std::string normaliseKey(std::string_view key) {
  std::string out;
  for (char c : key)
    if (c != ' ' && out.size() < kMaxKey) out += static_cast<char>(std::toupper(uint8_t(c)));
  return out;
}

bool messageKey(const std::string& key, int32_t& number) {
  if (key.size() <= 6 || key.compare(0, 6, "KIVMSG") != 0) return false;
  number = 0;
  for (size_t i = 6; i < key.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(key[i])) || number > 99999999) return false;
    number = number * 10 + (key[i] - '0');
  }
  return true;
}

}  // namespace

std::vector<std::string> splitItems(std::string_view value, bool single) {
  std::vector<std::string> items;
  if (value.empty()) return items;
  if (value[0] != '"') {
    if (single) {
      items.emplace_back(value);
      return items;
    }
    size_t start = 0;
    while (true) {
      size_t comma = value.find(',', start);
      items.emplace_back(value.substr(start, comma - start));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    return items;
  }
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && value[i] == ' ') ++i;
    if (i >= value.size() || value[i] != '"') break;
    std::string item;
    ++i;
    while (i < value.size()) {
      if (value[i] == '"') {
        if (i + 1 < value.size() && value[i + 1] == '"') {
          item += '"';
          i += 2;
          continue;
        }
        ++i;
        break;
      }
      item += value[i++];
    }
    items.push_back(std::move(item));
    if (single) break;
    while (i < value.size() && value[i] != ',') ++i;
    if (i < value.size()) ++i;
  }
  return items;
}

void resetLocaleTables() {
  ISFINFO = defaultTables();
  buildSystemFormats(readIntlSettings(), ISFINFO);
  kiv::core::clearMessageOverrides();
}

void applyPlatformTables() {
  applyCollation("WINDOWS");
  applyCase({"WINDOWS"});
}

void applyLocaleSetting(std::string_view rawKey, std::string_view rawValue) {
  std::string key = normaliseKey(rawKey);
  size_t b = 0;
  while (b < rawValue.size() && rawValue[b] == ' ') ++b;
  std::string value(rawValue.substr(b, kMaxValue));
  while (!value.empty() && value.back() == ' ') value.pop_back();
  if (key != "KIVCOLSEQ" && ISFINFO.oemMode) oemToAnsi(value.data(), value.size());

  int32_t number = 0;
  if (key == "KIVCHARSET") {
    auto items = splitItems(value, true);
    ISFINFO.oemMode = (!items.empty() && upper(items[0]) == "OEM") ? 1 : 0;
  } else if (key == "KIVCOLSEQ") {
    auto items = splitItems(value, true);
    applyCollation(items.empty() ? std::string() : items[0]);
  } else if (key == "KIVCASE") {
    applyCase(splitItems(value, false));
  } else if (key == "KIVMONTH") {
    auto items = splitItems(value, false);
    for (size_t i = 0; i < items.size() && i < 12; ++i)
      copyCut(ISFINFO.monthNames[i], sizeof ISFINFO.monthNames[i], items[i]);
  } else if (key == "KIVMON") {
    auto items = splitItems(value, false);
    for (size_t i = 0; i < items.size() && i < 12; ++i)
      copyCut(ISFINFO.monthAbbrev[i], sizeof ISFINFO.monthAbbrev[i], items[i]);
  } else if (key == "KIVAMPM") {
    applyAmPm(splitItems(value, false));
  } else if (key == "KIVDIGRAPH") {
    applyDigraphs(splitItems(value, false));
  } else if (key == "KIVBUTTON") {
    auto items = splitItems(value, false);
    for (size_t i = 0; i < items.size(); ++i)
      kiv::core::setMessageOverride(kFirstButtonMessage + static_cast<int32_t>(i), items[i]);
  } else if (messageKey(key, number)) {
    auto items = splitItems(value, true);
    kiv::core::setMessageOverride(number, items.empty() ? std::string() : items[0]);
  }
}

bool loadEnvironmentFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t end = content.find('\x1A');
  if (end != std::string::npos) content.resize(end);
  size_t pos = 0;
  while (pos < content.size()) {
    size_t eol = content.find('\n', pos);
    std::string_view line(content.data() + pos,
                          (eol == std::string::npos ? content.size() : eol) - pos);
    pos = eol == std::string::npos ? content.size() : eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t k = 0;
    while (k < line.size() && line[k] != '=' && static_cast<uint8_t>(line[k]) >= 32) ++k;
    if (k >= line.size() || line[k] != '=') continue;
    std::string_view value = line.substr(k + 1);
    size_t stop = 0;  // a control character ends the value as it ends the line
    while (stop < value.size() && (static_cast<uint8_t>(value[stop]) >= 32 || value[stop] == '\t'))
      ++stop;
    applyLocaleSetting(line.substr(0, k), value.substr(0, stop));
  }
  return true;
}

std::string environmentFilePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + ".ENV";
}

}  // namespace kiv::format

using namespace kiv::format;

extern "C" {

KivIsfInfo ISFINFO = defaultTables();

KivIsfInfo* _IsfInfoPtr(void) { return &ISFINFO; }

void Kiv$isfinit(void) {
  static std::once_flag once;
  std::call_once(once, [] {
    resetLocaleTables();
    std::string path = environmentFilePath();
    bool loaded = !path.empty() && (loadEnvironmentFile(path) ||
                                    loadEnvironmentFile(path.substr(0, path.size() - 4) + ".env"));
    if (!loaded) {
      // A missing file stays reported until the next operation clears the error state.
      kiv::core::setPlatformError(2);
      Kiv$seterror(2);
    }
  });
}

void Kiv$LOCALE(int32_t keyAndValue) {
  Kiv$clearerror();
  if (keyAndValue) {
    std::string value = kiv::core::popText();
    std::string key = kiv::core::popText();
    applyLocaleSetting(key, value);
    return;
  }
  std::string name = kiv::core::popText();
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (upper(name) == "WINDOWS") {
    applyPlatformTables();
    return;
  }
  // Names are compared in upper case; the host's file names keep their case, so the name is
  // tried as given and then in upper case.
  if (!loadEnvironmentFile(name) && !loadEnvironmentFile(upper(name))) {
    kiv::core::setPlatformError(2);
    Kiv$seterror(2);
  }
}

}  // extern "C"
