// GETINI and PUTINI: thin layers over the profile functions with the statements' fixed buffers.
// An empty file name means the platform's main settings file. Neither reports errors.
#include "include/kvrun32/ini.h"
#include "include/kvrun32/strstack.h"
#include "runtime/env/profile.h"

namespace {

constexpr uint32_t kNameSize = 64;     // section and entry
constexpr uint32_t kValueSize = 1024;  // value, default and result
constexpr uint32_t kFileSize = 144;

// Pops the top with its trailing blanks removed into a fixed buffer, cutting longer text.
void popArgument(char* buffer, uint32_t size) {
  Kiv$StackCLIP();
  Kiv$PopCString(buffer, size);
}

}  // namespace

extern "C" {

void Kiv$GETINI(void) {
  char section[kNameSize], entry[kNameSize], value[kValueSize], file[kFileSize];
  popArgument(section, sizeof section);
  popArgument(entry, sizeof entry);
  popArgument(value, sizeof value);
  popArgument(file, sizeof file);
  if (file[0] != '\0')
    kiv::env::getPrivateProfileString(section, entry, value, value, kValueSize, file);
  else
    kiv::env::getProfileString(section, entry, value, value, kValueSize);
  Kiv$PushCString(value);
}

void Kiv$PUTINI(int32_t entryOmitted, int32_t valueOmitted) {
  char section[kNameSize], entry[kNameSize], value[kValueSize], file[kFileSize];
  popArgument(section, sizeof section);
  popArgument(entry, sizeof entry);
  popArgument(value, sizeof value);
  popArgument(file, sizeof file);
  const char* key = entryOmitted ? nullptr : entry;
  const char* text = valueOmitted ? nullptr : value;
  if (file[0] != '\0')
    kiv::env::writePrivateProfileString(section, key, text, file);
  else
    kiv::env::writeProfileString(section, key, text);
}

}  // extern "C"
