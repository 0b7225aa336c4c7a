// Control views on their way to the GUI thread.
//
// A runtime thread that shows a control does not wait for the GUI thread to draw it: the view is
// left here, replacing any earlier view of the same control that has not been drawn yet, and the
// GUI thread takes in everything left at most once per frame interval. A procedure that shows a
// progress bar and a path for each of 200,000 records so costs the GUI thread a few hundred
// redraws, not 400,000 hand-overs. Anything else handed to the GUI thread takes in the views left
// before it first, so the platform windows are never behind what the runtime did before.
#include <QObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <map>
#include <mutex>
#include <utility>

#include "runtime/ui/gui.h"
#include "runtime/ui/gui_internal.h"

namespace kiv::gui {
namespace {

using Clock = std::chrono::steady_clock;
// About sixty redraws a second: smooth to the eye, cheap for the GUI thread.
constexpr auto kFrame = std::chrono::milliseconds(16);

struct PendingViews {
  std::mutex mutex;
  std::map<std::pair<uint64_t, int32_t>, ControlView> views;  // by window and control
  bool scheduled = false;  // a take-in is on its way to the GUI thread
};

PendingViews& pending() {
  static PendingViews* p = new PendingViews;
  return *p;
}

QTimer* gFrameTimer = nullptr;  // GUI thread: the next take-in, one frame after the last
Clock::time_point gLastTakeIn;

// On the GUI thread: takes in the views now, or when a frame has passed since the last time.
void takeInSoon() {
  const auto since = Clock::now() - gLastTakeIn;
  if (since >= kFrame) {
    takeInPendingViews();
    return;
  }
  if (!gFrameTimer) {
    gFrameTimer = new QTimer(guiObject());
    gFrameTimer->setSingleShot(true);
    QObject::connect(gFrameTimer, &QTimer::timeout, gFrameTimer, [] { takeInPendingViews(); });
  }
  if (!gFrameTimer->isActive())
    gFrameTimer->start(
        int(std::chrono::duration_cast<std::chrono::milliseconds>(kFrame - since).count()) + 1);
}

}  // namespace

void takeInPendingViews() {
  std::map<std::pair<uint64_t, int32_t>, ControlView> views;
  {
    PendingViews& p = pending();
    std::lock_guard lock(p.mutex);
    if (p.views.empty() && !p.scheduled) return;
    views.swap(p.views);
    p.scheduled = false;
  }
  gLastTakeIn = Clock::now();
  for (const auto& [control, view] : views) applyControlView(control.first, control.second, view);
}

void showControl(uint64_t id, int32_t feq, const ControlView& view) {
  QObject* gui = guiObject();
  if (!gui) return;
  if (QThread::currentThread() == gui->thread()) {
    takeInPendingViews();
    applyControlView(id, feq, view);
    return;
  }
  PendingViews& p = pending();
  {
    std::lock_guard lock(p.mutex);
    p.views[{id, feq}] = view;
    if (p.scheduled) return;
    p.scheduled = true;
  }
  QMetaObject::invokeMethod(
      gui, [] { takeInSoon(); }, Qt::QueuedConnection);
}

}  // namespace kiv::gui
