// Directory searches: FindFirstFileA reads every name of the folder at once (the alternate names
// of its entries depend on every name in it); each entry the mask selects is examined when it is
// handed out, so a search holds names only, however large the folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "include/kvrun32/platform.h"
#include "runtime/core/error_state.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/file_times.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/short_names.h"
#include "runtime/platform/wildcards.h"

namespace kiv::platform {
namespace {

constexpr unsigned kStatxWanted =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;

uint64_t fileTime(const statx_timestamp& t) { return fileTimeFromUnix(t.tv_sec, t.tv_nsec); }

void copyName(char* target, size_t size, std::string_view name) {
  size_t n = std::min(name.size(), size - 1);
  if (n > 0) std::memcpy(target, name.data(), n);
  target[n] = '\0';
}

// Fills a zeroed entry from what statx gave; `link` marks a symbolic link.
void fillEntry(KivFindData& d, std::string_view name, std::string_view alternate,
               const struct statx& sx, bool link) {
  const mode_t mode = sx.stx_mode;
  if (!(mode & S_IWUSR)) d.attributes |= KIV_ATTR_READONLY;
  if (name.size() > 0 && name[0] == '.' && name != "." && name != "..")
    d.attributes |= KIV_ATTR_HIDDEN;
  if (S_ISDIR(mode)) {
    d.attributes |= KIV_ATTR_DIRECTORY;
  } else if (S_ISREG(mode)) {
    d.attributes |= KIV_ATTR_ARCHIVE;
  } else if (!S_ISLNK(mode)) {
    d.attributes |= KIV_ATTR_SYSTEM;
  }
  if (link) d.attributes |= KIV_ATTR_REPARSE;
  if (sx.stx_mask & STATX_BTIME) d.creationTime = fileTime(sx.stx_btime);
  d.accessTime = fileTime(sx.stx_atime);
  d.writeTime = fileTime(sx.stx_mtime);
  if (!S_ISDIR(mode)) {
    d.sizeHigh = uint32_t(sx.stx_size >> 32);
    d.sizeLow = uint32_t(sx.stx_size);
  }
  copyName(d.name, sizeof d.name, name);
  copyName(d.alternateName, sizeof d.alternateName, alternate);
}

// A directory on which another file system is mounted. Where the kernel tells mount roots, that
// answer counts (a btrfs subvolume has a device number of its own but is no mount); older
// kernels are asked by device number.
bool isMountPoint(const struct statx& sx, dev_t folderDevice) {
  if (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
    return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  return makedev(sx.stx_dev_major, sx.stx_dev_minor) != folderDevice;
}

// Examines one entry (its name NUL-terminated) of the folder open as `dirFd` into a zeroed
// entry. False (errno set) when it cannot be examined, or (errno 0) when it is left out: a mount
// point of another volume.
bool examine(int dirFd, dev_t folderDevice, std::string_view name, std::string_view alternate,
             KivFindData* data) {
  const char* path = name.data();  // NUL-terminated
  struct statx sx {};
  if (statx(dirFd, path, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxWanted, &sx) != 0)
    return false;
  if (S_ISLNK(sx.stx_mode)) {
    // A link to a regular file stands for the file; any other link is an entry of its own,
    // so no search is ever led into a directory through a link.
    struct statx target {};
    bool toFile =
        statx(dirFd, path, AT_NO_AUTOMOUNT, kStatxWanted, &target) == 0 && S_ISREG(target.stx_mode);
    fillEntry(*data, name, alternate, toFile ? target : sx, true);
    return true;
  }
  if (S_ISDIR(sx.stx_mode) && name != "." && name != ".." && isMountPoint(sx, folderDevice)) {
    errno = 0;
    return false;
  }
  fillEntry(*data, name, alternate, sx, false);
  return true;
}

// The folder part of a pattern (with its trailing separator) and the mask after it.
void splitPattern(std::string_view pattern, std::string_view* folder, std::string_view* mask) {
  size_t sep = pattern.find_last_of("\\/");
  if (sep != std::string_view::npos) {
    *folder = pattern.substr(0, sep + 1);
    *mask = pattern.substr(sep + 1);
  } else if (pattern.size() >= 2 && pattern[1] == ':') {
    *folder = pattern.substr(0, 2);
    *mask = pattern.substr(2);
  } else {
    *folder = std::string_view();
    *mask = pattern;
  }
}

KivFindHandle fail(uint32_t error) {
  kiv::core::setPlatformError(error);
  return KIV_INVALID_HANDLE;
}

// Every name of a folder ("." and ".." aside), each NUL-terminated in one block of text.
struct FolderNames {
  std::string text;
  std::vector<std::string_view> names;  // into text, valid once reading is done
};

// Reads the names of the folder open as `dir`. False with errno set.
bool readNames(DIR* dir, FolderNames* out) {
  std::vector<std::pair<size_t, size_t>> spans;
  errno = 0;
  while (dirent* e = readdir(dir)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    size_t len = strlen(n);
    spans.emplace_back(out->text.size(), len);
    out->text.append(n, len + 1);
  }
  if (errno != 0) return false;
  out->names.reserve(spans.size());
  for (auto [at, len] : spans) out->names.emplace_back(out->text.data() + at, len);
  return true;
}

// One open search: the folder (kept open), its names and where the search stands.
struct Search {
  DIR* dir = nullptr;
  dev_t device = 0;
  bool withDots = false;  // "." and ".." come first (below a drive's root)
  std::string mask;
  FolderNames folder;
  std::vector<std::string> alternates;
  size_t next = 0;  // position in ".", ".." (when withDots), then the names

  ~Search() {
    if (dir) closedir(dir);
  }

  // Fills `data` with the next entry the mask selects that can be examined. False at the end;
  // `denied` tells whether an entry was refused for want of permission.
  bool nextEntry(KivFindData* data, bool* denied) {
    const size_t dots = withDots ? 2 : 0;
    const size_t total = dots + folder.names.size();
    while (next < total) {
      const size_t at = next++;
      std::string_view name = at < dots ? (at == 0 ? "." : "..") : folder.names[at - dots];
      std::string_view alternate =
          at < dots ? std::string_view() : std::string_view(alternates[at - dots]);
      if (!matchesMask(name, mask)) continue;
      *data = KivFindData{};
      if (examine(dirfd(dir), device, name, alternate, data)) return true;
      if (errno == EACCES) *denied = true;
    }
    return false;
  }
};

std::mutex gMutex;
std::unordered_set<Search*> gSearches;  // open searches, so a stale handle is refused

Search* openSearch(KivFindHandle handle) {
  std::lock_guard lock(gMutex);
  auto it = gSearches.find(static_cast<Search*>(handle));
  return it == gSearches.end() ? nullptr : *it;
}

}  // namespace
}  // namespace kiv::platform

using namespace kiv::platform;

extern "C" {

KivFindHandle FindFirstFileA(const char* pattern, KivFindData* data) {
  if (!pattern || !data) return fail(87);
  std::string_view folderText, mask;
  splitPattern(pattern, &folderText, &mask);
  if (mask.empty()) return fail(2);
  std::optional<DrivePath> folder = splitDrivePath(folderText);
  if (!folder) return KIV_INVALID_HANDLE;
  const bool atRoot = folder->below.empty();
  std::string host = hostPath(*folder);

  auto search = std::make_unique<Search>();
  search->dir = opendir(host.c_str());
  if (!search->dir) {
    if (errno == ENOENT) return fail(3);  // the folder of the pattern is missing
    recordHostError(errno);
    return KIV_INVALID_HANDLE;
  }
  struct stat folderStat {};
  if (fstat(dirfd(search->dir), &folderStat) != 0 || !readNames(search->dir, &search->folder)) {
    recordHostError(errno);
    return KIV_INVALID_HANDLE;
  }
  search->device = folderStat.st_dev;
  search->withDots = !atRoot;
  search->mask = std::string(mask);
  search->alternates = alternateNames(search->folder.names);
  bool denied = false;
  if (!search->nextEntry(data, &denied)) return fail(denied ? 5 : 2);
  std::lock_guard lock(gMutex);
  gSearches.insert(search.get());
  return search.release();
}

int32_t FindNextFileA(KivFindHandle handle, KivFindData* data) {
  Search* search = openSearch(handle);
  if (!search || !data) {
    kiv::core::setPlatformError(search ? 87 : 6);
    return 0;
  }
  bool denied = false;
  if (!search->nextEntry(data, &denied)) {
    kiv::core::setPlatformError(18);  // no more files
    return 0;
  }
  return 1;
}

int32_t FindClose(KivFindHandle handle) {
  Search* search = nullptr;
  {
    std::lock_guard lock(gMutex);
    auto it = gSearches.find(static_cast<Search*>(handle));
    if (it != gSearches.end()) {
      search = *it;
      gSearches.erase(it);
    }
  }
  if (!search) {
    kiv::core::setPlatformError(6);
    return 0;
  }
  delete search;
  return 1;
}

}  // extern "C"
