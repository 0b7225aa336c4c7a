// The GUI thread: the Qt application on the process's main thread, the hand-over of work to
// it, message boxes, pop-up menus and the idle timer. Also the program runner that puts the
// program's Main on runtime thread 1 while the main thread serves the window system.
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "include/kvrun32.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/gui_internal.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

namespace kiv::gui {
namespace {

QObject* gGuiObject = nullptr;  // lives on the GUI thread; work is queued to it
std::atomic<bool> gAvailable{false};
QPointer<QMessageBox> gMessageBox;  // the box being shown
QPointer<QMenu> gPopup;             // the pop-up menu being tracked
QTimer* gIdleTimer = nullptr;

struct ButtonName {
  uint32_t code;
  QMessageBox::StandardButton button;
};
constexpr ButtonName kButtons[] = {
    {KIV_BUTTON_OK, QMessageBox::Ok},         {KIV_BUTTON_YES, QMessageBox::Yes},
    {KIV_BUTTON_NO, QMessageBox::No},         {KIV_BUTTON_ABORT, QMessageBox::Abort},
    {KIV_BUTTON_RETRY, QMessageBox::Retry},   {KIV_BUTTON_IGNORE, QMessageBox::Ignore},
    {KIV_BUTTON_CANCEL, QMessageBox::Cancel}, {KIV_BUTTON_HELP, QMessageBox::Help},
};

QMessageBox::Icon iconOf(uint32_t icon) {
  switch (icon) {
    case KIV_ICON_HAND:
      return QMessageBox::Critical;
    case KIV_ICON_QUESTION:
      return QMessageBox::Question;
    case KIV_ICON_EXCLAMATION:
      return QMessageBox::Warning;
    case KIV_ICON_ASTERISK:
      return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

void addPopupItems(QMenu* menu, const std::vector<PopupItem>& items,
                   QMap<QAction*, int32_t>& numbers) {
  for (const PopupItem& item : items) {
    if (item.separator) {
      menu->addSeparator();
    } else if (item.isSubmenu) {
      QMenu* sub = menu->addMenu(QString::fromStdString(item.text));
      sub->setEnabled(!item.dimmed);
      addPopupItems(sub, item.submenu, numbers);
    } else {
      QAction* a = menu->addAction(QString::fromStdString(item.text));
      a->setEnabled(!item.dimmed);
      if (item.checked) {
        a->setCheckable(true);
        a->setChecked(true);
      }
      numbers[a] = item.number;
      a->setProperty("kivNumber", item.number);
    }
  }
}

void ensureApplication() {
  if (qApp) {
    if (!gGuiObject) gGuiObject = new QObject(qApp);
    return;
  }
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "kvrun32";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setStyle("Fusion");
  useDefaultColormaps();
  gGuiObject = new QObject(qApp);
  // Real message boxes, unless a handler is installed already (tests answer boxes themselves).
  platform::MessageBoxHandler old = platform::setMessageBoxHandler(nullptr);
  if (old)
    platform::setMessageBoxHandler(std::move(old));
  else
    installMessageBoxHandler();
}

}  // namespace

bool available() { return gAvailable; }

QObject* guiObject() { return gGuiObject; }

void installMessageBoxHandler() {
  platform::setMessageBoxHandler([](const platform::MessageBoxRequest& r) {
    return available() ? kiv::gui::messageBox(r) : platform::defaultAnswer(r);
  });
}

void run(const std::function<void()>& work) {
  if (!gGuiObject) return;
  if (QThread::currentThread() == gGuiObject->thread()) {
    takeInPendingViews();
    work();
    return;
  }
  QMetaObject::invokeMethod(
      gGuiObject,
      [&work] {
        takeInPendingViews();
        work();
      },
      Qt::BlockingQueuedConnection);
}

uint32_t messageBox(const platform::MessageBoxRequest& request) {
  uint32_t answer = platform::defaultAnswer(request);
  run([&] {
    QMessageBox box(iconOf(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text));
    uint32_t buttons = request.buttons ? request.buttons : uint32_t(KIV_BUTTON_OK);
    QMap<QAbstractButton*, uint32_t> codes;
    for (const ButtonName& b : kButtons) {
      if (buttons & b.code) {
        QPushButton* button = box.addButton(b.button);
        codes[button] = b.code;
        if (b.code == answer) box.setDefaultButton(button);
      }
    }
    gMessageBox = &box;
    box.exec();
    gMessageBox = nullptr;
    if (QAbstractButton* clicked = box.clickedButton()) answer = codes.value(clicked, answer);
  });
  return answer;
}

int32_t popupMenu(const std::vector<PopupItem>& items, int32_t x, int32_t y, bool atMouse) {
  int32_t chosen = 0;
  run([&] {
    QMenu menu;
    QMap<QAction*, int32_t> numbers;
    addPopupItems(&menu, items, numbers);
    QPoint at = atMouse ? QCursor::pos() : QPoint(x, y);
    if (!atMouse) {
      if (QWidget* active = QApplication::activeWindow()) at = active->mapToGlobal(at);
    }
    gPopup = &menu;
    QAction* a = menu.exec(at);
    gPopup = nullptr;
    if (a) chosen = numbers.value(a, 0);
    // An item chosen through the automation interface.
    if (!a && menu.property("kivChosenNumber").isValid())
      chosen = menu.property("kivChosenNumber").toInt();
  });
  return chosen;
}

void setIdleTimer(int32_t milliseconds) {
  run([&] {
    if (!gIdleTimer) {
      gIdleTimer = new QTimer(gGuiObject);
      QObject::connect(gIdleTimer, &QTimer::timeout, gIdleTimer,
                       [] { ui::slot(0).inbox.post({ui::PlatformMessage::Kind::IdleTimer}); });
    }
    if (milliseconds > 0)
      gIdleTimer->start(milliseconds);
    else
      gIdleTimer->stop();
  });
}

QWidget* currentMessageBox() { return gMessageBox.data(); }
QWidget* currentPopupMenu() { return gPopup.data(); }

}  // namespace kiv::gui

namespace kiv::ui {

void runProgram(const std::function<void()>& program) {
  gui::ensureApplication();
  gui::installSessionEndHandlers();
  gui::gAvailable = true;
  QEventLoop loop;
  std::thread main([&] {
    adoptMainThread();
    lockRuntime();
    program();
    if (holdsRuntimeLock()) unlockRuntime();
    QMetaObject::invokeMethod(
        gui::gGuiObject, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  loop.exec();
  main.join();
  gui::gAvailable = false;
}

}  // namespace kiv::ui

extern "C" void Wsl$Run(void (*program)(void)) {
  kiv::ui::runProgram([program] {
    if (program) program();
  });
}
