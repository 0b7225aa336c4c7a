// Probing the logged volume and changing its label.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reads free and total bytes, percent used, label (into VolName) and serial text of the volume
// of LogDisk.RootPath. A failed probe shows its message and keeps the values it could not read.
void ProbeVolume();

// "0000-0000" with the serial's hexadecimal digits filled in from the right.
std::string SerialText(uint32_t serial);

// Sets the volume label of LogDisk.RootPath to VolName; on failure shows the message, puts
// `oldLabel` back into VolName and gives false (the window returns the focus to the field).
bool ChangeVolumeLabel(std::string_view oldLabel);
