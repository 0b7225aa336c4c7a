// A small reader of one settings section; the general settings-file reader lives with the
// environment services.
#include "runtime/platform/drive_settings.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "runtime/platform/settings_dir.h"
#include "runtime/platform/volume_id.h"

namespace kiv::platform {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

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

}  // namespace

std::map<char, DrivePin> parseDriveSettings(std::string_view iniText) {
  std::map<char, DrivePin> folders;
  std::map<char, std::string> labels;
  std::map<char, uint32_t> serials;
  bool inDrives = false;
  std::istringstream in{std::string(iniText)};
  std::string raw;
  while (std::getline(in, raw)) {
    std::string_view line = trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      inDrives =
          close != std::string_view::npos && sameName(trim(line.substr(1, close - 1)), "Drives");
      continue;
    }
    size_t eq = line.find('=');
    if (!inDrives || eq == std::string_view::npos) continue;
    std::string_view key = trim(line.substr(0, eq));
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (key.empty()) continue;
    char letter = upper(key[0]);
    if (letter < 'A' || letter > 'Z') continue;
    std::string_view rest = key.substr(1);
    if (rest.empty() || rest == ":") {
      if (!value.empty() && value.front() == '/' && !folders.count(letter))
        folders[letter].folder = std::string(value);
    } else if (sameName(rest, ".Label") || sameName(rest, ":Label")) {
      labels.emplace(letter, std::string(value));
    } else if (sameName(rest, ".Serial") || sameName(rest, ":Serial")) {
      uint32_t serial = 0;
      if (parseSerial(value, &serial)) serials.emplace(letter, serial);
    }
  }
  for (auto& [letter, pin] : folders) {
    if (auto l = labels.find(letter); l != labels.end()) pin.label = l->second;
    if (auto s = serials.find(letter); s != serials.end()) pin.serial = s->second;
  }
  return folders;
}

std::map<char, DrivePin> readDriveSettings() {
  std::ifstream in(mainSettingsFile(), std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return parseDriveSettings(text.str());
}

}  // namespace kiv::platform
