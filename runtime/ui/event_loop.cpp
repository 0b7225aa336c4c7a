// The event loop: StartEventLoop/EndEventLoop, draining and delivering events, the close
// states of windows and frames, the accept-all pass, POST, YIELD and IDLE.
#include <cstdarg>
#include <memory>

#include "include/kvrun32.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/screen.h"

namespace kiv::ui {
namespace {

int gLastAppSlot KIV_GUARDED_BY_RUNTIME_LOCK = -1;  // thread that last ran application code
void (*gIdleProcedure)(void) KIV_GUARDED_BY_RUNTIME_LOCK = nullptr;
thread_local std::vector<Screen*> tLoopWindows;  // windows of the thread's active loops

enum class Drain { Deliver, Ended, Empty };

bool isImmediateEvent(int32_t code) {
  return code == ev::Suspend || code == ev::Resume || code == ev::GainFocus ||
         code == ev::LoseFocus || code == ev::PreAlert;
}

EventRecord makeEvent(int32_t appCode, int32_t feq) {
  EventRecord e;
  e.code = appCode + kEventOffset;
  e.feq = feq;
  return e;
}

void startDelivery(Screen& w, const EventRecord& e, bool immediate) {
  LoopRecord& loop = w.loops.back();
  w.current = std::make_unique<EventRecord>(e);
  Kiv$clearerror();
  w.inHandler = true;
  loop.delivering = true;
  loop.deliveringImmediate = immediate;
  loop.delivered = e;
  if (immediate) ++modalCount();
  if (e.appCode() == ev::Suspend) w.suspended = true;
  if (e.appCode() == ev::Resume) w.suspended = false;
  gLastAppSlot = w.owner;
}

// The outcome of an event the procedure handled with `action`; true when the loop ends.
bool applyOutcome(Screen& w, const EventRecord& e, int32_t action) {
  bool ends = false;
  switch (e.appCode()) {
    case ev::CloseDown:
      if (w.kind == StructureKind::Application) {
        if (action != 1) w.closeState = 2;
        break;
      }
      if (action != 1) {
        ends = true;
        w.closeRequested = true;
      } else {
        w.closeState = 0;
      }
      if (w.frame) {
        w.frame->closeState = action != 1 ? 2 : 0;
        slot(w.frame->owner).inbox.post({PlatformMessage::Kind::Wake});
      }
      break;
    case ev::CloseWindow:
      if (action == 0) w.closeState = 2;
      break;
    case ev::OpenFailed:
      ends = true;
      break;
    case ev::Selected:
      if (e.feq == w.selectionTarget) {
        w.focusField = e.feq;
        gui::focusControl(w.id, e.feq);
      }
      break;
    case ev::Timer:
      w.timerPending = false;
      break;
    case ev::PreAlert:
      // CYCLE leaves the key to the control; otherwise EVENT:AlertKey follows.
      w.keyToControl = action == 1 ? static_cast<int32_t>(e.keycode) : 0;
      w.keyControl = action == 1 ? e.feq : 0;
      break;
    default:
      break;
  }
  defaultAction(w, e, action);
  if (action == -1) ends = true;
  return ends;
}

// Step 7 of draining: a window asked to close ends its loop; a frame closes its children first.
Drain handleCloseState(Screen& w) {
  if (w.closeState != 2) return Drain::Empty;
  if (w.kind != StructureKind::Application || w.mdiChildren.empty()) {
    w.closeRequested = true;
    return Drain::Ended;
  }
  for (Screen* child : w.mdiChildren) {
    if (child->closeState == 0 && !child->closeRequested) {
      child->closeState = 1;
      queueEvent(*child, ev::CloseDown, 0);
      w.closeState = 1;
      return Drain::Empty;
    }
  }
  gui::beep();
  w.closeState = 0;
  return Drain::Empty;
}

// The next control of the accept-all pass, or nullptr at the end.
Control* nextAcceptControl(Screen& w) {
  for (auto it = w.byEquate.upper_bound(w.lastAccepted); it != w.byEquate.end(); ++it) {
    Control* c = it->second;
    if (c->feq > 0 && c->hasValue() && !c->disabled && !c->hidden &&
        c->type != ControlType::Prompt && c->type != ControlType::Progress)
      return c;
  }
  return nullptr;
}

Drain drain(Screen& w) {
  for (;;) {
    if (!w.isOpen()) return Drain::Ended;
    EventRecord e;
    bool immediate = false;
    if (!w.immediate.empty()) {
      e = w.immediate.front();
      w.immediate.pop_front();
      immediate = true;
    } else if (!w.queue.empty()) {
      if (gLastAppSlot >= 0 && gLastAppSlot != w.owner && slot(w.owner).current == &w) {
        // Another thread ran application code last: this window regains the focus first.
        e = makeEvent(ev::GainFocus, 0);
        immediate = true;
      } else {
        e = w.queue.front();
        w.queue.pop_front();
      }
    } else if (w.acceptAll) {
      Control* c = nextAcceptControl(w);
      if (!c) {
        w.acceptAll = false;
        queueEvent(w, ev::Completed, 0);
        continue;
      }
      w.lastAccepted = c->feq;
      if (!controlAccepts(*c)) {
        w.acceptAll = false;
        selectControl(w, c->feq);
        continue;
      }
      e = makeEvent(ev::Accepted, c->feq);
    } else {
      Drain d = handleCloseState(w);
      if (d != Drain::Empty || !w.queue.empty()) {
        if (d == Drain::Empty) continue;
        return d;
      }
      return Drain::Empty;
    }

    if (e.appCode() == ev::Selected && e.feq != w.selectionTarget) continue;
    if (e.appCode() == ev::AlertKey && w.keyToControl != 0 &&
        static_cast<int32_t>(e.keycode) == w.keyToControl) {
      int32_t feq = w.keyControl;
      w.keyToControl = w.keyControl = 0;
      gui::sendKey(w.id, feq, e.keycode);
      continue;
    }
    if (w.inHandler) {
      if (applyOutcome(w, e, 0)) return Drain::Ended;
      continue;
    }
    if (w.suspended && e.appCode() != ev::Resume && e.appCode() != ev::Suspend) {
      w.immediate.push_front(e);
      e = makeEvent(ev::Resume, 0);
      immediate = true;
    }
    startDelivery(w, e, immediate);
    return Drain::Deliver;
  }
}

// Runs the loop machinery until an event is with the procedure (true) or the loop ended.
bool runUntilDelivery(Screen& w) {
  for (;;) {
    Drain d = drain(w);
    if (d == Drain::Deliver) return true;
    if (d == Drain::Ended) return false;
    waitAndDispatch();
  }
}

bool finishDelivery(Screen& w, int32_t action) {
  LoopRecord& loop = w.loops.back();
  if (!loop.delivering) return true;
  loop.delivering = false;
  w.inHandler = false;
  if (loop.deliveringImmediate) --modalCount();
  loop.deliveringImmediate = false;
  return applyOutcome(w, loop.delivered, action);
}

void popLoop(Screen& w) {
  if (w.loops.empty()) return;
  LoopRecord loop = w.loops.back();
  if (loop.delivering && loop.deliveringImmediate) --modalCount();
  w.loops.pop_back();
  w.inHandler = loop.savedInHandler;
  if (!tLoopWindows.empty()) tLoopWindows.pop_back();
  if (w.loops.empty()) {
    w.current.reset();
    if (w.closeRequested) {
      w.closeRequested = false;
      closeNow(w);
    }
  }
}

Screen* loopWindow() { return tLoopWindows.empty() ? nullptr : tLoopWindows.back(); }

Screen* construct(StructureKind kind, void** handle, const char* module, const char* label,
                  va_list args) {
  std::vector<void*> use;
  for (void* p = va_arg(args, void*); p; p = va_arg(args, void*)) use.push_back(p);
  if (singleThread() && (kind == StructureKind::Application || kind == StructureKind::Mdi))
    kind = StructureKind::Window;
  auto* w = new Screen(kind, module ? module : "", label ? label : "", std::move(use));
  if (handle) *handle = w;
  return w;
}

Screen* resolve(void* window) {
  for (Screen* w : allScreens())
    if (w == window) return w;
  return nullptr;
}

}  // namespace

void runIdleProcedure() {
  if (currentSlot() == 0 && gIdleProcedure) gIdleProcedure();
}

}  // namespace kiv::ui

using namespace kiv::ui;
namespace gui = kiv::gui;

extern "C" {

void Kiv$pwopen(void** handle, const char* module, const char* label, ...) {
  va_list args;
  va_start(args, label);
  construct(StructureKind::Window, handle, module, label, args);
  va_end(args);
}

void Kiv$paopen(void** handle, const char* module, const char* label, ...) {
  va_list args;
  va_start(args, label);
  construct(StructureKind::Application, handle, module, label, args);
  va_end(args);
}

void Kiv$pmopen(void** handle, const char* module, const char* label, ...) {
  va_list args;
  va_start(args, label);
  construct(StructureKind::Mdi, handle, module, label, args);
  va_end(args);
}

void Kiv$OPENwindow(void* window) {
  if (Screen* w = resolve(window)) openScreen(*w);
}

void Kiv$CLOSEwindow(void* window) {
  if (Screen* w = resolve(window)) closeScreen(*w);
}

void Kiv$freewindow(void* window) {
  if (Screen* w = resolve(window)) freeScreen(w);
}

void Kiv$SETTARGET(void* window, int32_t thread) {
  ThreadSlot& s = slot(currentSlot());
  if (window) {
    s.target = resolve(window);
  } else if (thread >= 1 && thread <= kThreadSlots) {
    s.target = slot(thread - 1).current;
  } else {
    s.target = nullptr;
  }
}

void* Wsl$GetTargetWindow(void) { return targetWindow(); }

void Kiv$StartEventLoop(void) {
  Screen* w = currentWindow();
  if (!w) {
    Kiv$rterr(537, nullptr);
    return;
  }
  LoopRecord loop;
  loop.savedInHandler = w->inHandler;
  w->inHandler = false;
  w->loops.push_back(loop);
  tLoopWindows.push_back(w);
  runUntilDelivery(*w);
}

int32_t Kiv$EndEventLoop(int32_t action) {
  Screen* w = loopWindow();
  if (!w || w->loops.empty()) return 1;
  if (!w->loops.back().delivering || finishDelivery(*w, action) || !runUntilDelivery(*w)) {
    popLoop(*w);
    return 1;
  }
  return 0;
}

void Kiv$EndEventLoops(int32_t keep) {
  Screen* w = loopWindow();
  if (!w) return;
  if (keep < 0) keep = 0;
  while (static_cast<int32_t>(w->loops.size()) > keep) {
    LoopRecord& loop = w->loops.back();
    if (loop.delivering) {
      w->inHandler = false;
      if (loop.deliveringImmediate) --modalCount();
      loop.delivering = loop.deliveringImmediate = false;
    }
    popLoop(*w);
  }
}

int32_t Kiv$EVENT(void) {
  Screen* w = currentWindow();
  return w && w->current ? w->current->appCode() : 0;
}

int32_t Kiv$FIELD(void) {
  Screen* w = currentWindow();
  return w && w->current ? w->current->feq : 0;
}

int32_t Kiv$ACCEPTED(void) {
  Screen* w = currentWindow();
  return w && w->current && w->current->appCode() == ev::Accepted ? w->current->feq : 0;
}

int32_t Kiv$SELECTED(void) {
  Screen* w = currentWindow();
  return w && w->current && w->current->appCode() == ev::Selected ? w->current->feq : 0;
}

int32_t Kiv$FOCUS(void) {
  Screen* w = currentWindow();
  return w ? w->focusField : 0;
}

int32_t Kiv$FIRSTFIELD(void) {
  Screen* w = targetWindow();
  return w ? w->firstField() : 0;
}

int32_t Kiv$LASTFIELD(void) {
  Screen* w = targetWindow();
  return w ? w->lastField() : 0;
}

void Kiv$FIELDNAME(int32_t feq) {
  Screen* w = targetWindow();
  Control* c = w ? w->control(feq) : nullptr;
  if (c)
    Kiv$PushString(c->desc.name.data(), static_cast<uint32_t>(c->desc.name.size()));
  else
    Kiv$PushNull();
}

int32_t Kiv$KEYCODE(void) {
  Screen* w = currentWindow();
  uint32_t word = w && w->current ? w->current->keycode : slot(currentSlot()).lastKeycode;
  return static_cast<int32_t>(word & 0x7FF);
}

void Kiv$SETKEYCODE(int32_t keycode) {
  ThreadSlot& s = slot(currentSlot());
  s.lastKeycode = (s.lastKeycode & ~0x7FFu) | (static_cast<uint32_t>(keycode) & 0x7FF);
  Screen* w = currentWindow();
  if (w && w->current)
    w->current->keycode =
        (w->current->keycode & ~0x7FFu) | (static_cast<uint32_t>(keycode) & 0x7FF);
}

int32_t Kiv$KEYCHAR(void) {
  Screen* w = currentWindow();
  return w && w->current ? w->current->keychar : slot(currentSlot()).lastKeychar;
}

void Kiv$SETKEYCHAR(int32_t ch) {
  slot(currentSlot()).lastKeychar = static_cast<uint8_t>(ch);
  Screen* w = currentWindow();
  if (w && w->current) w->current->keychar = static_cast<uint8_t>(ch);
}

int32_t Kiv$KEYSTATE(void) {
  Screen* w = currentWindow();
  uint32_t word = w && w->current ? w->current->keycode : slot(currentSlot()).lastKeycode;
  // The state bits travel with the keycode word: Shift 0x100, Ctrl 0x200, Alt 0x400 in the
  // code, lock states above it.
  return static_cast<int32_t>((word & 0x700) | (word & 0x800) | (word & 0xF000));
}

int32_t Kiv$MOUSEX(void) {
  Screen* w = currentWindow();
  return w && w->current ? w->current->mouseX : 0;
}

int32_t Kiv$MOUSEY(void) {
  Screen* w = currentWindow();
  return w && w->current ? w->current->mouseY : 0;
}

void Kiv$POST(int32_t event, int32_t feq, int32_t thread) {
  int n = thread == 0 ? currentSlot() : thread - 1;
  if (n < 0 || n >= kThreadSlots) return;
  Screen* w = slot(n).current;
  if (!w || !w->isOpen()) return;
  if (w->kind == StructureKind::Report && feq != 0) {
    Kiv$rterr(522, nullptr);
    return;
  }
  if (isImmediateEvent(event) && n == currentSlot() && w->loopActive()) {
    if (w->inHandler) return;  // the window is busy with an event: not delivered
    w->immediate.push_back(makeEvent(event, feq));
    return;
  }
  queueEvent(*w, event, feq);
}

void Kiv$SELECT(int32_t feq, int32_t, int32_t) {
  Screen* w = targetWindow();
  if (!w) return;
  if (!w->isOpen()) {
    Kiv$rterr(536, nullptr);
    return;
  }
  if (feq == 0) {
    w->acceptAll = true;
    w->lastAccepted = 0;
    slot(w->owner).inbox.post({PlatformMessage::Kind::Wake});
    return;
  }
  selectControl(*w, feq);
}

void Kiv$ALERT(int32_t first, int32_t last) {
  Screen* w = targetWindow();
  if (!w) return;
  if (first == 0 && last == 0) {
    w->alertKeys.clear();
  } else {
    if (last < first) last = first;
    for (int32_t k = first; k <= last; ++k) w->alertKeys.push_back(static_cast<uint32_t>(k));
  }
  if (w->isOpen()) gui::setAlertKeys(w->id, w->alertKeys);
}

void Kiv$YIELD(void) {
  PlatformMessage m;
  while (slot(currentSlot()).inbox.takeTimer(m)) dispatchMessage(m);
}

void Kiv$IDLE(void (*procedure)(void), int32_t seconds) {
  gui::setIdleTimer(0);
  gIdleProcedure = procedure;
  if (procedure) gui::setIdleTimer(seconds > 0 ? seconds * 1000 : 1000);
}

}  // extern "C"
