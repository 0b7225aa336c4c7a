// Directory searches: FindFirstFileA reads every name of the folder at once (the alternate names
// of its entries depend on every name in it). The entries the mask selects are examined in order,
// by helper threads a bounded stretch ahead of the reader, so a search holds names and a window
// of results only, however large the folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "include/kvrun32/platform.h"
#include "runtime/core/error_state.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/file_times.h"
#include "runtime/platform/helper_threads.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/short_names.h"
#include "runtime/platform/wildcards.h"

namespace kiv::platform {
namespace {

constexpr size_t kDirentBuffer = 64 * 1024;

constexpr unsigned kStatxWanted =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;

uint64_t fileTime(const statx_timestamp& t) { return fileTimeFromUnix(t.tv_sec, t.tv_nsec); }

void copyName(char* target, size_t size, std::string_view name) {
  size_t n = std::min(name.size(), size - 1);
  if (n > 0) std::memcpy(target, name.data(), n);
  target[n] = '\0';
}

// What examining one entry found: its data but for the names, or why it is not handed out.
struct Examined {
  bool found = false;
  int error = 0;  // errno when not found; 0 for an entry left out (a mount point)
  uint32_t attributes = 0;
  KivFileTime creationTime = 0, accessTime = 0, writeTime = 0;
  uint32_t sizeHigh = 0, sizeLow = 0;
};

// Fills `e` from what statx gave of `name`; `link` marks a symbolic link.
void fillEntry(Examined& e, std::string_view name, const struct statx& sx, bool link) {
  const mode_t mode = sx.stx_mode;
  e.found = true;
  if (!(mode & S_IWUSR)) e.attributes |= KIV_ATTR_READONLY;
  if (name.size() > 0 && name[0] == '.' && name != "." && name != "..")
    e.attributes |= KIV_ATTR_HIDDEN;
  if (S_ISDIR(mode)) {
    e.attributes |= KIV_ATTR_DIRECTORY;
  } else if (S_ISREG(mode)) {
    e.attributes |= KIV_ATTR_ARCHIVE;
  } else if (!S_ISLNK(mode)) {
    e.attributes |= KIV_ATTR_SYSTEM;
  }
  if (link) e.attributes |= KIV_ATTR_REPARSE;
  if (sx.stx_mask & STATX_BTIME) e.creationTime = fileTime(sx.stx_btime);
  e.accessTime = fileTime(sx.stx_atime);
  e.writeTime = fileTime(sx.stx_mtime);
  if (!S_ISDIR(mode)) {
    e.sizeHigh = uint32_t(sx.stx_size >> 32);
    e.sizeLow = uint32_t(sx.stx_size);
  }
}

// The entry handed out: what was examined, with its names.
void handOut(KivFindData* d, const Examined& e, std::string_view name, std::string_view alternate) {
  *d = KivFindData{};
  d->attributes = e.attributes;
  d->creationTime = e.creationTime;
  d->accessTime = e.accessTime;
  d->writeTime = e.writeTime;
  d->sizeHigh = e.sizeHigh;
  d->sizeLow = e.sizeLow;
  copyName(d->name, sizeof d->name, name);
  copyName(d->alternateName, sizeof d->alternateName, alternate);
}

// A directory on which another file system is mounted. Where the kernel tells mount roots, that
// answer counts (a btrfs subvolume has a device number of its own but is no mount); older
// kernels are asked by device number.
bool isMountPoint(const struct statx& sx, dev_t folderDevice) {
  if (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
    return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  return makedev(sx.stx_dev_major, sx.stx_dev_minor) != folderDevice;
}

// Examines one entry (its name NUL-terminated) of the folder open as `dirFd`. Safe on any
// thread: it touches nothing but the file system and its result.
Examined examine(int dirFd, dev_t folderDevice, std::string_view name) {
  Examined e;
  const char* path = name.data();  // NUL-terminated
  struct statx sx {};
  if (statx(dirFd, path, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxWanted, &sx) != 0) {
    e.error = errno;
    return e;
  }
  if (S_ISLNK(sx.stx_mode)) {
    // A link to a regular file stands for the file; any other link is an entry of its own,
    // so no search is ever led into a directory through a link.
    struct statx target {};
    bool toFile =
        statx(dirFd, path, AT_NO_AUTOMOUNT, kStatxWanted, &target) == 0 && S_ISREG(target.stx_mode);
    fillEntry(e, name, toFile ? target : sx, true);
    return e;
  }
  if (S_ISDIR(sx.stx_mode) && name != "." && name != ".." && isMountPoint(sx, folderDevice))
    return e;  // left out
  fillEntry(e, name, sx, false);
  return e;
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

// Reads the names of the folder open as `fd`, many at a time. False with errno set.
bool readNames(int fd, FolderNames* out) {
  thread_local std::unique_ptr<char[]> buffer(new char[kDirentBuffer]);
  std::vector<std::pair<size_t, size_t>> spans;
  for (;;) {
    const ssize_t got = getdents64(fd, buffer.get(), kDirentBuffer);
    if (got < 0) return false;
    if (got == 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* e = reinterpret_cast<const dirent64*>(buffer.get() + at);
      at += e->d_reclen;
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
      size_t len = strlen(n);
      spans.emplace_back(out->text.size(), len);
      out->text.append(n, len + 1);
    }
  }
  out->names.reserve(spans.size());
  for (auto [at, len] : spans) out->names.emplace_back(out->text.data() + at, len);
  return true;
}

class ExaminedAhead;
// The search opened last, while it is open: a reader waiting on a helper examines some of its
// entries meanwhile (a walk opens the next folder's search before it takes in the current one).
std::mutex gNewestMutex;
std::weak_ptr<ExaminedAhead> gNewest;

// The entries of an open search that its mask selects, examined ahead of the reader on helper
// threads while the reader hands out earlier ones (statx of a name is most of a search's cost).
// Entries are claimed in runs of kRun, each run once, by a helper or by the reader when it gets
// there first: claiming runs rather than single entries keeps the threads off each other's
// cache lines. Results wait in the slots of two windows, so memory stays bounded however large
// the folder. Owned jointly by the search and its helpers, so a search closed early is safe.
class ExaminedAhead {
 public:
  static constexpr size_t kWindow = 1024;
  static constexpr size_t kRun = 64;
  static_assert(kWindow % kRun == 0, "a run lies within one window");

  ExaminedAhead(int fd, dev_t device) : fd_(fd), device_(device) {}

  // Reads the folder's names and picks those `mask` selects. False with errno set.
  bool readFolder(std::string_view mask) {
    if (!readNames(fd_, &names_)) return false;
    for (size_t i = 0; i < names_.names.size(); ++i)
      if (matchesMask(names_.names[i], mask)) selected_.push_back(uint32_t(i));
    const size_t runs = (selected_.size() + kRun - 1) / kRun;
    states_.reset(new std::atomic<uint8_t>[runs]);
    for (size_t r = 0; r < runs; ++r) states_[r].store(kFree, std::memory_order_relaxed);
    slots_.resize(std::min(selected_.size(), 2 * kWindow));
    return true;
  }
  ~ExaminedAhead() { close(fd_); }

  size_t size() const { return selected_.size(); }
  std::string_view name(size_t k) const { return names_.names[selected_[k]]; }
  int fd() const { return fd_; }
  dev_t device() const { return device_; }

  // Puts helpers on the window that holds entry `k`, when there is one.
  static void startWindow(const std::shared_ptr<ExaminedAhead>& self, size_t k) {
    const size_t from = k - k % kWindow;
    if (from >= self->size()) return;
    const size_t to = std::min(from + kWindow, self->size());
    const size_t helpers = std::min(helperThreadCount(), (to - from + 2 * kRun - 1) / (2 * kRun));
    for (size_t i = 0; i < helpers; ++i)
      if (!runOnHelper([self, from, to] {
            // The first helper of a search works out the alternate names before it examines.
            if (from == 0) self->makeAlternates();
            self->examineRange(from, to);
          }))
        break;
  }

  // The alternate name of every name of the folder, worked out by a helper or here: they depend
  // on all the names, so the first one handed out waits for all of them. While a helper works
  // them out, the reader examines entries from the start.
  const std::string& alternate(size_t k) {
    if (alternatesState_.load(std::memory_order_acquire) != kDone) {
      makeAlternates();
      waitUntilDone(alternatesState_, [this] { return examineFromStart(); });
    }
    return alternates_[selected_[k]];
  }

  // Entry `k`, examined by a helper or here. Entries are taken in order, each once, by one
  // reader.
  const Examined& take(size_t k) {
    const size_t run = k / kRun;
    if (run != readyRun_) {
      if (!examineUnclaimed(run))
        // A helper is on it. Meanwhile the reader examines the window's runs from its far end,
        // where the helpers come last.
        waitUntilDone(states_[run], [this, run, other = true]() mutable {
          if (examineFromEnd(run)) return true;
          // Nothing left here: one run of the newest search instead, once per wait.
          return std::exchange(other, false) && examineForNewest();
        });
      readyRun_ = run;
    }
    return slots_[k % slots_.size()];
  }

  // Makes this the search opened last.
  static void becomeNewest(const std::shared_ptr<ExaminedAhead>& self) {
    std::lock_guard lock(gNewestMutex);
    gNewest = self;
  }

  // The search is closed: helpers leave the rest alone.
  void cancel() { cancelled_.store(true, std::memory_order_relaxed); }

 private:
  static constexpr uint8_t kFree = 0, kTaken = 1, kDone = 2;

  // Waits until `state` is done, doing `work` while it finds some (it gives false when there is
  // none left), then looking again for a while before sleeping: one statx is about a
  // microsecond.
  template <typename Work>
  void waitUntilDone(std::atomic<uint8_t>& state, Work work) {
    for (int spins = 0; state.load(std::memory_order_acquire) != kDone;) {
      if (work()) continue;
      if (++spins < 20000) {
        pauseBriefly();
      } else {
        sleepers_.fetch_add(1);
        state.wait(kTaken);
        sleepers_.fetch_sub(1);
      }
    }
  }

  // Marks `state` done and wakes a reader asleep on it, if there is one.
  void markDone(std::atomic<uint8_t>& state) {
    state.store(kDone);
    if (sleepers_.load() > 0) state.notify_all();
  }

  void makeAlternates() {
    uint8_t expected = kFree;
    if (!alternatesState_.compare_exchange_strong(expected, kTaken, std::memory_order_acquire))
      return;
    alternates_ = alternateNames(names_.names);
    markDone(alternatesState_);
  }

  // Examines the entries of run `r` into their slots unless someone has claimed it. False when
  // it was claimed.
  bool examineUnclaimed(size_t r) {
    uint8_t expected = kFree;
    if (!states_[r].compare_exchange_strong(expected, kTaken, std::memory_order_acquire))
      return false;
    const size_t end = std::min((r + 1) * kRun, size());
    for (size_t j = r * kRun; j < end; ++j)
      slots_[j % slots_.size()] = examine(fd(), device_, name(j));
    markDone(states_[r]);
    return true;
  }

  // Examines the first unclaimed run of the first window. False when there is none.
  bool examineFromStart() {
    const size_t end = (std::min(kWindow, size()) + kRun - 1) / kRun;
    while (startCursor_ < end)
      if (examineUnclaimed(startCursor_++)) return true;
    return false;
  }

  // Examines the last unclaimed run of the window of run `r` beyond `r`. False when there is
  // none: the helpers, coming from the front, have claimed everything up to there.
  bool examineFromEnd(size_t r) {
    constexpr size_t kRunsPerWindow = kWindow / kRun;
    const size_t window = r / kRunsPerWindow;
    if (window != endWindow_) {
      endWindow_ = window;
      endCursor_ = std::min((window + 1) * kRunsPerWindow, (size() + kRun - 1) / kRun);
    }
    return endCursor_ > r + 1 && examineUnclaimed(--endCursor_);
  }

  // Examines the last unclaimed run of the newest search's first window, when that is another
  // search. False when there is none.
  bool examineForNewest() {
    std::shared_ptr<ExaminedAhead> newest;
    {
      std::lock_guard lock(gNewestMutex);
      newest = gNewest.lock();
    }
    if (!newest || newest.get() == this || newest->cancelled_.load(std::memory_order_relaxed))
      return false;
    const size_t runs = (std::min(kWindow, newest->size()) + kRun - 1) / kRun;
    for (size_t r = runs; r-- > 0;) {
      const uint8_t state = newest->states_[r].load(std::memory_order_relaxed);
      if (state == kFree) return newest->examineUnclaimed(r);
    }
    return false;
  }

  void examineRange(size_t from, size_t to) {
    for (size_t r = from / kRun; r * kRun < to && !cancelled_.load(std::memory_order_relaxed); ++r)
      examineUnclaimed(r);
  }

  const int fd_;  // the folder, open
  const dev_t device_;
  FolderNames names_;
  std::vector<uint32_t> selected_;                  // positions of the entries the mask selects
  std::unique_ptr<std::atomic<uint8_t>[]> states_;  // of each run
  std::vector<Examined> slots_;
  std::atomic<bool> cancelled_{false};
  std::atomic<int> sleepers_{0};         // readers asleep on a run's state: only then a wake-up
  std::vector<std::string> alternates_;  // of every name of the folder
  std::atomic<uint8_t> alternatesState_{kFree};
  size_t readyRun_ = SIZE_MAX;  // the run the reader is handing out, examined
  // The reader's ways in: from the start while the alternate names are made, from the far end
  // of a window while a helper examines its run.
  size_t startCursor_ = 0;
  size_t endWindow_ = SIZE_MAX, endCursor_ = 0;
};

// One open search: the folder with its names, and where the search stands.
struct Search {
  std::shared_ptr<ExaminedAhead> ahead;
  bool withDots = false;  // "." and ".." come first (below a drive's root)
  std::string mask;
  size_t next = 0;  // position in ".", ".." (when withDots), then the selected entries

  ~Search() {
    if (ahead) ahead->cancel();
  }

  // Fills `data` with the next selected entry that can be examined. False at the end; `denied`
  // tells whether an entry was refused for want of permission.
  bool nextEntry(KivFindData* data, bool* denied) {
    const size_t dots = withDots ? 2 : 0;
    const size_t total = dots + ahead->size();
    while (next < total) {
      const size_t at = next++;
      Examined e;
      std::string_view name, alternate;
      if (at < dots) {
        name = at == 0 ? "." : "..";
        if (!matchesMask(name, mask)) continue;
        e = examine(ahead->fd(), ahead->device(), name);
      } else {
        const size_t k = at - dots;
        // Entering a window sets helpers on the next one, whose slots are all taken by now.
        if (k > 0 && k % ExaminedAhead::kWindow == 0)
          ExaminedAhead::startWindow(ahead, k + ExaminedAhead::kWindow);
        e = ahead->take(k);
        name = ahead->name(k);
        alternate = ahead->alternate(k);
      }
      if (e.found) {
        handOut(data, e, name, alternate);
        return true;
      }
      if (e.error == EACCES) *denied = true;
    }
    return false;
  }
};

std::mutex gMutex;
std::unordered_set<Search*> gSearches;      // open searches, so a stale handle is refused
std::atomic<uint64_t> gSearchesChanged{0};  // counts openings and closings of searches

// The open search of `handle`, or null. A thread that asks again about the handle it asked
// about last, with no search opened or closed since, is answered without the lock: a search
// gives one entry per call.
Search* openSearch(KivFindHandle handle) {
  thread_local KivFindHandle lastHandle = nullptr;
  thread_local uint64_t lastChange = UINT64_MAX;
  if (handle == lastHandle && gSearchesChanged.load(std::memory_order_acquire) == lastChange)
    return static_cast<Search*>(handle);
  std::lock_guard lock(gMutex);
  auto it = gSearches.find(static_cast<Search*>(handle));
  if (it == gSearches.end()) return nullptr;
  lastHandle = handle;
  lastChange = gSearchesChanged.load(std::memory_order_relaxed);
  return *it;
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

  const int dir = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) {
    if (errno == ENOENT) return fail(3);  // the folder of the pattern is missing
    recordHostError(errno);
    return KIV_INVALID_HANDLE;
  }
  struct stat folderStat {};
  if (fstat(dir, &folderStat) != 0) {
    recordHostError(errno);
    close(dir);
    return KIV_INVALID_HANDLE;
  }
  auto search = std::make_unique<Search>();
  search->ahead = std::make_shared<ExaminedAhead>(dir, folderStat.st_dev);
  if (!search->ahead->readFolder(mask)) {
    recordHostError(errno);
    return KIV_INVALID_HANDLE;
  }
  ExaminedAhead::becomeNewest(search->ahead);
  ExaminedAhead::startWindow(search->ahead, 0);
  ExaminedAhead::startWindow(search->ahead, ExaminedAhead::kWindow);
  search->withDots = !atRoot;
  search->mask = std::string(mask);
  bool denied = false;
  if (!search->nextEntry(data, &denied)) return fail(denied ? 5 : 2);
  std::lock_guard lock(gMutex);
  gSearches.insert(search.get());
  gSearchesChanged.fetch_add(1, std::memory_order_release);
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
      gSearchesChanged.fetch_add(1, std::memory_order_release);
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
