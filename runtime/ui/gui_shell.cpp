// Qt side of the shell services: notification-area icons, raising windows, the program's icon,
// and the end of the desktop session (the session manager's request, SIGTERM or SIGHUP), which
// reaches the top-level windows' procedures as KIV_WM_QUERYENDSESSION and KIV_WM_ENDSESSION.
#include <QApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <utility>

#include "include/kvrun32.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/gui_internal.h"
#include "runtime/ui/threads.h"

namespace kiv::gui {
namespace {

// One notification icon. `tray` is null for an icon of the test notification area.
struct TrayIcon {
  QSystemTrayIcon* tray = nullptr;
  uint32_t callbackMessage = 0;
  QString tip;
  QIcon icon;
};
std::map<std::pair<uint64_t, uint32_t>, TrayIcon> gTrayIcons;  // (window, icon id)
bool gTestTray = false;  // a notification area that only the automation interface clicks

QIcon iconOf(const std::vector<unsigned char>& image) {
  QPixmap p;
  if (!image.empty()) p.loadFromData(image.data(), static_cast<uint32_t>(image.size()));
  return p.isNull() ? QIcon() : QIcon(p);
}

}  // namespace

void postWindowMessage(uint64_t window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  PlatformWindow* w = platformWindow(window);
  if (!w) return;
  ui::PlatformMessage m;
  m.kind = ui::PlatformMessage::Kind::Window;
  m.window = window;
  m.message = message;
  m.wparam = wparam;
  m.lparam = lparam;
  ui::slot(w->owner).inbox.post(m);
}

namespace {

// The mouse message a click on a notification icon stands for.
intptr_t mouseMessageOf(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Context:
      return KIV_WM_RBUTTONUP;
    case QSystemTrayIcon::DoubleClick:
      return KIV_WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::MiddleClick:
      return KIV_WM_LBUTTONUP;
    default:
      return 0;
  }
}

// Tells every top-level window (frames and windows, not MDI children) that the session ends;
// false when there was none to tell.
bool endSessionNow() {
  bool told = false;
  for (PlatformWindow* w : platformWindows()) {
    if (w->kind == ui::StructureKind::Mdi || w->kind == ui::StructureKind::Report) continue;
    postWindowMessage(w->id, KIV_WM_QUERYENDSESSION, 0, 0);
    postWindowMessage(w->id, KIV_WM_ENDSESSION, 1, 0);
    told = true;
  }
  return told;
}

int gSignalPipe[2] = {-1, -1};

void onTerminationSignal(int signal) {
  unsigned char s = static_cast<unsigned char>(signal);
  [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &s, 1);
}

}  // namespace

uint64_t windowOfHandle(uintptr_t handle) {
  uint64_t found = 0;
  if (!handle) return 0;
  run([&] {
    for (PlatformWindow* w : platformWindows()) {
      if (w->top && static_cast<uintptr_t>(w->top->winId()) == handle) found = w->id;
    }
  });
  return found;
}

bool addTrayIcon(uint64_t window, uint32_t iconId, uint32_t callbackMessage,
                 const std::vector<unsigned char>& image, const std::string& tip) {
  bool ok = false;
  run([&] {
    if (!platformWindow(window) || gTrayIcons.count({window, iconId})) return;
    if (!gTestTray && !QSystemTrayIcon::isSystemTrayAvailable()) return;
    TrayIcon t;
    t.callbackMessage = callbackMessage;
    t.tip = QString::fromStdString(tip);
    t.icon = iconOf(image);
    if (!gTestTray) {
      t.tray = new QSystemTrayIcon(t.icon.isNull() ? QApplication::windowIcon() : t.icon, qApp);
      t.tray->setToolTip(t.tip);
      QObject::connect(t.tray, &QSystemTrayIcon::activated, t.tray,
                       [window, iconId](QSystemTrayIcon::ActivationReason reason) {
                         auto it = gTrayIcons.find({window, iconId});
                         intptr_t mouse = mouseMessageOf(reason);
                         if (it == gTrayIcons.end() || !mouse || !it->second.callbackMessage)
                           return;
                         postWindowMessage(window, it->second.callbackMessage, iconId, mouse);
                       });
      t.tray->show();
    }
    gTrayIcons[{window, iconId}] = t;
    ok = true;
  });
  return ok;
}

bool modifyTrayIcon(uint64_t window, uint32_t iconId, const std::vector<unsigned char>* image,
                    const std::string* tip) {
  bool ok = false;
  run([&] {
    auto it = gTrayIcons.find({window, iconId});
    if (it == gTrayIcons.end()) return;
    TrayIcon& t = it->second;
    if (image) t.icon = iconOf(*image);
    if (tip) t.tip = QString::fromStdString(*tip);
    if (t.tray) {
      if (!t.icon.isNull()) t.tray->setIcon(t.icon);
      t.tray->setToolTip(t.tip);
    }
    ok = true;
  });
  return ok;
}

bool deleteTrayIcon(uint64_t window, uint32_t iconId) {
  bool ok = false;
  run([&] {
    auto it = gTrayIcons.find({window, iconId});
    if (it == gTrayIcons.end()) return;
    delete it->second.tray;
    gTrayIcons.erase(it);
    ok = true;
  });
  return ok;
}

void deleteTrayIcons(uint64_t window) {
  run([&] {
    for (auto it = gTrayIcons.begin(); it != gTrayIcons.end();) {
      if (it->first.first == window) {
        delete it->second.tray;
        it = gTrayIcons.erase(it);
      } else {
        ++it;
      }
    }
  });
}

void raiseWindow(uint64_t id) {
  run([&] {
    PlatformWindow* w = platformWindow(id);
    if (!w || !w->top) return;
    w->top->raise();
    w->top->activateWindow();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->top.data()); sub && sub->mdiArea())
      sub->mdiArea()->setActiveSubWindow(sub);
  });
}

void setProgramIcon(const std::vector<unsigned char>& image) {
  run([&] {
    QIcon icon = iconOf(image);
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
  });
}

void installSessionEndHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QObject::connect(
      qApp, &QGuiApplication::commitDataRequest, qApp, [](QSessionManager&) { endSessionNow(); },
      Qt::DirectConnection);
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    unsigned char s = 0;
    if (::read(gSignalPipe[0], &s, 1) != 1) return;
    // Nobody to close in order: end the way the signal would have ended the program.
    if (!endSessionNow()) {
      std::signal(s, SIG_DFL);
      std::raise(s);
    }
  });
  struct sigaction sa {};
  sa.sa_handler = onTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

}  // namespace kiv::gui

namespace kiv::ui::automation {

void useTestNotificationArea(bool on) {
  gui::run([on] { gui::gTestTray = on; });
}

bool trayIconShown(uint64_t window, uint32_t iconId) {
  bool shown = false;
  gui::run([&] { shown = gui::gTrayIcons.count({window, iconId}) != 0; });
  return shown;
}

std::string trayIconTip(uint64_t window, uint32_t iconId) {
  std::string tip;
  gui::run([&] {
    auto it = gui::gTrayIcons.find({window, iconId});
    if (it != gui::gTrayIcons.end()) tip = it->second.tip.toStdString();
  });
  return tip;
}

bool clickTrayIcon(uint64_t window, uint32_t iconId, uint32_t mouseMessage) {
  bool ok = false;
  gui::run([&] {
    auto it = gui::gTrayIcons.find({window, iconId});
    if (it == gui::gTrayIcons.end() || !it->second.callbackMessage) return;
    gui::postWindowMessage(window, it->second.callbackMessage, iconId, mouseMessage);
    ok = true;
  });
  return ok;
}

void endSession() {
  gui::run([] { gui::endSessionNow(); });
}

}  // namespace kiv::ui::automation
