#include "app/logging/logged_disk.h"

LoggedDisk Logged;
kiv::CString<12> VolName;
kiv::Queue<DriveEntry> DriveList;
kiv::Queue<FileEntry> FileList;

void ResetLoggedDisk() {
  Logged.PercentUsed = 0;
  FileList.free();
  Logged.FileCount = 0;
  VolName = "";
  Logged.SerialText = "0000-0000";
  Logged.FilesNotLogged = 0;
  Logged.Walk = {};
}
