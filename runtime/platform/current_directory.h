// The process's current directory as a drive path.
#pragma once

#include <optional>
#include <string>

namespace kiv::platform {

// "X:\DIR" ("X:\" at a root): the drive path the directory was last entered by, while the host's
// current folder is still the one entered; otherwise the drive path of the host's current folder.
// Nothing when it lies on no drive.
std::optional<std::string> currentDrivePath();

// Enters a drive path (relative paths from the current directory). False with the platform
// error set when it cannot be entered.
bool changeDirectory(const char* path);

}  // namespace kiv::platform
