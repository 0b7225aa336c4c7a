#include "app/logging/volume.h"

#include <string>

#include "app/logging/logged_disk.h"

namespace {

// Bytes of `clusters` clusters, formed exactly and then taken as a ULONG.
uint32_t clusterBytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t clusters) {
  kiv::Dec bytes = kiv::Dec(sectorsPerCluster) * bytesPerSector * clusters;
  return bytes.toULong();
}

}  // namespace

std::string SerialText(uint32_t serial) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text = "0000-0000";
  size_t pos = text.size();
  while (serial != 0 && pos > 0) {
    --pos;
    if (text[pos] == '-') continue;
    text[pos] = kHex[serial & 0xF];
    serial >>= 4;
  }
  return text;
}

void ProbeVolume() {
  const std::string root = Logged.RootPath.str();
  uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  int32_t ok = GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                 &totalClusters);
  if (ok) {
    Logged.FreeBytes = clusterBytes(sectorsPerCluster, bytesPerSector, freeClusters);
    Logged.TotalBytes = clusterBytes(sectorsPerCluster, bytesPerSector, totalClusters);
  } else {
    kiv::message("Free Space FAILED, CODE " + std::to_string(ok), "Drive " + root);
  }
  Logged.PercentUsed = LoggedVolumeUsage().used.toLong();

  char label[12] = {};
  uint32_t serial = 0, maxComponent = 0, flags = 0;
  char fsName[8] = {};
  ok = GetVolumeInformationA(root.c_str(), label, sizeof label, &serial, &maxComponent, &flags,
                             fsName, sizeof fsName);
  if (ok) {
    VolName = label;
    Logged.SerialText = SerialText(serial);
  } else {
    kiv::message("Disk Info FAILED, CODE " + std::to_string(ok), "Drive " + root);
  }
}

VolumeUsage LoggedVolumeUsage() {
  kiv::Dec total(uint32_t(Logged.TotalBytes)), free(uint32_t(Logged.FreeBytes));
  return {(total - free) / total * 100, free / total * 100};
}

bool ChangeVolumeLabel(std::string_view oldLabel) {
  const std::string root = Logged.RootPath.str();
  if (SetVolumeLabelA(root.c_str(), VolName.c_str())) return true;
  kiv::message(
      "Error changing the disk volume label!\n\rMake sure the disk is not write-protected.",
      "System Error");
  VolName = oldLabel;
  return false;
}
