// Drive types, free space, volume information and labels of the drives of the drive map.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "include/kvrun32/platform.h"
#include "runtime/core/error_state.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/mounts.h"
#include "runtime/platform/volume_id.h"
#include "runtime/platform/volume_labels.h"

namespace kiv::platform {
namespace {

std::atomic<uint32_t> gErrorMode{0};

// The drive of a root argument (NULL = the current drive).
std::optional<Drive> driveOfRoot(const char* root) {
  std::optional<DrivePath> path = splitDrivePath(root ? root : "\\");
  if (!path) return std::nullopt;
  return path->drive;
}

// The drive of a root whose folder is present; nothing (platform error set) otherwise.
std::optional<Drive> presentDrive(const char* root) {
  std::optional<Drive> drive = driveOfRoot(root);
  if (!drive) return std::nullopt;
  struct stat st {};
  if (stat(drive->folder.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      kiv::core::setPlatformError(3);
    } else {
      recordHostError(errno);
    }
    return std::nullopt;
  }
  if (!S_ISDIR(st.st_mode)) {
    kiv::core::setPlatformError(3);
    return std::nullopt;
  }
  return drive;
}

// Copies text into a caller's buffer, cut to size - 1 bytes without splitting a UTF-8 sequence.
void copyText(char* buffer, uint32_t size, std::string_view text) {
  if (!buffer || size == 0) return;
  size_t n = std::min<size_t>(text.size(), size - 1);
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// Byte counts of a drive's volume: its size, what the caller may still write, and what is free
// altogether (the rest is kept back for the system). The counts a pin gives stand for the
// volume's.
struct ByteCounts {
  uint64_t total = 0, available = 0, free = 0;
  uint64_t block = 4096;  // the file system's allocation unit
};

std::optional<ByteCounts> byteCountsOf(const char* root) {
  std::optional<Drive> drive = presentDrive(root);
  if (!drive) return std::nullopt;
  ByteCounts counts;
  if (!drive->totalBytes || !drive->freeBytes) {
    struct statvfs vfs {};
    if (statvfs(drive->folder.c_str(), &vfs) != 0) {
      recordHostError(errno);
      return std::nullopt;
    }
    const uint64_t block = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    counts = {uint64_t(vfs.f_blocks) * block, uint64_t(vfs.f_bavail) * block,
              uint64_t(vfs.f_bfree) * block, block};
  }
  if (drive->totalBytes) counts.total = *drive->totalBytes;
  if (drive->freeBytes) counts.available = counts.free = *drive->freeBytes;
  return counts;
}

bool oneOf(std::string_view value, std::initializer_list<std::string_view> list) {
  for (std::string_view v : list)
    if (value == v) return true;
  return false;
}

uint32_t volumeFlags(const std::optional<Mount>& mount) {
  uint32_t flags = KIV_FS_CASE_PRESERVED | KIV_FS_UNICODE_ON_DISK;
  std::string_view type = mount ? std::string_view(mount->fsType) : std::string_view();
  if (!oneOf(type, {"vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk"}))
    flags |= KIV_FS_CASE_SENSITIVE;
  if (type == "msdos") flags = 0;
  if (mount && mount->readOnly) flags |= KIV_FS_READ_ONLY_VOLUME;
  return flags;
}

// The label and serial of a drive: those given with its pin; else the device's when the drive
// is a whole mounted volume (a folder inside a volume has neither). A label the user gave the
// volume on this host (SetVolumeLabelA) stands for the volume's own.
VolumeId volumeIdOf(const Drive& drive, const std::optional<Mount>& mount) {
  VolumeId id;
  if (drive.label || drive.serial) {
    id.label = drive.label.value_or("");
    id.serial = drive.serial.value_or(0);
    if (mount) id.type = mount->fsType;
    return id;
  }
  const bool wholeVolume = mount && mount->target == drive.folder;
  if (wholeVolume && mount->source.starts_with("/dev/")) id = probeVolume(mount->source);
  if (std::optional<std::string> kept =
          keptVolumeLabel(volumeIdentity(drive.folder, wholeVolume, id.uuid)))
    id.label = *kept;
  return id;
}

}  // namespace
}  // namespace kiv::platform

using namespace kiv::platform;

extern "C" {

uint32_t GetLastError(void) { return kiv::core::platformError(); }

void SetLastError(uint32_t error) { kiv::core::setPlatformError(error); }

uint32_t SetErrorMode(uint32_t mode) { return gErrorMode.exchange(mode); }

uint32_t GetDriveTypeA(const char* root) {
  std::optional<DrivePath> path = splitDrivePath(root ? root : "\\");
  if (!path) return KIV_DRIVE_NO_ROOT_DIR;
  std::string host = hostPath(*path);
  struct stat st {};
  if (stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return KIV_DRIVE_NO_ROOT_DIR;
  std::optional<Mount> mount = mountOf(host);
  return mount ? driveTypeOf(*mount) : uint32_t(KIV_DRIVE_UNKNOWN);
}

int32_t GetDiskFreeSpaceA(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                          uint32_t* freeClusters, uint32_t* totalClusters) {
  std::optional<ByteCounts> counts = byteCountsOf(root);
  if (!counts) return 0;
  // Clusters of one block (sectors of 512 bytes when the block is a multiple of them), doubled
  // until the cluster count fits 32 bits; counts beyond that are cut to the largest 32-bit value.
  const uint32_t sector = counts->block % 512 == 0 ? 512 : uint32_t(counts->block);
  uint64_t perCluster = counts->block / sector;
  while (counts->total / (perCluster * sector) > 0xFFFFFFFFu && perCluster * sector < (1ull << 31))
    perCluster *= 2;
  const uint64_t cluster = perCluster * sector;
  auto clamp = [](uint64_t v) { return uint32_t(v > 0xFFFFFFFFu ? 0xFFFFFFFFu : v); };
  if (sectorsPerCluster) *sectorsPerCluster = uint32_t(perCluster);
  if (bytesPerSector) *bytesPerSector = sector;
  if (freeClusters) *freeClusters = clamp(counts->available / cluster);
  if (totalClusters) *totalClusters = clamp(counts->total / cluster);
  return 1;
}

int32_t GetDiskFreeSpaceExA(const char* root, uint64_t* freeBytesAvailable, uint64_t* totalBytes,
                            uint64_t* totalFreeBytes) {
  std::optional<ByteCounts> counts = byteCountsOf(root);
  if (!counts) return 0;
  if (freeBytesAvailable) *freeBytesAvailable = counts->available;
  if (totalBytes) *totalBytes = counts->total;
  if (totalFreeBytes) *totalFreeBytes = counts->free;
  return 1;
}

int32_t GetVolumeInformationA(const char* root, char* label, uint32_t labelSize, uint32_t* serial,
                              uint32_t* maxComponentLength, uint32_t* flags, char* fsName,
                              uint32_t fsNameSize) {
  std::optional<Drive> drive = presentDrive(root);
  if (!drive) return 0;
  struct statvfs vfs {};
  if (statvfs(drive->folder.c_str(), &vfs) != 0) {
    recordHostError(errno);
    return 0;
  }
  std::optional<Mount> mount = mountOf(drive->folder);
  VolumeId id = volumeIdOf(*drive, mount);
  copyText(label, labelSize, id.label);
  if (serial) *serial = id.serial;
  if (maxComponentLength) *maxComponentLength = uint32_t(vfs.f_namemax);
  if (flags) *flags = volumeFlags(mount);
  copyText(fsName, fsNameSize, mount ? fileSystemName(mount->fsType, id.version) : "");
  return 1;
}

int32_t SetVolumeLabelA(const char* root, const char* label) {
  std::optional<Drive> drive = presentDrive(root);
  if (!drive) return 0;
  if (setPinnedLabel(drive->letter, label ? label : "")) return 1;
  // Writing a label into a mounted file system needs the device itself: the label is kept on
  // this host against the volume's identity instead, and reported as the volume's from now on.
  std::optional<Mount> mount = mountOf(drive->folder);
  const bool wholeVolume = mount && mount->target == drive->folder;
  std::string uuid;
  if (wholeVolume && mount->source.starts_with("/dev/")) uuid = probeVolume(mount->source).uuid;
  return keepVolumeLabel(volumeIdentity(drive->folder, wholeVolume, uuid), label ? label : "") ? 1
                                                                                               : 0;
}

}  // extern "C"
