// Qt side of the window layer: the platform windows and their widgets. GUI thread only.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

#include "runtime/ui/description.h"
#include "runtime/ui/gui.h"

class QMdiArea;
class QLabel;
class QAction;
class QMenuBar;

namespace kiv::gui {

struct PlatformWindow {
  uint64_t id = 0;
  int owner = 0;
  ui::StructureKind kind = ui::StructureKind::Window;
  std::string label;
  QPointer<QWidget> top;    // what the user sees: main window, MDI sub-window or window
  QPointer<QWidget> body;   // where the body controls sit
  QMdiArea* mdi = nullptr;  // the frame's MDI area
  QWidget* toolbar = nullptr;
  std::vector<QLabel*> zones;  // status-bar zones, zone 1 first
  std::map<int32_t, QPointer<QWidget>> controls;
  std::map<int32_t, QAction*> items;  // menu items by equate
  std::map<int32_t, ui::ControlType> types;
  QTimer* timer = nullptr;
  std::vector<uint32_t> alertKeys;
  std::map<int32_t, std::vector<uint32_t>> controlAlertKeys;
  bool passingKey = false;  // a key handed to a control past the alert keys
  bool shown = false;       // opened completely: the automation interface may use it
  bool updating = false;    // the runtime is changing a control: no events from it
  // Status-bar messages of controls, by equate.
  std::map<int32_t, QString> messages;
};

PlatformWindow* platformWindow(uint64_t id);
PlatformWindow* platformWindowOf(QWidget* widget);  // the window a widget belongs to
std::vector<PlatformWindow*> platformWindows();
void postEvent(const PlatformWindow& w, int32_t event, int32_t feq, uint32_t keycode = 0,
               uint8_t keychar = 0);
// The equate of a control widget (or of the control that owns it), 0 when none.
int32_t equateOf(QWidget* widget);
// Key codes: the Qt key of a virtual-key code, and the modifiers of a keycode's 256/512/1024.
int qtKey(uint32_t vk);
Qt::KeyboardModifiers qtModifiers(uint32_t code);

// Hands a platform message to the procedure of the window, on the thread that owns it.
void postWindowMessage(uint64_t window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// The object on the GUI thread that work is handed to (none before the GUI starts).
QObject* guiObject();
// GUI thread: draws a control as the runtime sees it now.
void applyControlView(uint64_t id, int32_t feq, const ControlView& view);
// GUI thread: draws the control views runtime threads left since the last time (see
// gui_pending_views.cpp); every piece of work handed to the GUI thread runs this first.
void takeInPendingViews();

// On an X display, gives every top-level window the screen's default colormap before it is
// mapped, so that screen readers see menus and message boxes over the frame as drawn.
void useDefaultColormaps();

// Turns the session manager's end-of-session request, SIGTERM and SIGHUP into session-end
// messages for the top-level windows. Called once the GUI thread serves the window system.
void installSessionEndHandlers();

// The message box and pop-up menu being shown, for the automation interface.
QWidget* currentMessageBox();
QWidget* currentPopupMenu();

}  // namespace kiv::gui
