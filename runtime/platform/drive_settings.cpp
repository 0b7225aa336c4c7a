#include "runtime/platform/drive_settings.h"

#include <cctype>
#include <cstdint>
#include <utility>

#include "runtime/env/ini_file.h"
#include "runtime/platform/settings_dir.h"
#include "runtime/platform/volume_id.h"

namespace kiv::platform {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

// "1234-ABCD" or "1234ABCD": exactly eight hex digits, an optional "-" in the middle.
bool parseSerial(std::string_view text, uint32_t* serial) {
  std::string digits;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '-' && i == 4 && text.size() == 9) continue;
    if (!isxdigit(static_cast<unsigned char>(text[i]))) return false;
    digits += text[i];
  }
  if (digits.size() != 8) return false;
  *serial = serialFromUuid(digits);
  return true;
}

// Decimal digits only, of a value below 2^64.
bool parseByteCount(std::string_view text, uint64_t* bytes) {
  if (text.empty() || text.size() > 20) return false;
  unsigned __int128 value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + unsigned(c - '0');
  }
  if (value > UINT64_MAX) return false;
  *bytes = uint64_t(value);
  return true;
}

std::map<char, DrivePin> pinsOf(const kiv::env::IniDocument& ini) {
  constexpr std::string_view kSection = "Drives";
  std::map<char, DrivePin> pins;
  for (const std::string& key : ini.keyNames(kSection)) {
    if (key.empty()) continue;
    char letter = upper(key[0]);
    std::string_view rest = std::string_view(key).substr(1);
    if (letter < 'A' || letter > 'Z' || !(rest.empty() || rest == ":")) continue;
    std::string folder = ini.value(kSection, key).value_or("");
    if (folder.empty() || folder.front() != '/' || pins.count(letter)) continue;
    DrivePin& pin = pins[letter];
    pin.folder = std::move(folder);
    for (const char* suffix : {".Label", ":Label"})
      if (!pin.label) pin.label = ini.value(kSection, std::string(1, letter) + suffix);
    for (const char* suffix : {".Serial", ":Serial"}) {
      uint32_t serial = 0;
      std::optional<std::string> text = ini.value(kSection, std::string(1, letter) + suffix);
      if (!pin.serial && text && parseSerial(*text, &serial)) pin.serial = serial;
    }
    for (auto [suffix, count] : {std::pair{".Total", &pin.totalBytes}, {".Free", &pin.freeBytes}}) {
      uint64_t bytes = 0;
      std::optional<std::string> text = ini.value(kSection, std::string(1, letter) + suffix);
      if (text && parseByteCount(*text, &bytes)) *count = bytes;
    }
  }
  return pins;
}

}  // namespace

std::map<char, DrivePin> parseDriveSettings(std::string_view iniText) {
  return pinsOf(kiv::env::IniDocument::parse(iniText));
}

std::map<char, DrivePin> readDriveSettings() {
  return pinsOf(kiv::env::readIniFile(mainSettingsFile()));
}

}  // namespace kiv::platform
