// The window layer's platform seam: everything the runtime asks of the platform's windows.
// Callable from runtime threads; each call hands its work to the GUI thread and waits for it.
// The Qt backend (gui_*.cpp) implements it; nothing else in the runtime includes Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/platform/message_box.h"
#include "runtime/ui/description.h"

namespace kiv::gui {

// True while a GUI thread serves the window system.
bool available();
// Runs `work` on the GUI thread and waits for it (runs it directly on the GUI thread itself).
void run(const std::function<void()>& work);

struct WindowSpec {
  uint64_t id = 0;
  int ownerSlot = 0;
  ui::StructureKind kind = ui::StructureKind::Window;
  const ui::StructureDesc* desc = nullptr;
  uint64_t frameId = 0;  // the frame of an MDI child
  bool modal = false;
};

// Creates the platform window (hidden until shown) with its menus, toolbar and status bar;
// false when it cannot be made.
bool createWindow(const WindowSpec& request);
void showWindow(uint64_t id);
void destroyWindow(uint64_t id);
void setWindowText(uint64_t id, const std::string& text);
ui::Rect windowGeometry(uint64_t id);
void setWindowGeometry(uint64_t id, const ui::Rect& r);
enum class WindowState { Normal, Maximized, Iconized, Hidden };
WindowState windowState(uint64_t id);
void setWindowState(uint64_t id, WindowState state);
void setWindowTimer(uint64_t id, int32_t hundredths);
void setStatusText(uint64_t id, int32_t zone, const std::string& text);
void setAlertKeys(uint64_t id, const std::vector<uint32_t>& keycodes);
void setControlAlertKeys(uint64_t id, int32_t feq, const std::vector<uint32_t>& keycodes);
// Gives a key to a control as if typed, past the alert keys (after a cycled EVENT:PreAlert).
void sendKey(uint64_t id, int32_t feq, uint32_t keycode);
uintptr_t nativeHandle(uint64_t id, int32_t feq);
void processPaint();  // lets pending paints run

// What a control looks like; the runtime sends it whole after every change.
struct ControlView {
  ui::ControlType type = ui::ControlType::Prompt;
  std::string text;   // caption, prompt, image name
  std::string value;  // shown value (entries, texts, spins, progress, pie "used,free")
  ui::Rect at;
  ui::FontDesc font;
  int32_t fg = -1, bg = -1, fill = -1, border = -1;
  int32_t bevelOuter = 0, bevelInner = 0;
  int32_t rangeLow = 0, rangeHigh = 0;
  bool hidden = false, disabled = false, readOnly = false;
  int32_t choice = 0;  // checked state, option, drop-list entry, tab, list row (1-based)
  int32_t thumb = -1;  // a page list's scroll thumb in percent, -1 none
  std::vector<std::string> choices;
  std::string tip;
  std::vector<unsigned char> image;  // image bytes of an image control or button icon
  // How an image control shows its picture: fit 1 scales it to the control keeping its shape;
  // a zoom in percent above 0 shows it zoomed, with scroll bars where it is larger than the
  // control: at that zoom when zoomFixed, else as wide as the control.
  int32_t imageFit = 0, imageZoom = 0;
  bool zoomFixed = false;
  std::string message;  // shown in zone 1 of the window's status bar while the control has focus
};

// Creates a control at run time (CREATE); controls of the description come with the window.
void createControl(uint64_t id, const ui::ControlDesc& desc);
void destroyControl(uint64_t id, int32_t feq);
void showControl(uint64_t id, int32_t feq, const ControlView& view);

struct ListColumnView {
  std::string heading;
  int32_t width = 0;
  char justify = 'L';
  bool icon = false;
};
// Replaces the rows of a list; icons holds per row the image bytes to show (or empty).
void setListRows(uint64_t id, int32_t feq, std::vector<ListColumnView> columns,
                 std::vector<std::vector<std::string>> rows,
                 std::vector<std::vector<unsigned char>> images, std::vector<int32_t> rowIcons);

// What the user has put into a control.
struct ControlInput {
  std::string text;
  int32_t choice = 0;
  int32_t thumb = -1;  // where the user left a page list's scroll thumb
  bool valid = false;
};
ControlInput readControl(uint64_t id, int32_t feq);
// The inner size of a window (its body, where the controls sit; feq 0) or the size of the
// picture an image control shows, at the screen's resolution; 0 by 0 when there is none.
ui::Rect innerSize(uint64_t id, int32_t feq);
// The smallest size the user may give the window.
void setMinimumSize(uint64_t id, int32_t width, int32_t height);
void focusControl(uint64_t id, int32_t feq);
int32_t visibleRows(uint64_t id, int32_t feq);

uint32_t messageBox(const platform::MessageBoxRequest& request);
// Makes every runtime message box a real one (done at start unless a handler is installed).
void installMessageBoxHandler();

struct PopupItem {
  std::string text;
  int32_t number = 0;  // 0 for separators and submenu titles
  bool separator = false, dimmed = false, checked = false;
  std::vector<PopupItem> submenu;
  bool isSubmenu = false;
};
// Shows the menu (at the mouse when atMouse) and gives the chosen number, 0 if none.
int32_t popupMenu(const std::vector<PopupItem>& items, int32_t x, int32_t y, bool atMouse);

// Shell services (runtime/ui/gui_shell.cpp).
// The window whose top-level platform handle (property 31894) is `handle`; 0 if none.
uint64_t windowOfHandle(uintptr_t handle);
// Notification icons of a window: false when the desktop has no notification area, when adding
// an icon that is there or deleting one that is not.
bool addTrayIcon(uint64_t window, uint32_t iconId, uint32_t callbackMessage,
                 const std::vector<unsigned char>& image, const std::string& tip);
bool modifyTrayIcon(uint64_t window, uint32_t iconId, const std::vector<unsigned char>* image,
                    const std::string* tip);
bool deleteTrayIcon(uint64_t window, uint32_t iconId);
void deleteTrayIcons(uint64_t window);  // the window is going away
// Raises the window above the others and activates it.
void raiseWindow(uint64_t id);
// Sets the icon of the program's windows.
void setProgramIcon(const std::vector<unsigned char>& image);

void beep();
// The mouse cursor over the program's windows: a standard cursor identifier, 0 the normal one.
void setCursor(uint32_t standardCursor);
// The thread timer of the idle procedure (0 stops it); it posts to the main thread.
void setIdleTimer(int32_t milliseconds);

}  // namespace kiv::gui
