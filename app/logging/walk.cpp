#include "app/logging/walk.h"

#include <array>
#include <string>

#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/volume.h"

namespace {

// The directory list: the upper-case full path of each directory still to be scanned.
#define DIRECTORY_ENTRY_FIELDS(FIELD) FIELD(Path, kiv::String<255>, "PATH")
KIV_RECORD(DirectoryEntry, "DRQ", DIRECTORY_ENTRY_FIELDS);

// The search of one directory, from its first entry on.
class DirectorySearch {
 public:
  DirectorySearch() = default;
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;
  ~DirectorySearch() { close(); }

  // Starts the search of `directory` ("X:\" or "X:\DIR\SUB").
  void open(std::string_view directory, bool belowRoot) {
    close();
    directory_ = std::string(kiv::clip(directory));
    prefix_ = directory_;
    if (belowRoot) prefix_ += '\\';
    handle_ = FindFirstFileA((prefix_ + "*.*").c_str(), &found_);
  }
  void close() {
    if (handle_ != KIV_INVALID_HANDLE) FindClose(handle_);
    handle_ = KIV_INVALID_HANDLE;
    directory_.clear();
  }
  bool isOf(std::string_view directory) const {
    return !directory_.empty() && directory_ == kiv::clip(directory);
  }

  // Takes in every entry: files into FileList, directories onto `directories`.
  void scan(kiv::Queue<DirectoryEntry>& directories) {
    if (handle_ == KIV_INVALID_HANDLE) return;
    const std::string upperPrefix = kiv::upper(prefix_);
    do {
      if (found_.name[0] == '.') continue;  // ".", ".." and every dot-named entry
      if (found_.attributes & KIV_ATTR_DIRECTORY) {
        directories.rec.Path = kiv::upper(prefix_ + found_.name);
        directories.add();
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
  e.Size = found.sizeLow;

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

void WalkTree(std::string_view root, const YieldFn& yield) {
  kiv::Queue<DirectoryEntry> directories;
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
    if (index != 0) {
      directories.get(index);
      if (kiv::errorCode()) break;
      current = directories.rec.Path.str();
      if (!SetCurrentDirectoryA(current.c_str())) break;
    }
    DirectorySearch& search = searchOf(index);
    if (index >= opened || !search.isOf(current)) {
      search.open(current, belowRoot);
      opened = index + 1;
    }
    for (; opened <= index + kAhead && directories.records() >= opened; ++opened) {
      directories.get(opened);
      searchOf(opened).open(directories.rec.Path.str(), true);
    }
    search.scan(directories);
    belowRoot = true;
  }
  Kiv$clearerror();
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
  WalkTree(root, yield);
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
