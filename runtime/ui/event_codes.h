// Event codes as the application sees them (Kiv$EVENT), and their printed names.
#pragma once

#include <cstdint>

namespace kiv::ui {

// Internal event codes are the application's code plus this offset.
constexpr int32_t kEventOffset = 0x1400;

namespace ev {
constexpr int32_t Accepted = 1, NewSelection = 2, ScrollUp = 3, ScrollDown = 4, PageUp = 5,
                  PageDown = 6, ScrollTop = 7, ScrollBottom = 8, Locate = 9, MouseUp = 10,
                  MouseIn = 11, MouseOut = 12, MouseMove = 13, AlertKey = 15, PreAlert = 16,
                  TabChanging = 21, Rejected = 26, DroppingDown = 27, DroppedDown = 28,
                  Selected = 257, CloseWindow = 513, CloseDown = 514, OpenWindow = 515,
                  OpenFailed = 516, LoseFocus = 517, GainFocus = 518, Suspend = 520, Resume = 521,
                  Notify = 522, Timer = 523, DDEexecute = 527, DDEpoke = 528, Move = 544,
                  Size = 545, Restore = 546, Maximize = 547, Iconize = 548, Completed = 549,
                  Moved = 560, Sized = 561, Restored = 562, Maximized = 563, Iconized = 564;
constexpr int32_t User = 1024;  // first code free for the application
}  // namespace ev

// Events from 512 up belong to the window; below, to a control.
constexpr bool isWindowEvent(int32_t code) { return code >= 512; }

// The name the runtime prints for an event code, or nullptr for one without a name.
const char* eventName(int32_t code);
// The name of an internal window message (0x2401 upwards), or nullptr.
const char* internalMessageName(int32_t code);

}  // namespace kiv::ui
