#include "app/logging/logged_disk.h"

LoggedDisk LogDisk;
kiv::CString<12> VolName;
kiv::Queue<DriveEntry> DriveList;
kiv::Queue<FileEntry> FileList;

void ResetLoggedDisk() {
  LogDisk.PercentUsed = 0;
  FileList.free();
  LogDisk.FileCount = 0;
  VolName = "";
  LogDisk.SerialText = "0000-0000";
  LogDisk.FilesNotLogged = 0;
}
