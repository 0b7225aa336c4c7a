// Probing the logged volume and changing its label.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "include/kiv/decimal.h"

// Reads free and total bytes, percent used, label (into VolName) and serial text of the volume
// of Logged.RootPath. A failed probe shows its message and keeps the values it could not read.
void ProbeVolume();

// The usage pie of the logged volume: used and free shares of the total in percent, exact
// decimals (a zero total gives 0 for both, as the decimal division does). The window shows the
// free share with two places.
struct VolumeUsage {
  kiv::Dec used, free;
};
VolumeUsage LoggedVolumeUsage();

// "0000-0000" with the serial's hexadecimal digits filled in from the right.
std::string SerialText(uint32_t serial);

// Sets the volume label of Logged.RootPath to VolName; on failure shows the message, puts
// `oldLabel` back into VolName and gives false (the window returns the focus to the field).
bool ChangeVolumeLabel(std::string_view oldLabel);
