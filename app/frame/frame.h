// The program's frame: start-up, the APPLICATION window `Main` with its menus, toolbar, status
// bar and notification-area icon, the splash window, the about box and `GetParams`.
#pragma once

#include <cstdint>
#include <string>

#include "include/kiv/kiv.h"
#include "include/kvrun32.h"

// The module of the frame's window descriptions.
inline constexpr const char* kFrameModule = "TARROW.kvw$tarro005";

// Start-up: initialise the runtime, name the help and settings files, run Main.
void TarrowProgram();

// The frame procedure, on thread 1.
void Main();

// The start-up splash window, on a thread of its own; closes itself after five seconds.
void SplashWindow();

// The about box of the Help menu, on a thread of its own.
void AboutBox();

// "Version 1.2  Release 70413", shown by the splash window and the about box.
std::string ReleaseText();

// Asks for the first and last disk ID number and writes one TEMPFILE line per number.
void GetParams();

// User events the frame receives from the procedures it started.
namespace frame_event {
constexpr int32_t LoggingEnded = 1025, DisksBrowseEnded = 1026, FilesBrowseEnded = 1027,
                  LogAgain = 1028;
}

// Field equates of the frame.
namespace frame_feq {
constexpr int32_t LogDisks = -10, BrowseDisks = -11, BrowseFiles = -12, Search = -14;
constexpr int32_t ById = -17, ByIdDescending = -18, ByLabel = -20, ByLabelDescending = -21,
                  ByCategory = -23, ByCategoryDescending = -24, ByFreeSpace = -26,
                  ByFreeSpaceDescending = -27;
constexpr int32_t FilesForADisk = -28, DuplicateFiles = -29, DiskIdLabels = -30, DiskLabels = -31;
constexpr int32_t About = -36;
constexpr int32_t LogPanel = -39, DisksPanel = -42, FilesPanel = -45, SearchPanel = -48,
                  ExitPanel = -51;  // each followed by its icon and caption
}  // namespace frame_feq

// The frame's notification icon: its identifier and the message its mouse actions arrive as.
inline constexpr uint32_t kNotifyIconId = 100, kNotifyCallback = 1092;

// What Main keeps while it runs (thread 1).
struct FrameState {
  int32_t splashThread = 0;   // the running splash window, 0 when none
  int32_t loggingThread = 0;  // the running LogDisk, 0 when none
  bool disksBrowseRunning = false, filesBrowseRunning = false;
  bool trayIconShown = false;
  KivNotifyIconData notifyData{};
  KivWindowProc previousProcedure = nullptr;  // the frame window's own procedure
  int32_t reportOrder = 0;                    // 1..8, for the disks-in-catalog report
  bool singleDisk = false;                    // the report of one disk's files
  bool refreshed = false;                     // the window was refreshed once
};
extern FrameState Frame;

// The seven weekday names, Sunday first, each padded to 9 characters.
extern const kiv::String<63> WeekdayNames;

// The frame's window procedure (replaces the platform window's own).
intptr_t FrameWindowProc(uintptr_t hwnd, uint32_t message, uintptr_t wparam, intptr_t lparam);
// Brings the frame back from its notification icon.
void RestoreFromTray();
