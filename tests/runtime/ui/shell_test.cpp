// Shell services: a replaced window procedure, notification icons and the end of the session.
#include <csignal>
#include <cstring>

#include "runtime/ui/gui.h"
#include "ui_harness.h"

using namespace uitest;
namespace au = kiv::ui::automation;

namespace shell {
Log gLog;
KivWindowProc gPrevious = nullptr;

// Records every message, on the thread it runs on; passes the rest on like a frame would.
intptr_t recordingProc(uintptr_t hwnd, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  gLog.add("t" + std::to_string(Kiv$THREAD()) + ":" + std::to_string(message) + "," +
           std::to_string(wparam) + "," + std::to_string(lparam));
  if (message == 1092) {
    if (lparam == KIV_WM_LBUTTONDBLCLK) Kiv$POST(KIV_EVENT_USER, 0, 0);
    return 0;
  }
  return CallWindowProcA(gPrevious, hwnd, message, wparam, lparam);
}

uintptr_t handleOfCurrentWindow() {
  Kiv$PushLong(31894);
  Kiv$GetPropS(0, 0, nullptr);
  char text[32] = {};
  Kiv$PopCString(text, sizeof text);
  return std::strtoull(text, nullptr, 10);
}

KivNotifyIconData iconData(uintptr_t hwnd) {
  KivNotifyIconData d{};
  d.size = 88;
  d.hwnd = hwnd;
  d.id = 100;
  d.flags = KIV_NIF_MESSAGE | KIV_NIF_ICON | KIV_NIF_TIP;
  d.callbackMessage = 1092;
  d.icon = LoadIconA(0, "DOT_ICO");
  std::strcpy(d.tip, "Tip text");
  return d;
}
}  // namespace shell

TEST(Shell, NotificationIconNeedsANotificationAreaAndClicksReachTheWindowProcedure) {
  using namespace shell;
  int32_t addWithoutArea = -1, addTwice = -1, deleteMissing = -1;
  uintptr_t unknownIcon = 1;
  run(
      [&] {
        void* frame = nullptr;
        Kiv$paopen(&frame, kModule, "FRAME$APP", nullptr);
        Kiv$OPENwindow(frame);
        uintptr_t hwnd = handleOfCurrentWindow();
        gPrevious = reinterpret_cast<KivWindowProc>(
            SetWindowLongA(hwnd, KIV_GWL_WNDPROC, reinterpret_cast<intptr_t>(recordingProc)));
        KivNotifyIconData d = iconData(hwnd);
        unknownIcon = LoadIconA(0, "NO_SUCH_ICO");
        addWithoutArea = Shell_NotifyIconA(KIV_NIM_ADD, &d);
        au::useTestNotificationArea(true);
        EXPECT_EQ(Shell_NotifyIconA(KIV_NIM_ADD, &d), 1);
        addTwice = Shell_NotifyIconA(KIV_NIM_ADD, &d);
        loop([&](int32_t e, int32_t) {
          if (e == KIV_EVENT_USER) {
            EXPECT_EQ(Shell_NotifyIconA(KIV_NIM_DELETE, &d), 1);
            deleteMissing = Shell_NotifyIconA(KIV_NIM_DELETE, &d);
            Kiv$POST(KIV_EVENT_CLOSEWINDOW, 0, 0);
          }
          return 0;
        });
        Kiv$EndEventLoops(0);
        Kiv$CLOSEwindow(frame);
        Kiv$freewindow(frame);
        au::useTestNotificationArea(false);
      },
      [&] {
        uint64_t f = au::findWindow(1, "FRAME$APP");
        for (int i = 0; i < 200 && !au::trayIconShown(f, 100); ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(au::trayIconShown(f, 100));
        EXPECT_EQ(au::trayIconTip(f, 100), "Tip text");
        au::clickTrayIcon(f, 100, KIV_WM_RBUTTONUP);
        au::clickTrayIcon(f, 100, KIV_WM_LBUTTONDBLCLK);
        EXPECT_TRUE(au::waitClosed(f));
      });
  EXPECT_EQ(addWithoutArea, 0);
  EXPECT_EQ(addTwice, 0);
  EXPECT_EQ(deleteMissing, 0);
  EXPECT_EQ(unknownIcon, 0u);
  EXPECT_EQ(gLog.items(), (std::vector<std::string>{"t1:1092,100,517", "t1:1092,100,515"}));
}

TEST(Shell, UnknownWindowsAndIndexesAreRefused) {
  run([] {
    EXPECT_EQ(SetWindowLongA(12345, KIV_GWL_WNDPROC, 1), 0);
    EXPECT_EQ(GetLastError(), 1400u);
    void* w = nullptr;
    Kiv$pwopen(&w, kModule, "PLAIN$WINDOW", nullptr);
    Kiv$OPENwindow(w);
    uintptr_t hwnd = shell::handleOfCurrentWindow();
    EXPECT_EQ(SetWindowLongA(hwnd, -16, 1), 0);
    EXPECT_EQ(GetLastError(), 87u);
    EXPECT_EQ(ShowWindow(999, KIV_SW_HIDE), 0);
    Kiv$CLOSEwindow(w);
    Kiv$freewindow(w);
  });
}

TEST(Shell, HidingAndShowingAWindowKeepsItOpen) {
  run([] {
    void* w = nullptr;
    Kiv$paopen(&w, kModule, "FRAME$APP", nullptr);
    Kiv$OPENwindow(w);
    uintptr_t hwnd = shell::handleOfCurrentWindow();
    EXPECT_EQ(ShowWindow(hwnd, KIV_SW_HIDE), 1);  // it was visible
    EXPECT_EQ(ShowWindow(hwnd, KIV_SW_HIDE), 0);  // now it is not
    Kiv$PushLong(31849);
    Kiv$GetPropS(0, 0, nullptr);
    char text[8] = {};
    Kiv$PopCString(text, sizeof text);
    EXPECT_STREQ(text, "0");  // hidden is not iconized
    EXPECT_EQ(ShowWindow(hwnd, KIV_SW_SHOWNORMAL), 0);
    EXPECT_EQ(SetForegroundWindow(hwnd), 1);
    EXPECT_EQ(ShowWindow(hwnd, KIV_SW_HIDE), 1);
    Kiv$CLOSEwindow(w);
    Kiv$freewindow(w);
  });
}

// The end of the session closes a window whose procedure was never replaced; SIGTERM is an
// end of the session too, so the program closes in order instead of dying.
TEST(Shell, SessionEndAndSigtermCloseDownTheWindow) {
  for (bool bySignal : {false, true}) {
    std::vector<int32_t> events;
    run(
        [&] {
          void* w = nullptr;
          Kiv$paopen(&w, kModule, "FRAME$APP", nullptr);
          Kiv$OPENwindow(w);
          loop([&](int32_t e, int32_t) {
            if (e == KIV_EVENT_CLOSEDOWN) events.push_back(e);
            return 0;
          });
          Kiv$EndEventLoops(0);
          Kiv$CLOSEwindow(w);
          Kiv$freewindow(w);
        },
        [&] {
          uint64_t f = au::findWindow(1, "FRAME$APP");
          if (bySignal)
            std::raise(SIGTERM);
          else
            au::endSession();
          EXPECT_TRUE(au::waitClosed(f));
        });
    EXPECT_EQ(events, std::vector<int32_t>{KIV_EVENT_CLOSEDOWN}) << "by signal: " << bySignal;
  }
}
