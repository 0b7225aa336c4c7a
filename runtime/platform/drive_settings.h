// The [Drives] section of WIN.INI: letters pinned to folders, with optional labels and serials.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "runtime/platform/drive_map.h"

namespace kiv::platform {

// Pins from a settings text (read by the settings-file reader): "E=/media/usb" maps a letter ("E"
// or "E:"), "E.Label=NAME" and "E.Serial=1234-ABCD" (or eight hex digits) give the drive its own
// label and serial, "E.Total=BYTES" and "E.Free=BYTES" (decimal digits, up to 2^64 - 1) the byte
// counts it reports. Lines of other sections, comments (";") and malformed entries are ignored; a
// label or serial without a folder for its letter is ignored too.
std::map<char, DrivePin> parseDriveSettings(std::string_view iniText);

// The pins of WIN.INI in the Windows directory (none when the file is missing).
std::map<char, DrivePin> readDriveSettings();

}  // namespace kiv::platform
