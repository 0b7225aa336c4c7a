// Window objects (SCREEN), their controls and event records. Everything here is guarded by the
// runtime lock; the platform side lives behind runtime/ui/gui.h.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/control.h"
#include "runtime/ui/description.h"
#include "runtime/ui/threads.h"

namespace kiv::ui {

struct EventRecord {
  int32_t code = 0;      // internal code: application code + kEventOffset
  int32_t feq = 0;       // the control, 0 for window events
  uint32_t keycode = 0;  // keycode word (low 11 bits the keycode, 0x800 extended, lock bits)
  uint8_t keychar = 0;
  int32_t mouseX = 0, mouseY = 0;
  int32_t appCode() const { return code - kEventOffset; }
};

struct LoopRecord {
  bool savedInHandler = false;  // the in-handler flag of the loop this one is nested in
  bool delivering = false;      // an event is with the procedure; EndEventLoop finishes it
  bool deliveringImmediate = false;
  EventRecord delivered;
};

class Screen;

// A window object without a platform window (a REPORT) opens and closes itself and answers its
// own window properties; the report engine gives its objects this behaviour.
class ScreenBehaviour {
 public:
  virtual ~ScreenBehaviour() = default;
  virtual void open(Screen& w) = 0;
  virtual void close(Screen& w) = 0;
  // True when the property is the behaviour's own; a read puts the value in `out`.
  virtual bool setProperty(Screen& w, int32_t number, int32_t index, const std::string& value) = 0;
  virtual bool getProperty(Screen& w, int32_t number, int32_t index, std::string& out) = 0;
  // A property whose value is the address of the caller's variable (Kiv$SetPropF, SetPropQ).
  virtual bool setAddressProperty(Screen& w, int32_t number, void* address) { return false; }
};

class Screen {
 public:
  Screen(StructureKind kind, std::string module, std::string label, std::vector<void*> use);
  ~Screen();

  bool isOpen() const { return platformOpen; }
  bool loopActive() const { return !loops.empty(); }
  Control* control(int32_t feq);
  int32_t firstField() const;  // lowest positive equate of a body control, 0 if none
  int32_t lastField() const;

  const uint64_t id;
  const StructureKind kind;
  const std::string module, label;
  const std::vector<void*> use;  // USE-variable addresses in description order
  int owner = 0;                 // slot of the constructing thread
  bool platformOpen = false;
  std::shared_ptr<const ModuleDesc> moduleDesc;
  const StructureDesc* desc = nullptr;
  std::vector<std::unique_ptr<Control>> controls;  // description order
  std::map<int32_t, Control*> byEquate;

  std::deque<EventRecord> queue;         // pending events, oldest first
  std::deque<EventRecord> immediate;     // events to deliver before the queue
  std::unique_ptr<EventRecord> current;  // the event the procedure is handling
  std::vector<LoopRecord> loops;         // innermost last
  bool inHandler = false;
  bool closeRequested = false;
  bool suspended = false;
  bool timerPending = false;
  int closeState = 0;  // 0 none, 1 children being closed, 2 closing
  bool acceptAll = false;
  int32_t lastAccepted = 0;
  int32_t selectionTarget = 0;
  int32_t focusField = 0;
  std::vector<uint32_t> alertKeys;
  int32_t keyToControl = 0;          // a cycled EVENT:PreAlert hands this key ...
  int32_t keyControl = 0;            // ... to this control instead of EVENT:AlertKey
  Screen* previous = nullptr;        // the thread's window before this one opened
  Screen* frame = nullptr;           // the frame of an MDI child
  std::vector<Screen*> mdiChildren;  // frame only
  bool raisedModal = false;
  int32_t timer = 0;  // hundredths of a second
  std::string text;   // caption
  Rect position;
  std::map<int32_t, std::string> statusZones;
  std::map<int32_t, std::string> otherProperties;  // properties without a meaning of their own
  std::unique_ptr<ScreenBehaviour> behaviour;      // set for REPORTs
};

// Looks a window object up by its id; nullptr when it was freed.
Screen* screenById(uint64_t id) KIV_REQUIRES_RUNTIME_LOCK;
// Every window object that exists.
std::vector<Screen*> allScreens() KIV_REQUIRES_RUNTIME_LOCK;
// The window that window operations address: SETTARGET's override, else the current window.
Screen* targetWindow() KIV_REQUIRES_RUNTIME_LOCK;
Screen* currentWindow() KIV_REQUIRES_RUNTIME_LOCK;
// The frame, while one is open.
Screen* activeFrame() KIV_REQUIRES_RUNTIME_LOCK;

// Queues an event on a window and wakes its thread (events only while the window system is
// active, and only for the window or controls with an equate).
void queueEvent(Screen& w, const EventRecord& e) KIV_REQUIRES_RUNTIME_LOCK;
void queueEvent(Screen& w, int32_t appCode, int32_t feq) KIV_REQUIRES_RUNTIME_LOCK;

void openScreen(Screen& w) KIV_REQUIRES_RUNTIME_LOCK;
void closeScreen(Screen& w) KIV_REQUIRES_RUNTIME_LOCK;
// Closes the window now (platform window gone, predecessor restored, modal counter lowered).
void closeNow(Screen& w) KIV_REQUIRES_RUNTIME_LOCK;
void freeScreen(Screen* w) KIV_REQUIRES_RUNTIME_LOCK;
// Closes and frees the windows a thread leaves behind when it ends.
void releaseThreadWindows(int slot) KIV_REQUIRES_RUNTIME_LOCK;

// Handles one platform message for the running thread (the window procedures).
void dispatchMessage(const PlatformMessage& m) KIV_REQUIRES_RUNTIME_LOCK;
// Calls the window's procedure (the one SetWindowLongA installed, else the runtime's own) with
// a platform message.
void deliverWindowMessage(Screen& w, uint32_t message, uintptr_t wparam,
                          intptr_t lparam) KIV_REQUIRES_RUNTIME_LOCK;
// Forgets the window procedure of a window being freed.
void forgetWindowProcedure(uint64_t window) KIV_REQUIRES_RUNTIME_LOCK;

// Waits without the runtime lock for the thread's next message and dispatches it.
void waitAndDispatch() KIV_REQUIRES_RUNTIME_LOCK;

// Runs the idle procedure when the running thread is the main thread.
void runIdleProcedure() KIV_REQUIRES_RUNTIME_LOCK;

// The window system stops queueing events once close-down has ended it.
bool windowSystemActive();
void endWindowSystem();

}  // namespace kiv::ui
