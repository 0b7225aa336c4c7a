#include "app/logging/walk.h"

#include <string>

#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/volume.h"

namespace {

// The directory list: the upper-case full path of each directory still to be scanned.
#define DIRECTORY_ENTRY_FIELDS(FIELD) FIELD(Path, kiv::String<255>, "PATH")
KIV_RECORD(DirectoryEntry, "DRQ", DIRECTORY_ENTRY_FIELDS);

// Scans one directory: files into FileList, directories onto `directories`.
void scanDirectory(std::string_view directory, bool belowRoot,
                   kiv::Queue<DirectoryEntry>& directories) {
  std::string prefix(kiv::clip(directory));
  if (belowRoot) prefix += '\\';
  const std::string upperPrefix = kiv::upper(prefix);
  KivFindData found{};
  KivFindHandle search = FindFirstFileA((prefix + "*.*").c_str(), &found);
  if (search == KIV_INVALID_HANDLE) return;
  do {
    if (found.name[0] == '.') continue;  // ".", ".." and every dot-named entry
    if (found.attributes & KIV_ATTR_DIRECTORY) {
      directories.rec.Path = kiv::upper(prefix + found.name);
      directories.add();
    } else if (!kiv::clip(found.name).empty()) {
      FillFileEntry(found, upperPrefix);
      ++Logged.FileCount;
      FileList.add();
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

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
                    uint8_t(kiv::quotientLong(t.milliseconds, 10))};
  s.time = Kiv$time2abs(&clock);
  return s;
}

void FillFileEntry(const KivFindData& found, std::string_view directoryPrefix) {
  FileEntry& e = FileList.rec;
  const std::string_view name(found.name);
  const bool hasAlternate = !kiv::clip(found.alternateName).empty();
  e.ShortName =
      kiv::upper(hasAlternate ? std::string_view(found.alternateName) : name.substr(0, 12));

  DateTimeSerials created = FileTimeSerials(found.creationTime);
  DateTimeSerials modified = FileTimeSerials(found.writeTime);
  DateTimeSerials accessed = FileTimeSerials(found.accessTime);
  e.CreationDate = created.date;
  e.CreationTime = created.time;
  e.ModifyDate = modified.date;
  e.ModifyTime = modified.time;
  e.AccessDate = accessed.date;
  e.AccessTime = accessed.time;
  e.DisplayDate = modified.date != 0 ? modified.date : created.date;
  e.DisplayTime = modified.time != 0 ? modified.time : created.time;
  e.Size = found.sizeLow;

  std::string attrib = "....";
  if (found.attributes & KIV_ATTR_READONLY) attrib[0] = 'R';
  if (found.attributes & KIV_ATTR_ARCHIVE) attrib[1] = 'A';
  if (found.attributes & KIV_ATTR_SYSTEM) attrib[2] = 'S';
  if (found.attributes & KIV_ATTR_HIDDEN) attrib[3] = 'H';
  e.Attrib = attrib;

  e.FullPath = std::string(directoryPrefix) + kiv::upper(name);

  e.Type = "";
  if (e.ShortName.clipped().find('.') != std::string_view::npos) {
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) e.Type = kiv::upper(name.substr(dot + 1, 3));
  }
  e.NamePos = int16_t(e.FullPath.clipped().size() - kiv::clip(name).size() + 1);
}

void WalkTree(std::string_view root, const YieldFn& yield) {
  kiv::Queue<DirectoryEntry> directories;
  std::string current(root);
  bool belowRoot = false;
  for (int32_t index = 0;; ++index) {
    if (yield) yield();
    if (index != 0) {
      directories.get(index);
      if (kiv::errorCode()) break;
      current = directories.rec.Path.str();
      if (!SetCurrentDirectoryA(current.c_str())) break;
    }
    scanDirectory(current, belowRoot, directories);
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
