// Windows, events and properties as procedures write them. A procedure declares its window with
// its USE variables, opens it, and handles its events in one loop; the window is closed and
// freed when the declaration goes out of scope:
//
//   kiv::Long first, last;
//   kiv::Window window(kiv::Window::Mdi, kModule, "GETPARAMS$WINDOW", &first, &last);
//   window.open();
//   for (kiv::Event& event : window.events()) {
//     if (event.accepted(kOk)) window.post(kiv::event::CloseWindow);
//   }
//
// Every operation is one call (or a few) of the runtime's window entry points. Property and
// value operations are addressed to this window even when another window of the thread is the
// target at the time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "error.h"
#include "../kvrun32.h"

namespace kiv {

// Event codes (EVENT()).
namespace event {
constexpr int32_t Accepted = 1, NewSelection = 2, ScrollUp = 3, ScrollDown = 4, PageUp = 5,
                  PageDown = 6, ScrollTop = 7, ScrollBottom = 8, Locate = 9, MouseUp = 10,
                  MouseIn = 11, MouseOut = 12, AlertKey = 15, PreAlert = 16, ScrollDrag = 20,
                  TabChanging = 21, Rejected = 26, Selected = 257, CloseWindow = 513,
                  CloseDown = 514, OpenWindow = 515, LoseFocus = 517, GainFocus = 518,
                  Suspend = 520, Resume = 521, Timer = 523, Restore = 546, Completed = 549,
                  Sized = 561, Iconized = 564;
constexpr int32_t User = 1024;  // first code free for the application
}  // namespace event

// Event actions (the value handed back to the loop).
namespace action {
constexpr int32_t Default = 0, Cycle = 1, Break = -1;
}

// Property numbers used by the application.
namespace prop {
constexpr int32_t Text = 31744, Type = 31745, X = 31746, Y = 31747, Width = 31748, Height = 31749,
                  FontName = 31760, RangeLow = 31764, RangeHigh = 31765, Resizable = 31770,
                  Fill = 31841, Icon = 31848, Iconized = 31849, Maximized = 31855, Timer = 31878,
                  VisibleRows = 31886, Selected = 31887, Handle = 31894, Tip = 31904,
                  ScrollThumb = 31910,  // a page list's scroll thumb, 0..100, -1 for none
    ModuleInstance = 31934, BevelOuter = 31972, BevelInner = 31973, BorderColor = 31994,
                  StatusText = 32001, AlertKey = 32006, ListImage = 32007;
}  // namespace prop

// Pushes a property's value as text and gives it back.
inline std::string getProperty(int32_t feq, int32_t number, void* window = nullptr,
                               int32_t index = 0) {
  Kiv$PushLong(number);
  Kiv$GetPropS(feq, index, window);
  return popString();
}
inline int32_t getNumber(int32_t feq, int32_t number, void* window = nullptr, int32_t index = 0) {
  Kiv$PushLong(number);
  Kiv$GetPropS(feq, index, window);
  return Kiv$PopLong();
}
inline void setProperty(int32_t feq, int32_t number, std::string_view value, void* window = nullptr,
                        int32_t index = 0) {
  Kiv$PushLong(number);
  pushText(value);
  Kiv$SetPropS(feq, index, window);
}
inline void setProperty(int32_t feq, int32_t number, int32_t value, void* window = nullptr,
                        int32_t index = 0) {
  setProperty(feq, number, std::to_string(value), window, index);
}

// SETCURSOR: a standard cursor (KIV_CURSOR_WAIT ...) over the program's windows; the normal
// one is KIV_CURSOR_ARROW.
inline void setCursor(uint32_t standardCursor) {
  const char name[4] = {char(0xFF), char(0x01), char(standardCursor & 0xFF),
                        char((standardCursor >> 8) & 0xFF)};
  Kiv$PushString(name, standardCursor ? 4 : 0);
  Kiv$SETCURSOR();
}

// POPUP(menu text): shows a pop-up menu at the mouse; the chosen item's number, 0 for none.
inline int32_t popup(std::string_view items) {
  pushText(items);
  return Kiv$POPUP(-1, -1);
}

// BEEP(frequency, duration).
inline void beep(uint32_t frequency, uint32_t duration) { Beep(frequency, duration); }

// The current event of the loop being run, and the action the procedure gives back for it.
class Event {
 public:
  int32_t code() const { return Kiv$EVENT(); }
  int32_t field() const { return Kiv$FIELD(); }
  bool is(int32_t eventCode) const { return code() == eventCode; }
  // The event `eventCode` of control `feq`.
  bool of(int32_t feq, int32_t eventCode) const { return field() == feq && code() == eventCode; }
  bool accepted(int32_t feq) const { return of(feq, event::Accepted); }
  // The window is asked to close (EVENT:CloseWindow, or EVENT:CloseDown from the frame): the
  // procedure's closing routine runs now, while the window is still open.
  bool closing() const { return is(event::CloseWindow) || is(event::CloseDown); }
  int32_t keycode() const { return Kiv$KEYCODE(); }
  int32_t keychar() const { return Kiv$KEYCHAR(); }

  void cycle() { action_ = action::Cycle; }      // CYCLE: skip the default action
  void breakLoop() { action_ = action::Break; }  // BREAK: end the loop
  int32_t action() const { return action_; }
  void reset() { action_ = action::Default; }

 private:
  int32_t action_ = action::Default;
};

// ACCEPT ... END over the thread's current window, as a range: each step hands the procedure
// the current event, and the next step performs its action and waits for the next event.
class EventLoop {
 public:
  class Iterator {
   public:
    Event& operator*() { return loop_->event_; }
    Iterator& operator++() {
      loop_->advance();
      return *this;
    }
    bool operator!=(const Iterator&) const { return !loop_->ended_; }

   private:
    friend class EventLoop;
    explicit Iterator(EventLoop* loop) : loop_(loop) {}
    EventLoop* loop_;
  };

  EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;
  // A loop left by `break` in the middle of an event ends here.
  ~EventLoop() {
    if (started_ && !ended_) Kiv$EndEventLoops(0);
  }

  Iterator begin() {
    if (!started_) {
      started_ = true;
      Kiv$StartEventLoop();
    }
    return Iterator(this);
  }
  Iterator end() { return Iterator(this); }

 private:
  void advance() {
    int32_t a = event_.action();
    event_.reset();
    if (Kiv$EndEventLoop(a)) ended_ = true;
  }

  Event event_;
  bool started_ = false, ended_ = false;
};

// Position and size of a window or control.
struct Position {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

// One window of a procedure: constructed from its description, with its USE variables.
class Window {
 public:
  enum Kind { Plain, Mdi, Application };  // WINDOW, MDI child, APPLICATION frame

  template <typename... Use>
  Window(Kind kind, const char* module, const char* label, Use*... use) {
    switch (kind) {
      case Plain:
        Kiv$pwopen(&handle_, module, label, static_cast<void*>(use)..., nullptr);
        break;
      case Mdi:
        Kiv$pmopen(&handle_, module, label, static_cast<void*>(use)..., nullptr);
        break;
      case Application:
        Kiv$paopen(&handle_, module, label, static_cast<void*>(use)..., nullptr);
        break;
    }
  }
  ~Window() {
    if (!handle_) return;
    Kiv$CLOSEwindow(handle_);
    Kiv$freewindow(handle_);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void* handle() const { return handle_; }
  void open() { Kiv$OPENwindow(handle_); }
  void close() { Kiv$CLOSEwindow(handle_); }
  // The window is open and is the one the thread's window operations go to.
  bool isCurrent() const { return handle_ && Wsl$GetTargetWindow() == handle_; }

  // The event loop of this window (the thread's newest).
  EventLoop events() { return {}; }
  template <typename Handler>
  void run(Handler&& handle) {
    for (Event& e : events()) handle(e);
  }

  // POST(event, control) to this thread's window; to another thread with `thread`.
  void post(int32_t eventCode, int32_t feq = 0, int32_t thread = 0) {
    Kiv$POST(eventCode, feq, thread);
  }

  // Value and state operations on controls `first` to `last` (0: only `first`; first 0: all).
  void display(int32_t first = 0, int32_t last = 0) {
    onThis([&] { Kiv$DISPLAY(first, last); });
  }
  void update(int32_t first = 0, int32_t last = 0) {
    onThis([&] { Kiv$UPDATE(first, last); });
  }
  void enable(int32_t first, int32_t last = 0) {
    onThis([&] { Kiv$ENABLE(first, last); });
  }
  void disable(int32_t first, int32_t last = 0) {
    onThis([&] { Kiv$DISABLE(first, last); });
  }
  void hide(int32_t first, int32_t last = 0) {
    onThis([&] { Kiv$HIDE(first, last); });
  }
  void unhide(int32_t first, int32_t last = 0) {
    onThis([&] { Kiv$UNHIDE(first, last); });
  }
  void select(int32_t feq) {
    onThis([&] { Kiv$SELECT(feq, 0, 0); });
  }
  int32_t choice(int32_t feq) {
    int32_t c = 0;
    onThis([&] { c = Kiv$CHOICE(feq); });
    return c;
  }
  // CREATE(control, type) and DESTROY(first, last): controls made while the window runs.
  int32_t create(int32_t feq, int32_t type) {
    int32_t made = 0;
    onThis([&] { made = Kiv$CREATE(feq, type, 0); });
    return made;
  }
  void destroy(int32_t first, int32_t last = 0) {
    onThis([&] { Kiv$DESTROY(first, last); });
  }
  // ALERT(first, last): keys the window reports as EVENT:AlertKey.
  void alert(int32_t first, int32_t last = 0) {
    onThis([&] { Kiv$ALERT(first, last ? last : first); });
  }
  // POPUP(menu): the chosen item's number, 0 when none; shown at the mouse.
  int32_t popup(std::string_view menu) {
    int32_t chosen = 0;
    onThis([&] {
      pushText(menu);
      chosen = Kiv$POPUP(-1, -1);
    });
    return chosen;
  }
  // CHANGE(control, value): assigns to the control's USE variable and shows it.
  void change(int32_t feq, std::string_view value) {
    onThis([&] {
      pushText(value);
      Kiv$CHANGE(feq);
    });
  }

  // Properties of the window (feq 0) or of one of its controls.
  void set(int32_t feq, int32_t number, std::string_view value, int32_t index = 0) {
    setProperty(feq, number, value, handle_, index);
  }
  void set(int32_t feq, int32_t number, int32_t value, int32_t index = 0) {
    setProperty(feq, number, value, handle_, index);
  }
  std::string get(int32_t feq, int32_t number, int32_t index = 0) const {
    return getProperty(feq, number, handle_, index);
  }
  int32_t number(int32_t feq, int32_t number, int32_t index = 0) const {
    return getNumber(feq, number, handle_, index);
  }
  void setText(int32_t feq, std::string_view text) { set(feq, prop::Text, text); }
  std::string text(int32_t feq) const { return get(feq, prop::Text); }
  void setTip(int32_t feq, std::string_view tip) { set(feq, prop::Tip, tip); }
  void setStatus(int32_t zone, std::string_view text) { set(0, prop::StatusText, text, zone); }
  // A list shows the rows of `queue`.
  void showQueue(int32_t feq, KivQueue* queue) {
    Kiv$PushLong(prop::Text);
    Kiv$SetPropQ(feq, 0, handle_, queue);
  }

  Position position(int32_t feq = 0) const {
    return {number(feq, prop::X), number(feq, prop::Y), number(feq, prop::Width),
            number(feq, prop::Height)};
  }
  void setPosition(int32_t feq, const Position& p) {
    onThis([&] { Kiv$SETPOSITION(feq, p.x, p.y, p.width, p.height); });
  }

 private:
  // Runs a target-window operation with this window as the target.
  template <typename Op>
  void onThis(Op&& op) {
    if (Wsl$GetTargetWindow() == handle_) {
      op();
      return;
    }
    Kiv$SETTARGET(handle_, 0);
    op();
    Kiv$SETTARGET(nullptr, 0);
  }

  void* handle_ = nullptr;
};

}  // namespace kiv
