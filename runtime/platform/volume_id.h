// What a volume's superblock says about itself, through libblkid: label, serial number and the
// file-system name it reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kiv::platform {

struct VolumeId {
  std::string label;    // "" when the volume has none
  uint32_t serial = 0;  // 0 when the volume has no identifier
  std::string uuid;     // the whole identifier ("1234-ABCD", a UUID), "" when it has none
  std::string type;     // blkid's TYPE ("vfat", "ext4" ...), "" when unknown
  std::string version;  // blkid's VERSION ("FAT32", "1.0" ...), "" when unknown
};

// Probes a block device. When the device cannot be read (no permission), the label and
// identifier are taken from the /dev/disk/by-label and /dev/disk/by-uuid links that name it.
VolumeId probeVolume(const std::string& device);

// The serial number a volume identifier stands for: a FAT "XXXX-XXXX" identifier is the
// number itself; any other identifier gives its first eight hexadecimal digits; 0 when it holds
// no hexadecimal digit.
uint32_t serialFromUuid(std::string_view uuid);

// The file-system name a volume reports ("FAT", "FAT32", "NTFS", "CDFS", "UDF", "exFAT", else
// the host's type in upper case: "EXT4", "TMPFS" ...).
std::string fileSystemName(std::string_view hostType, std::string_view version);

}  // namespace kiv::platform
