// Drive letters a program maps for itself (DefineDosDeviceA) and the folder a letter stands for
// (QueryDosDeviceA), over the drive map.
#include <cstring>
#include <string>

#include "include/kvrun32/platform.h"
#include "runtime/core/error_state.h"
#include "runtime/platform/drive_map.h"

namespace {

// The letter of a device name "X:" (either case); 0 when the name is not one.
char letterOf(const char* name) {
  if (!name) return 0;
  char c = name[0];
  if (c >= 'a' && c <= 'z') c = char(c - 32);
  if (c < 'A' || c > 'Z' || name[1] != ':' || name[2] != '\0') return 0;
  return c;
}

}  // namespace

extern "C" {

int32_t DefineDosDeviceA(uint32_t flags, const char* deviceName, const char* targetPath) {
  const char letter = letterOf(deviceName);
  if (!letter) {
    kiv::core::setPlatformError(87);
    return 0;
  }
  if (flags & KIV_DDD_REMOVE_DEFINITION) {
    kiv::platform::unpinDrive(letter);
    return 1;
  }
  if (!targetPath || targetPath[0] != '/') {
    kiv::core::setPlatformError(87);
    return 0;
  }
  kiv::platform::pinDrive(letter, {targetPath, {}, {}});
  return 1;
}

uint32_t QueryDosDeviceA(const char* deviceName, char* targetPath, uint32_t max) {
  const char letter = letterOf(deviceName);
  std::optional<kiv::platform::Drive> drive =
      letter ? kiv::platform::driveOf(letter) : std::nullopt;
  if (!drive) {
    kiv::core::setPlatformError(2);
    return 0;
  }
  const std::string& folder = drive->folder;
  if (!targetPath || max < folder.size() + 2) {
    kiv::core::setPlatformError(122);  // the buffer is too small
    return 0;
  }
  std::memcpy(targetPath, folder.c_str(), folder.size() + 1);
  targetPath[folder.size() + 1] = '\0';
  return uint32_t(folder.size() + 2);
}

}  // extern "C"
