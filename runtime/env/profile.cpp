#include "runtime/env/profile.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/env/ini_file.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/settings_dir.h"

namespace kiv::env {
namespace {

// Copies text into the buffer, cut to size - 1; gives the count stored.
uint32_t copyValue(const std::string& text, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  uint32_t n = uint32_t(std::min<size_t>(text.size(), size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// Copies names as NUL-ended strings followed by a second NUL; a list that does not fit is cut,
// still ends with two NULs, and gives size - 2.
uint32_t copyList(const std::vector<std::string>& names, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  std::string list;
  for (const std::string& name : names) list.append(name).push_back('\0');
  if (list.size() + 1 <= size) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    if (list.empty() && size > 1) buffer[1] = '\0';
    return uint32_t(list.size());
  }
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, list.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

std::string withoutTrailingSpaces(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string pathOf(const char* fileName) {
  return fileName ? kiv::platform::settingsFilePath(fileName) : kiv::platform::mainSettingsFile();
}

}  // namespace

uint32_t getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const char* fileName) {
  // The default is taken first: it may share the result buffer.
  const std::string fallback = withoutTrailingSpaces(defaultValue);
  if (!buffer || size == 0) return 0;
  bool readable = false;
  IniDocument doc = readIniFile(pathOf(fileName), &readable);
  if (!readable) kiv::platform::recordHostError(errno);
  if (!section) return copyList(doc.sectionNames(), buffer, size);
  if (!key) return copyList(doc.keyNames(section), buffer, size);
  std::optional<std::string> found = doc.value(section, key);
  return copyValue(found ? *found : fallback, buffer, size);
}

uint32_t getProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size) {
  return getPrivateProfileString(section, key, defaultValue, buffer, size, nullptr);
}

bool writePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName) {
  if (!section || !isWritableEntry(section, key ? key : "", value ? value : "")) {
    kiv::platform::recordHostError(EINVAL);
    return false;
  }
  if ((!fileName || !std::strchr(fileName, '/')) && !kiv::platform::ensureWindowsDirectory()) {
    kiv::platform::recordHostError(errno);
    return false;
  }
  bool ok = updateIniFile(pathOf(fileName), [&](IniDocument& doc) {
    if (!key) return doc.removeSection(section);
    if (!value) return doc.removeEntry(section, key);
    return doc.setValue(section, key, value);
  });
  if (!ok) kiv::platform::recordHostError(errno);
  return ok;
}

bool writeProfileString(const char* section, const char* key, const char* value) {
  return writePrivateProfileString(section, key, value, nullptr);
}

}  // namespace kiv::env
