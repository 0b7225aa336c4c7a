// Window objects: construction, opening, closing, freeing, the thread's window chain, event
// queueing and the window procedures that turn platform messages into events.
#include "runtime/ui/screen.h"

#include <algorithm>
#include <atomic>

#include "include/kvrun32.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/resources.h"

namespace kiv::ui {
namespace {

std::map<uint64_t, Screen*> gScreens KIV_GUARDED_BY_RUNTIME_LOCK;
std::atomic<uint64_t> gNextId{1};
Screen* gFrame KIV_GUARDED_BY_RUNTIME_LOCK = nullptr;
std::atomic<bool> gWindowSystemActive{true};

void removeFromChain(Screen& w) {
  ThreadSlot& s = slot(w.owner);
  if (s.current == &w) {
    s.current = w.previous;
  } else {
    for (Screen* p = s.current; p; p = p->previous) {
      if (p->previous == &w) {
        p->previous = w.previous;
        break;
      }
    }
  }
  if (s.target == &w) s.target = nullptr;
  w.previous = nullptr;
}

void wake(int owner) { slot(owner).inbox.post({PlatformMessage::Kind::Wake}); }

// The platform window could not be made: the runtime error of the window's kind.
[[noreturn]] void cannotOpen(const Screen& w) {
  int32_t code = w.kind == StructureKind::Application ? 528
                 : w.kind == StructureKind::Mdi       ? 533
                                                      : 529;
  Kiv$rterr(code, nullptr);
  std::abort();  // Kiv$rterr ends the process while the runtime is active
}

}  // namespace

Screen::Screen(StructureKind k, std::string m, std::string l, std::vector<void*> u)
    : id(gNextId++), kind(k), module(std::move(m)), label(std::move(l)), use(std::move(u)) {
  owner = currentSlot();
  gScreens[id] = this;
}

Screen::~Screen() { gScreens.erase(id); }

Control* Screen::control(int32_t feq) {
  auto it = byEquate.find(feq);
  return it == byEquate.end() ? nullptr : it->second;
}

int32_t Screen::firstField() const {
  for (const auto& [feq, c] : byEquate)
    if (feq > 0) return feq;
  return 0;
}

int32_t Screen::lastField() const {
  return byEquate.empty() || byEquate.rbegin()->first <= 0 ? 0 : byEquate.rbegin()->first;
}

Screen* screenById(uint64_t id) {
  auto it = gScreens.find(id);
  return it == gScreens.end() ? nullptr : it->second;
}

std::vector<Screen*> allScreens() {
  std::vector<Screen*> out;
  for (auto& [id, w] : gScreens) out.push_back(w);
  return out;
}

Screen* currentWindow() { return slot(currentSlot()).current; }

Screen* targetWindow() {
  ThreadSlot& s = slot(currentSlot());
  return s.target ? s.target : s.current;
}

Screen* activeFrame() { return gFrame; }

bool windowSystemActive() { return gWindowSystemActive; }
void endWindowSystem() { gWindowSystemActive = false; }

void queueEvent(Screen& w, const EventRecord& e) {
  if (w.kind == StructureKind::Report && e.feq != 0 && w.control(e.feq)) {
    Kiv$rterr(522, nullptr);
    return;
  }
  if (!windowSystemActive() || !w.isOpen()) return;
  if (e.feq != 0 && !w.control(e.feq)) return;
  w.queue.push_back(e);
  wake(w.owner);
}

void queueEvent(Screen& w, int32_t appCode, int32_t feq) {
  EventRecord e;
  e.code = appCode + kEventOffset;
  e.feq = feq;
  queueEvent(w, e);
}

void openScreen(Screen& w) {
  if (w.behaviour) {
    w.behaviour->open(w);
    return;
  }
  if (w.isOpen()) {
    Kiv$rterr(535, nullptr);
    return;
  }
  if (w.kind == StructureKind::Application) {
    if (gFrame) Kiv$rterr(526, nullptr);
    if (modalCount() > 0) Kiv$rterr(527, nullptr);
  } else if (w.kind == StructureKind::Mdi) {
    if (!gFrame || gFrame->closeState != 0) Kiv$rterr(530, nullptr);
    if (modalCount() > 0) Kiv$rterr(531, nullptr);
    if (gFrame->owner == currentSlot()) Kiv$rterr(532, nullptr);
  }
  w.owner = currentSlot();
  w.moduleDesc = loadModule(w.module);
  w.desc = w.moduleDesc ? w.moduleDesc->find(w.label) : nullptr;
  if (!w.desc || !gui::available()) cannotOpen(w);

  bool modal = w.kind == StructureKind::Window && (w.desc->modal || modalCount() > 0);
  gui::WindowSpec request{
      w.id, w.owner, w.kind, w.desc, w.kind == StructureKind::Mdi ? gFrame->id : 0, modal};
  if (!gui::createWindow(request)) cannotOpen(w);
  w.platformOpen = true;
  w.closeState = 0;
  w.closeRequested = false;
  w.queue.clear();
  w.immediate.clear();
  w.current.reset();
  w.text = w.desc->text;
  w.position = w.desc->at;
  w.timer = w.desc->timer;
  EventRecord first;
  first.code = ev::OpenWindow + kEventOffset;
  w.queue.push_back(first);
  createControls(w);
  if (modal) {
    ++modalCount();
    w.raisedModal = true;
  }
  if (w.kind == StructureKind::Application) gFrame = &w;
  if (w.kind == StructureKind::Mdi) {
    w.frame = gFrame;
    gFrame->mdiChildren.push_back(&w);
  }
  ThreadSlot& s = slot(w.owner);
  w.previous = s.current;
  s.current = &w;
  if (w.timer > 0) gui::setWindowTimer(w.id, w.timer);
  gui::showWindow(w.id);
  wake(w.owner);
}

void closeNow(Screen& w) {
  if (w.behaviour) {
    w.behaviour->close(w);
    return;
  }
  if (!w.isOpen()) return;
  gui::setWindowTimer(w.id, 0);
  gui::destroyWindow(w.id);
  w.platformOpen = false;
  w.queue.clear();
  w.immediate.clear();
  w.timerPending = false;
  w.acceptAll = false;
  destroyControls(w);
  if (w.frame) {
    auto& kids = w.frame->mdiChildren;
    kids.erase(std::remove(kids.begin(), kids.end(), &w), kids.end());
    wake(w.frame->owner);
    w.frame = nullptr;
  }
  if (gFrame == &w) gFrame = nullptr;
  const bool wasCurrent = slot(w.owner).current == &w;
  removeFromChain(w);
  // The window that called this one (a form that opened a picker) comes to the front again,
  // rather than whichever window the desktop would choose.
  if (Screen* back = slot(w.owner).current; wasCurrent && back && back->isOpen())
    gui::raiseWindow(back->id);
  if (w.raisedModal) {
    --modalCount();
    w.raisedModal = false;
  }
  gui::processPaint();
}

void closeScreen(Screen& w) {
  if (w.behaviour) {
    w.behaviour->close(w);
    return;
  }
  if (!w.isOpen()) return;
  bool running = w.owner == currentSlot() && slot(w.owner).current == &w;
  if (running || !w.loopActive()) {
    closeNow(w);
    return;
  }
  w.closeRequested = true;
  if (w.owner != currentSlot()) wake(w.owner);
}

void freeScreen(Screen* w) {
  if (!w) return;
  closeNow(*w);
  for (Screen* other : allScreens()) {
    if (other->previous == w) other->previous = w->previous;
  }
  for (int i = 0; i < kThreadSlots; ++i) {
    if (slot(i).current == w) slot(i).current = w->previous;
    if (slot(i).target == w) slot(i).target = nullptr;
  }
  forgetWindowProcedure(w->id);
  delete w;
}

void releaseThreadWindows(int n) {
  for (Screen* w : allScreens()) {
    if (w->owner == n) freeScreen(w);
  }
}

void dispatchMessage(const PlatformMessage& m) {
  using Kind = PlatformMessage::Kind;
  if (m.kind == Kind::Wake) return;
  if (m.kind == Kind::IdleTimer) {
    runIdleProcedure();
    return;
  }
  Screen* w = screenById(m.window);
  if (!w || !w->isOpen()) return;
  if (m.kind == Kind::Window) {
    deliverWindowMessage(*w, m.message, m.wparam, m.lparam);
    return;
  }
  if (m.kind == Kind::Timer) {
    if (w->timerPending) return;  // timer events never pile up
    w->timerPending = true;
    queueEvent(*w, ev::Timer, 0);
    return;
  }
  EventRecord e;
  e.code = m.event + kEventOffset;
  e.feq = m.feq;
  e.keycode = m.keycode;
  e.keychar = m.keychar;
  e.mouseX = m.mouseX;
  e.mouseY = m.mouseY;
  if (m.keycode) slot(currentSlot()).lastKeycode = m.keycode;
  if (m.keychar) slot(currentSlot()).lastKeychar = m.keychar;
  if (m.event == ev::PreAlert) {
    // Delivered at once: before anything queued, and only to a window in its loop.
    if (w->loopActive() && !w->inHandler && slot(w->owner).current == w) w->immediate.push_back(e);
    return;
  }
  if (m.event == ev::Selected) {
    if (w->selectionTarget == m.feq) return;  // the runtime queued it when it moved the focus
    w->selectionTarget = m.feq;
  }
  platformEvent(*w, e);
}

void waitAndDispatch() {
  unlockRuntime();
  PlatformMessage m = slot(currentSlot()).inbox.wait();
  lockRuntime();
  dispatchMessage(m);
}

}  // namespace kiv::ui
