// Logging a drive: the breadth-first walk of its directory tree into the file list, and the
// sorting of that list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/logging/logged_disk.h"
#include "include/kvrun32.h"

// Lets the window process pending events between directories (YIELD).
using YieldFn = std::function<void()>;

// Logs the drive of a drive-list entry ("C:\ [FIXED]"): enters its root, probes the volume and
// walks its tree into FileList, then returns to the directory it started in with the list
// sorted by short name. A drive that cannot be entered shows "Drive is not ready!..." and
// leaves the logged state reset; gives false then.
bool LogDrive(std::string_view driveEntryText, const YieldFn& yield = {});

// Walks the tree below the current directory `root` ("X:\") breadth first into FileList,
// adding to Logged.FileCount. Every directory is entered and searched by its path as it is on
// the volume; one that cannot be entered or read is left out, counted in the report, and the
// walk goes on with the rest.
WalkReport WalkTree(std::string_view root, const YieldFn& yield = {});

// What the logging window tells the user about folders a walk left out: how many, the first
// few by path, and that everything else was logged.
std::string SkippedFoldersText(const WalkReport& report);

// Fills FileList.rec from one directory entry found in the directory whose upper-case path,
// with the "\" that separates a name below the root, is `directoryPrefix` ("X:\", "X:\DIR\").
void FillFileEntry(const KivFindData& found, std::string_view directoryPrefix);

// Date and time serials of a file time, through local time; a missing time (0) gives 0, 0.
struct DateTimeSerials {
  int32_t date = 0, time = 0;
};
DateTimeSerials FileTimeSerials(KivFileTime fileTime);

// The sort buttons' state: the button pressed last and the direction.
struct FileListSort {
  int32_t field = 0;  // 1 name, 2 date, 3 time, 4 size, 5 attributes; 0 before any press
  bool descending = false;
  // A press of sort button `field`: the same button again reverses the direction, another
  // keeps it. Sorts FileList by the field, then by the short name in the same direction.
  void press(int32_t field);
};
