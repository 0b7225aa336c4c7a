// The disk-logging window and its note editor.
#pragma once

#include <cstdint>

// The logging window, a procedure on a thread of its own (the frame starts it with a stack of
// 25000 bytes). When it closes it tells the frame's thread with user event 1025.
void LogDisk();

// The note editor: edits the note of the logged disk; Cancel blanks it.
void EditNote();

// Controls of LOGDISK$WINDOW.
namespace logdisk_feq {
enum : int32_t {
  kDriveList = 3,
  kDrivePicture = 4,
  kLogButton = 7,
  kLabel = 11,
  kCategory = 13,
  kCategoryButton = 14,
  kFilesNotLogged = 15,
  kNoteButton = 16,
  kFileCount = 18,
  kPieFrame = 19,
  kPie = 20,
  kPercentFree = 25,
  kSaveArea = 29,
  kSavePicture = 30,
  kSaveCaption = 31,
  kCloseArea = 32,
  kClosePicture = 33,
  kCloseCaption = 34,
  kPathLine = 35,
  kSortName = 36,
  kSortSize = 39,
  kSortAttrib = 40,
  kFileList = 41,
};
}  // namespace logdisk_feq

// Controls of EDITNOTE$WINDOW.
namespace editnote_feq {
enum : int32_t { kNoteText = 2, kNoteSave = 3, kNoteCancel = 4 };
}  // namespace editnote_feq

// The user event the logging window posts to thread 1 when it ends.
constexpr int32_t kLoggingEnded = 1025;
