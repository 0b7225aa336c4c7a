#include "runtime/platform/mounts.h"

#include <libmount.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <array>
#include <fstream>
#include <memory>
#include <set>
#include <string_view>

#include "include/kvrun32/platform.h"

namespace kiv::platform {
namespace {

struct TableDeleter {
  void operator()(libmnt_table* t) const { mnt_unref_table(t); }
};
struct IterDeleter {
  void operator()(libmnt_iter* i) const { mnt_free_iter(i); }
};
using Table = std::unique_ptr<libmnt_table, TableDeleter>;
using Iter = std::unique_ptr<libmnt_iter, IterDeleter>;

// The kernel's mount table of this process.
Table readTable() {
  Table table(mnt_new_table());
  if (!table) return nullptr;
  if (mnt_table_parse_file(table.get(), "/proc/self/mountinfo") != 0) return nullptr;
  return table;
}

std::string text(const char* s) { return s ? s : ""; }

Mount mountFrom(libmnt_fs* fs) {
  Mount m;
  m.target = text(mnt_fs_get_target(fs));
  m.source = text(mnt_fs_get_source(fs));
  m.fsType = text(mnt_fs_get_fstype(fs));
  m.device = mnt_fs_get_devno(fs);
  const char* opts = mnt_fs_get_vfs_options(fs);
  m.readOnly = opts && mnt_optstr_get_option(opts, "ro", nullptr, nullptr) == 0;
  m.network = mnt_fs_is_netfs(fs) != 0;
  return m;
}

bool startsWithFolder(std::string_view path, std::string_view folder) {
  return path == folder || (path.size() > folder.size() &&
                            path.substr(0, folder.size()) == folder && path[folder.size()] == '/');
}

// Mount points that belong to the system rather than to a volume the user keeps files on.
bool isSystemPlace(std::string_view target) {
  if (startsWithFolder(target, "/run/media")) return false;
  for (std::string_view place : {"/proc", "/sys", "/dev", "/run", "/snap"})
    if (startsWithFolder(target, place)) return true;
  return false;
}

bool oneOf(std::string_view value, std::initializer_list<std::string_view> list) {
  for (std::string_view v : list)
    if (value == v) return true;
  return false;
}

// The sysfs removable flag of a block device (a partition takes its disk's flag).
bool isRemovableDevice(dev_t device) {
  std::string base =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  for (const char* name : {"/removable", "/../removable"}) {
    std::ifstream in(base + name);
    int flag = 0;
    if (in >> flag) return flag == 1;
  }
  return false;
}

}  // namespace

std::vector<Mount> volumeMounts() {
  std::vector<Mount> mounts;
  Table table = readTable();
  if (!table) return mounts;
  Iter iter(mnt_new_iter(MNT_ITER_FORWARD));
  if (!iter) return mounts;
  std::set<std::string> seen;
  libmnt_fs* fs = nullptr;
  while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
    if (mnt_fs_is_pseudofs(fs)) continue;
    Mount m = mountFrom(fs);
    if (m.target.empty() || m.target == "/" || isSystemPlace(m.target)) continue;
    if (!seen.insert(m.target).second) continue;
    mounts.push_back(std::move(m));
  }
  return mounts;
}

std::optional<Mount> mountOf(const std::string& hostPath) {
  char* real = realpath(hostPath.c_str(), nullptr);
  if (!real) return std::nullopt;
  std::string canonical = real;
  free(real);
  Table table = readTable();
  if (!table) return std::nullopt;
  libmnt_fs* fs = mnt_table_find_mountpoint(table.get(), canonical.c_str(), MNT_ITER_BACKWARD);
  if (!fs) return std::nullopt;
  return mountFrom(fs);
}

uint32_t driveTypeOf(const Mount& mount) {
  std::string_view type = mount.fsType;
  if (oneOf(type, {"iso9660", "udf"})) return KIV_DRIVE_CDROM;
  if (oneOf(type, {"tmpfs", "ramfs"})) return KIV_DRIVE_RAMDISK;
  if (mount.network || oneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs",
                                    "9p", "afs", "ceph", "glusterfs"}))
    return KIV_DRIVE_REMOTE;
  struct stat st {};
  if (mount.source.starts_with("/dev/") && stat(mount.source.c_str(), &st) == 0 &&
      S_ISBLK(st.st_mode) && isRemovableDevice(st.st_rdev))
    return KIV_DRIVE_REMOVABLE;
  return KIV_DRIVE_FIXED;
}

}  // namespace kiv::platform
