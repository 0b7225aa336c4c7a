// The host's mount table, through libmount: the real volumes to give drive letters, the mount
// that holds a folder, and the drive type a mount stands for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kiv::platform {

// One mounted file system.
struct Mount {
  std::string target;   // mount point
  std::string source;   // device or remote source ("/dev/sdb1", "server:/export", "tmpfs")
  std::string fsType;   // "ext4", "vfat", "tmpfs", "fuse.sshfs" ...
  uint64_t device = 0;  // the file system's device number (st_dev of its files)
  bool readOnly = false;
  bool network = false;  // a network file system by libmount's list
};

// Mounts that deserve a drive letter, in mount-table order: no pseudo file systems (proc, sysfs,
// tmpfs, overlay ...), nothing under /proc, /sys, /dev, /run (except /run/media) or /snap,
// not "/" itself (that is C:), each mount point once. Empty when the table cannot be read.
std::vector<Mount> volumeMounts();

// The mount holding a host path (the topmost one mounted on the nearest mount point above it).
// Nothing when the path does not exist or the mount table cannot be read.
std::optional<Mount> mountOf(const std::string& hostPath);

// The drive type (KIV_DRIVE_REMOVABLE .. KIV_DRIVE_RAMDISK) of a mount.
uint32_t driveTypeOf(const Mount& mount);

}  // namespace kiv::platform
