// Labels the user gives volumes that cannot be relabelled on this host.
//
// Writing a label into a mounted file system needs the device itself, which a user program
// rarely may (and should not) write. Such a label is kept instead in section [Volume Labels] of
// WIN.INI in the Windows directory, against the volume's identity, and the volume reports it as
// its label from then on, in this process and in every later one:
//     [Volume Labels]
//     UUID:5E1F-0A3C=HOLIDAYS
//     DIR:/srv/archive=ARCHIVE
// A whole volume with an identifier is known by it (so the label follows the medium to another
// mount point); anything else (a folder drive, a volume without an identifier) by its host folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kiv::platform {

// The identity under which a volume's label is kept: "UUID:<identifier>" when `folder` is the
// mount point of a volume with an identifier `uuid`, else "DIR:<folder>".
std::string volumeIdentity(std::string_view folder, bool wholeVolume, std::string_view uuid);

// The label kept for an identity ("" is a kept empty label), or nothing.
std::optional<std::string> keptVolumeLabel(std::string_view identity);

// Keeps `label` for the identity; false with the platform error set when the settings file
// cannot be written.
bool keepVolumeLabel(std::string_view identity, std::string_view label);

}  // namespace kiv::platform
