// Directory searches: FindFirstFileA reads the whole folder at once (the alternate names of its
// entries depend on every name in it), examines the entries the mask selects, and hands them out
// one by one through FindNextFileA.
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

struct Search {
  std::vector<KivFindData> entries;
  size_t next = 0;
};

std::mutex gMutex;
std::unordered_set<Search*> gSearches;  // open searches, so a stale handle is refused

constexpr unsigned kStatxWanted =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;

uint64_t fileTime(const statx_timestamp& t) { return fileTimeFromUnix(t.tv_sec, t.tv_nsec); }

void copyName(char* target, size_t size, std::string_view name) {
  size_t n = std::min(name.size(), size - 1);
  std::memcpy(target, name.data(), n);
  target[n] = '\0';
}

// The entry's data from what statx gave; `link` marks a symbolic link.
KivFindData entryData(std::string_view name, std::string_view alternate, const struct statx& sx,
                      bool link) {
  KivFindData d{};
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
  return d;
}

bool isMountPoint(const struct statx& sx, dev_t folderDevice) {
  if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
      (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
    return true;
  return makedev(sx.stx_dev_major, sx.stx_dev_minor) != folderDevice;
}

// Examines one entry of the folder open as `dirFd`. False (errno set) when it cannot be
// examined, or (errno 0) when it is left out: a mount point of another volume.
bool examine(int dirFd, dev_t folderDevice, std::string_view name, std::string_view alternate,
             KivFindData* data) {
  std::string path(name);
  struct statx sx {};
  if (statx(dirFd, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxWanted, &sx) != 0)
    return false;
  if (S_ISLNK(sx.stx_mode)) {
    // A link to a regular file stands for the file; any other link is an entry of its own,
    // so no search is ever led into a directory through a link.
    struct statx target {};
    bool toFile = statx(dirFd, path.c_str(), AT_NO_AUTOMOUNT, kStatxWanted, &target) == 0 &&
                  S_ISREG(target.stx_mode);
    *data = entryData(name, alternate, toFile ? target : sx, true);
    return true;
  }
  if (S_ISDIR(sx.stx_mode) && name != "." && name != ".." && isMountPoint(sx, folderDevice)) {
    errno = 0;
    return false;
  }
  *data = entryData(name, alternate, sx, false);
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

// Reads every name of the open folder ("." and ".." aside). False with errno set on failure.
bool readNames(int dirFd, std::vector<std::string>* names) {
  int fd = dup(dirFd);
  if (fd < 0) return false;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    int err = errno;
    close(fd);
    errno = err;
    return false;
  }
  errno = 0;
  while (dirent* e = readdir(dir)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    names->emplace_back(n);
  }
  int err = errno;
  closedir(dir);
  errno = err;
  return err == 0;
}

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

  int dirFd = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) {
    if (errno == ENOENT) return fail(3);  // the folder of the pattern is missing
    recordHostError(errno);
    return KIV_INVALID_HANDLE;
  }
  struct stat folderStat {};
  std::vector<std::string> names;
  if (fstat(dirFd, &folderStat) != 0 || !readNames(dirFd, &names)) {
    int err = errno;
    close(dirFd);
    recordHostError(err);
    return KIV_INVALID_HANDLE;
  }

  std::vector<std::string_view> views(names.begin(), names.end());
  std::vector<std::string> alternates = alternateNames(views);
  auto search = std::make_unique<Search>();
  bool denied = false;
  auto add = [&](std::string_view name, std::string_view alternate) {
    KivFindData entry;
    if (examine(dirFd, folderStat.st_dev, name, alternate, &entry))
      search->entries.push_back(entry);
    else if (errno == EACCES)
      denied = true;
  };
  if (!atRoot) {
    for (std::string_view dots : {".", ".."})
      if (matchesMask(dots, mask)) add(dots, "");
  }
  for (size_t i = 0; i < names.size(); ++i)
    if (matchesMask(names[i], mask)) add(names[i], alternates[i]);
  close(dirFd);

  if (search->entries.empty()) return fail(denied ? 5 : 2);
  *data = search->entries[0];
  search->next = 1;
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
  if (search->next >= search->entries.size()) {
    kiv::core::setPlatformError(18);  // no more files
    return 0;
  }
  *data = search->entries[search->next++];
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
