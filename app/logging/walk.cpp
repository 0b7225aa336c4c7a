#include "app/logging/walk.h"

#include <array>
#include <string>
#include <vector>

#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/volume.h"

namespace {

// Platform errors of a directory that is gone (removed since it was listed) or empty.
constexpr uint32_t kFileNotFound = 2, kPathNotFound = 3;

// The directory list: the upper-case full path of each directory still to be scanned.
#define DIRECTORY_ENTRY_FIELDS(FIELD) FIELD(Path, kiv::String<255>, "PATH")
KIV_RECORD(DirectoryEntry, "DRQ", DIRECTORY_ENTRY_FIELDS);

// The directories still to be scanned: the directory list, and beside each entry the path the
// directory is entered and searched by. That path keeps the names as they are on the volume and
// its whole length: names that differ only in case are different folders on most volumes, and a
// path longer than the list's field must still lead to its folder.
class DirectoryQueue {
 public:
  void add(std::string_view upperPath, std::string realPath) {
    list_.rec.Path = upperPath;
    list_.add();
    real_.push_back(std::move(realPath));
  }
  int32_t records() const { return int32_t(real_.size()); }
  // The real path of entry `index` (1-based), read through the directory list as the walk reads
  // it; "" when there is no such entry.
  const std::string& realPath(int32_t index) {
    static const std::string none;
    list_.get(index);
    if (kiv::errorCode() || index < 1 || index > records()) return none;
    return real_[size_t(index - 1)];
  }

 private:
  kiv::Queue<DirectoryEntry> list_;
  std::vector<std::string> real_;
};

// The search of one directory, from its first entry on.
class DirectorySearch {
 public:
  DirectorySearch() = default;
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;
  ~DirectorySearch() { close(); }

  // Starts the search of `directory` ("X:\" or "X:\DIR\SUB", names as on the volume).
  void open(std::string_view directory, bool belowRoot) {
    close();
    directory_ = std::string(directory);
    prefix_ = directory_;
    if (belowRoot) prefix_ += '\\';
    handle_ = FindFirstFileA((prefix_ + "*.*").c_str(), &found_);
    error_ = handle_ == KIV_INVALID_HANDLE ? GetLastError() : 0;
  }
  void close() {
    if (handle_ != KIV_INVALID_HANDLE) FindClose(handle_);
    handle_ = KIV_INVALID_HANDLE;
    directory_.clear();
  }
  bool isOf(std::string_view directory) const {
    return !directory_.empty() && directory_ == directory;
  }
  // The platform error of a search that could not start (2 when nothing matched).
  uint32_t error() const { return error_; }

  // Takes in every entry: files into FileList, directories onto `directories`.
  void scan(DirectoryQueue& directories) {
    if (handle_ == KIV_INVALID_HANDLE) return;
    const std::string upperPrefix = kiv::upper(prefix_);
    do {
      if (found_.name[0] == '.') continue;  // ".", ".." and every dot-named entry
      if (found_.attributes & KIV_ATTR_DIRECTORY) {
        directories.add(upperPrefix + kiv::upper(found_.name), prefix_ + found_.name);
      } else if (!kiv::clip(found_.name).empty()) {
        FillFileEntry(found_, upperPrefix);
        ++Logged.FileCount;
        FileList.add();
      }
    } while (FindNextFileA(handle_, &found_));
    close();
  }

 private:
  std::string directory_, prefix_;
  KivFindHandle handle_ = KIV_INVALID_HANDLE;
  KivFindData found_{};
  uint32_t error_ = 0;
};

std::string currentDirectory() {
  char buffer[1024] = {};
  uint32_t n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

}  // namespace

DateTimeSerials FileTimeSerials(KivFileTime fileTime) {
  DateTimeSerials s;
  KivFileTime local = 0;
  KivSystemTime t{};
  if (fileTime == 0 || !FileTimeToLocalFileTime(&fileTime, &local) ||
      !FileTimeToSystemTime(&local, &t))
    return s;
  s.date = Kiv$DATE(t.month, t.day, t.year);
  KivClockRec clock{uint8_t(t.hour), uint8_t(t.minute), uint8_t(t.second),
                    uint8_t(t.milliseconds / 10)};
  s.time = Kiv$time2abs(&clock);
  return s;
}

void FillFileEntry(const KivFindData& found, std::string_view directoryPrefix) {
  FileEntry& e = FileList.rec;
  const std::string_view name(found.name);
  const bool hasAlternate = !kiv::clip(found.alternateName).empty();
  e.ShortName = hasAlternate ? kiv::clip(found.alternateName) : name.substr(0, 12);
  kiv::upperInPlace(e.ShortName.data(), e.ShortName.size);

  DateTimeSerials created = FileTimeSerials(found.creationTime);
  DateTimeSerials modified = FileTimeSerials(found.writeTime);
  DateTimeSerials accessed =
      found.accessTime == found.writeTime ? modified : FileTimeSerials(found.accessTime);
  e.CreationDate = created.date;
  e.CreationTime = created.time;
  e.ModifyDate = modified.date;
  e.ModifyTime = modified.time;
  e.AccessDate = accessed.date;
  e.AccessTime = accessed.time;
  e.DisplayDate = modified.date != 0 ? modified.date : created.date;
  e.DisplayTime = modified.time != 0 ? modified.time : created.time;
  e.Size.setWhole(uint64_t(found.sizeHigh) << 32 | found.sizeLow);

  char attrib[4] = {'.', '.', '.', '.'};
  if (found.attributes & KIV_ATTR_READONLY) attrib[0] = 'R';
  if (found.attributes & KIV_ATTR_ARCHIVE) attrib[1] = 'A';
  if (found.attributes & KIV_ATTR_SYSTEM) attrib[2] = 'S';
  if (found.attributes & KIV_ATTR_HIDDEN) attrib[3] = 'H';
  e.Attrib = std::string_view(attrib, 4);

  // The path is built in a buffer kept across calls: one file after another, no allocation.
  thread_local std::string path;
  path.assign(directoryPrefix);
  path.append(name);
  kiv::upperInPlace(path.data() + directoryPrefix.size(), name.size());
  e.FullPath = path;

  e.Type = "";
  if (e.ShortName.clipped().find('.') != std::string_view::npos) {
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) {
      e.Type = name.substr(dot + 1, 3);
      kiv::upperInPlace(e.Type.data(), e.Type.size);
    }
  }
  // Where the name starts in the stored path (as cut to the field and clipped).
  const size_t stored = kiv::clip(std::string_view(path).substr(0, e.FullPath.size)).size();
  e.NamePos = int16_t(stored - kiv::clip(name).size() + 1);
}

void WalkReport::skip(std::string_view path) {
  if (skippedPaths.size() < kPathsKept) skippedPaths.emplace_back(path);
  ++skipped;
}

std::string SkippedFoldersText(const WalkReport& report) {
  const bool one = report.skipped == 1;
  std::string text = std::to_string(report.skipped) + (one ? " folder" : " folders") +
                     " could not be opened and " + (one ? "was" : "were") +
                     " left out of the list:\n\r";
  for (const std::string& path : report.skippedPaths) text += "\n\r" + path;
  const size_t more = size_t(report.skipped) - report.skippedPaths.size();
  if (more > 0) text += "\n\r... and " + std::to_string(more) + " more";
  text += "\n\r\n\rEvery other folder was logged. Save stores the files that were found.";
  return text;
}

WalkReport WalkTree(std::string_view root, const YieldFn& yield) {
  WalkReport report;
  DirectoryQueue directories;
  // The searches of the next directories in the list start before the current one is taken
  // in, so that their entries are examined (on the runtime's helper threads) meanwhile.
  constexpr int32_t kAhead = 2;
  std::array<DirectorySearch, kAhead + 1> searches;
  auto searchOf = [&](int32_t index) -> DirectorySearch& { return searches[index % (kAhead + 1)]; };
  std::string current(root);
  bool belowRoot = false;
  int32_t opened = 0;  // directories whose search has been started: 0 .. opened-1
  for (int32_t index = 0;; ++index) {
    if (yield) yield();
    DirectorySearch& search = searchOf(index);
    if (index != 0) {
      current = directories.realPath(index);
      if (kiv::errorCode()) break;
      // A directory that cannot be entered is left out, and the walk goes on with the next.
      if (!SetCurrentDirectoryA(current.c_str())) {
        if (GetLastError() != kFileNotFound) report.skip(current);
        search.close();
        continue;
      }
    }
    if (index >= opened || !search.isOf(current)) {
      search.open(current, belowRoot);
      opened = index + 1;
    }
    for (; opened <= index + kAhead && directories.records() >= opened; ++opened)
      searchOf(opened).open(directories.realPath(opened), true);
    // A directory that cannot be read contributes nothing and is reported; one that vanished
    // since it was listed, or an empty root, is not.
    const uint32_t error = search.error();
    if (error != 0 && error != kFileNotFound && error != kPathNotFound) report.skip(current);
    search.scan(directories);
    belowRoot = true;
  }
  Kiv$clearerror();
  return report;
}

bool LogDrive(std::string_view driveEntryText, const YieldFn& yield) {
  const std::string remembered = currentDirectory();
  SetErrorMode(KIV_SEM_FAILCRITICALERRORS);
  Logged.RootPath = driveEntryText.substr(0, 3);
  const std::string root = Logged.RootPath.str();
  if (!SetCurrentDirectoryA(root.c_str())) {
    kiv::message("Drive is not ready!\n\rMake sure the disk is inserted properly.", "System Error",
                 KIV_ICON_QUESTION);
    SetErrorMode(0);
    SetCurrentDirectoryA(remembered.c_str());
    ResetLoggedDisk();
    return false;
  }
  FileList.free();
  Logged.FileCount = 0;
  Logged.Category = "";
  Logged.DriveType = uint8_t(DriveTypeNumber(root));
  ProbeVolume();
  Logged.Walk = WalkTree(root, yield);
  SetErrorMode(0);
  SetCurrentDirectoryA(remembered.c_str());
  FileList.sort({FileEntry::Fields::ShortName});
  return true;
}

void FileListSort::press(int32_t button) {
  if (button == field) descending = !descending;
  field = button;
  const int32_t sign = descending ? -1 : 1;
  if (button == FileEntry::Fields::ShortName)
    FileList.sort({sign * FileEntry::Fields::ShortName});
  else
    FileList.sort({sign * button, sign * FileEntry::Fields::ShortName});
}
