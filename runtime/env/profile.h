// The platform's profile functions over settings files, with their buffer rules: a value is
// cut to fit the buffer; a missing file, section or entry gives the default with its trailing
// blanks removed; a null section lists the section names and a null key the section's key names
// (each name ends with a NUL, the list with a second NUL). A file name without a directory lies
// in the platform's Windows directory; the "profile" forms use its main settings file.
#pragma once

#include <cstdint>

namespace kiv::env {

// The count of characters stored in the buffer, its terminating NUL not counted. A value cut to
// fit gives size - 1; a list cut to fit gives size - 2.
uint32_t getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const char* fileName);
uint32_t getProfileString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t size);

// A null key removes the section; a null value removes the entry. False, with the platform's
// last error set, when the file cannot be written or the names cannot be written as one line.
bool writePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName);
bool writeProfileString(const char* section, const char* key, const char* value);

}  // namespace kiv::env
