#include "app/logging/volume.h"

#include <string>

#include "app/logging/logged_disk.h"

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
  // The whole byte counts of the volume: a disk of today holds far more than 32 bits count.
  uint64_t freeBytes = 0, totalBytes = 0;
  int32_t ok = GetDiskFreeSpaceExA(root.c_str(), &freeBytes, &totalBytes, nullptr);
  if (ok) {
    Logged.FreeBytes.setWhole(freeBytes);
    Logged.TotalBytes.setWhole(totalBytes);
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
  kiv::Dec total(Logged.TotalBytes), free(Logged.FreeBytes);
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
