#include "runtime/platform/volume_id.h"

#include <blkid.h>
#include <dirent.h>
#include <stdlib.h>

#include <memory>

namespace kiv::platform {
namespace {

struct ProbeDeleter {
  void operator()(blkid_struct_probe* p) const { blkid_free_probe(p); }
};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string canonical(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string s = real;
  free(real);
  return s;
}

// The name of the link in `folder` that leads to `device` ("" when none does). udev writes
// the names with "\x20"-style escapes; they are decoded.
std::string linkNameFor(const char* folder, const std::string& device) {
  DIR* dir = opendir(folder);
  if (!dir) return "";
  std::string found;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    if (canonical(std::string(folder) + "/" + e->d_name) == device) {
      found = e->d_name;
      break;
    }
  }
  closedir(dir);
  std::string decoded;
  for (size_t i = 0; i < found.size(); ++i) {
    if (found[i] == '\\' && i + 3 < found.size() && found[i + 1] == 'x' &&
        hexValue(found[i + 2]) >= 0 && hexValue(found[i + 3]) >= 0) {
      decoded += char(hexValue(found[i + 2]) * 16 + hexValue(found[i + 3]));
      i += 3;
    } else {
      decoded += found[i];
    }
  }
  return decoded;
}

std::string lookup(blkid_probe probe, const char* name) {
  const char* value = nullptr;
  if (blkid_probe_lookup_value(probe, name, &value, nullptr) == 0 && value) return value;
  return "";
}

}  // namespace

uint32_t serialFromUuid(std::string_view uuid) {
  uint32_t serial = 0;
  int digits = 0;
  for (char c : uuid) {
    int v = hexValue(c);
    if (v < 0) continue;
    serial = serial << 4 | uint32_t(v);
    if (++digits == 8) break;
  }
  return serial;
}

VolumeId probeVolume(const std::string& device) {
  VolumeId id;
  std::unique_ptr<blkid_struct_probe, ProbeDeleter> probe(
      blkid_new_probe_from_filename(device.c_str()));
  if (probe) {
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID |
                                                       BLKID_SUBLKS_TYPE | BLKID_SUBLKS_VERSION);
    if (blkid_do_safeprobe(probe.get()) == 0) {
      id.label = lookup(probe.get(), "LABEL");
      id.uuid = lookup(probe.get(), "UUID");
      id.serial = serialFromUuid(id.uuid);
      id.type = lookup(probe.get(), "TYPE");
      id.version = lookup(probe.get(), "VERSION");
    }
    return id;
  }
  std::string real = canonical(device);
  id.label = linkNameFor("/dev/disk/by-label", real);
  id.uuid = linkNameFor("/dev/disk/by-uuid", real);
  id.serial = serialFromUuid(id.uuid);
  return id;
}

std::string fileSystemName(std::string_view hostType, std::string_view version) {
  if (hostType == "vfat" || hostType == "msdos" || hostType == "fat")
    return version == "FAT32" ? "FAT32" : "FAT";
  if (hostType == "ntfs" || hostType == "ntfs3" || hostType == "fuseblk") return "NTFS";
  if (hostType == "iso9660") return "CDFS";
  if (hostType == "udf") return "UDF";
  if (hostType == "exfat") return "exFAT";
  std::string name(hostType);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return name;
}

}  // namespace kiv::platform
