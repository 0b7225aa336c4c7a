// The window layer's automation interface: what tests (and scripted demonstrations) use to
// drive real windows the way a person would. Call it from any thread but the GUI thread and
// never while holding the runtime lock; every call is carried out on the GUI thread, and the
// events it causes reach the program through the ordinary platform-message path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::ui::automation {

constexpr int kWait = 5000;  // default milliseconds to wait for a window, box or menu

// The open window of a thread (1-based thread number) with the label ("" = its newest),
// waiting for it to appear; 0 if none came.
uint64_t findWindow(int thread, std::string_view label = {}, int timeoutMs = kWait);
bool isOpen(uint64_t window);
// Waits until the window has gone; false on time-out.
bool waitClosed(uint64_t window, int timeoutMs = kWait);

bool press(uint64_t window, int32_t feq);                        // button, menu item, check, panel
bool type(uint64_t window, int32_t feq, std::string_view text);  // entry, text, spin, combo
bool pickRow(uint64_t window, int32_t feq, int32_t row);         // list row, 1-based
bool pickTab(uint64_t window, int32_t feq, int32_t tab);         // sheet tab, 1-based
bool pickChoice(uint64_t window, int32_t feq, int32_t entry);    // drop list / option, 1-based
bool pressKey(uint64_t window, uint32_t keycode);
// A key typed into a control (the keycode's virtual key with its Shift/Ctrl/Alt bits).
bool typeKey(uint64_t window, int32_t feq,
             uint32_t keycode);  // a key (or mouse code) on the window
// A left click in the middle of a control (a control drawn for the eye only passes it on to
// what lies below, as on the screen).
bool click(uint64_t window, int32_t feq);
bool requestClose(uint64_t window);                 // the user closes the window
bool iconize(uint64_t window);                      // the user minimizes the window
bool hover(uint64_t window, int32_t feq, bool in);  // the mouse enters or leaves a panel

std::string shown(uint64_t window, int32_t feq);    // text the control shows
int32_t shownChoice(uint64_t window, int32_t feq);  // check state, row, tab, entry
bool shownEnabled(uint64_t window, int32_t feq);
bool shownVisible(uint64_t window, int32_t feq);
bool shownImage(uint64_t window, int32_t feq);             // an image control shows a picture
std::string shownImageName(uint64_t window, int32_t feq);  // the image file it shows
int32_t shownBevel(uint64_t window, int32_t feq);          // a panel's outer bevel
int32_t rowCount(uint64_t window, int32_t feq);
int32_t shownThumb(uint64_t window, int32_t feq);    // a page list's scroll thumb, -1 for none
std::string shownTip(uint64_t window, int32_t feq);  // a control's tip (a menu item's hint)
std::string cell(uint64_t window, int32_t feq, int32_t row, int32_t column);  // 1-based
std::string statusText(uint64_t window, int32_t zone);
std::string caption(uint64_t window);
bool shownOnScreen(uint64_t window);  // the window is visible (not hidden)
struct Geometry {
  int32_t x = 0, y = 0, width = 0, height = 0;
};
Geometry geometry(uint64_t window);  // position and size of the window's frame

struct MessageBoxSeen {
  std::string caption, text;
};
// The message box being shown (waiting for one).
std::optional<MessageBoxSeen> messageBox(int timeoutMs = kWait);
// Presses the button (a KIV_BUTTON_* code) of the box being shown.
bool answerMessageBox(uint32_t button, int timeoutMs = kWait);
// Chooses the numbered item of the pop-up menu being tracked (0 dismisses it).
bool answerPopup(int32_t item, int timeoutMs = kWait);
// The texts of the pop-up menu's items, "|" separated, as shown.
std::string popupItems(int timeoutMs = kWait);

// The notification area. Tests use one of their own (the offscreen platform has none): icons
// added there are only seen and clicked through these calls.
void useTestNotificationArea(bool on);
bool trayIconShown(uint64_t window, uint32_t iconId);
std::string trayIconTip(uint64_t window, uint32_t iconId);
// A mouse message (KIV_WM_LBUTTONUP, KIV_WM_LBUTTONDBLCLK, KIV_WM_RBUTTONUP) on the icon.
bool clickTrayIcon(uint64_t window, uint32_t iconId, uint32_t mouseMessage);
// The desktop session ends: every top-level window gets the session-end messages.
void endSession();

// Where things are on the screen (global coordinates), for input delivered through the display
// server (a test that moves the real pointer and presses real keys). Nothing when the thing is
// not shown.
// A control; a tab of a sheet: its tab in the sheet's bar; a menu item: the item in the open
// drop-down menu that holds it, else the title in the menu bar whose menu holds it (a click
// there opens that menu).
std::optional<Geometry> onScreen(uint64_t window, int32_t feq);
// A row of a list control (1-based), scrolled into view first.
std::optional<Geometry> rowOnScreen(uint64_t window, int32_t feq, int32_t row);
// The message box being shown, or (with a KIV_BUTTON_* code) its button.
std::optional<Geometry> messageBoxOnScreen(uint32_t button = 0);
// The drop-down or pop-up menu that is open.
std::optional<Geometry> menuOnScreen();

// Saves a picture of the window as PNG.
bool grab(uint64_t window, const std::string& path);

}  // namespace kiv::ui::automation
