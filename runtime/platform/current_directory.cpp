// The current directory: the host's current folder, remembered as the drive path it was entered
// by so that GetCurrentDirectoryA gives back the drive and spelling the caller used.
#include "runtime/platform/current_directory.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

#include "include/kvrun32/platform.h"
#include "runtime/core/error_state.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/host_errors.h"

namespace kiv::platform {
namespace {

std::mutex gMutex;
std::string gEnteredPath;  // drive path given to the last successful change
std::string gEnteredHost;  // the host folder it led to

std::optional<std::string> hostCurrentFolder() {
  char buffer[PATH_MAX];
  if (!getcwd(buffer, sizeof buffer)) return std::nullopt;
  return std::string(buffer);
}

// "X:\A\B" with the parts as the caller wrote them, "." and ".." resolved.
std::string drivePathText(const DrivePath& path) {
  std::string text = rootOf(path.drive.letter);
  for (char c : path.below) text += c == '/' ? '\\' : c;
  return text;
}

}  // namespace

std::optional<std::string> currentDrivePath() {
  std::optional<std::string> host = hostCurrentFolder();
  if (!host) return std::nullopt;
  {
    std::lock_guard lock(gMutex);
    if (!gEnteredHost.empty() && *host == gEnteredHost) return gEnteredPath;
  }
  return drivePathOfHost(*host);
}

bool changeDirectory(const char* path) {
  if (!path || !*path) {
    kiv::core::setPlatformError(3);
    return false;
  }
  std::optional<DrivePath> split = splitDrivePath(path);
  if (!split) return false;
  std::string host = hostPath(*split);
  if (chdir(host.c_str()) != 0) {
    recordHostError(errno);
    return false;
  }
  std::optional<std::string> entered = hostCurrentFolder();
  std::lock_guard lock(gMutex);
  gEnteredPath = drivePathText(*split);
  gEnteredHost = entered.value_or("");
  return true;
}

}  // namespace kiv::platform

using namespace kiv::platform;

extern "C" {

uint32_t GetCurrentDirectoryA(uint32_t bufferSize, char* buffer) {
  std::optional<std::string> path = currentDrivePath();
  if (!path) {
    kiv::core::setPlatformError(3);
    return 0;
  }
  uint32_t length = uint32_t(path->size());
  if (!buffer || bufferSize <= length) return length + 1;
  std::memcpy(buffer, path->c_str(), length + 1);
  return length;
}

int32_t SetCurrentDirectoryA(const char* path) { return changeDirectory(path) ? 1 : 0; }

}  // extern "C"
