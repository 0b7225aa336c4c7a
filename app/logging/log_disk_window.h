// The disk-logging window and its note editor.
#pragma once

#include <cstdint>

// The logging window, a procedure on a thread of its own (the frame starts it with a stack of
// 25000 bytes). When it closes it tells the frame's thread with user event 1025.
void LogDisk();

// The note editor: edits the note of the logged disk; Cancel blanks it.
void EditNote();

// The user event the logging window posts to thread 1 when it ends.
constexpr int32_t kLoggingEnded = 1025;
