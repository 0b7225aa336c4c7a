// The frame's window procedure: the end of the desktop session and the notification icon's
// mouse messages; everything else goes to the window's own procedure.
#include "app/frame/frame.h"

namespace {

// The tray icon's pop-up menu: 1 restores, 2 closes the program.
void TrayMenu() {
  kiv::pushText("&Restore|-|&Close");
  switch (Kiv$POPUP(-1, -1)) {
    case 1:
      RestoreFromTray();
      break;
    case 2:
      Kiv$POST(KIV_EVENT_CLOSEDOWN, 0, 1);
      break;
  }
}

}  // namespace

void RestoreFromTray() {
  if (!Frame.trayIconShown) return;
  Kiv$POST(KIV_EVENT_SUSPEND, 0, 1);
  Kiv$POST(KIV_EVENT_RESTORE, 0, 1);
  if (Shell_NotifyIconA(KIV_NIM_DELETE, &Frame.notifyData)) {
    ShowWindow(Frame.notifyData.hwnd, KIV_SW_SHOWNORMAL);
    SetForegroundWindow(Frame.notifyData.hwnd);
    BringWindowToTop(Frame.notifyData.hwnd);
    Frame.trayIconShown = false;
  } else {
    Shell_NotifyIconA(KIV_NIM_ADD, &Frame.notifyData);
  }
  Kiv$POST(KIV_EVENT_RESUME, 0, 1);
}

intptr_t FrameWindowProc(uintptr_t hwnd, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case KIV_WM_QUERYENDSESSION:
      return 1;
    case KIV_WM_ENDSESSION:
      Kiv$POST(KIV_EVENT_CLOSEDOWN, 0, 1);
      return 1;
    case kNotifyCallback:
      switch (lparam & 0xFFFF) {
        case KIV_WM_RBUTTONUP:
          TrayMenu();
          break;
        case KIV_WM_LBUTTONUP:
        case KIV_WM_LBUTTONDBLCLK:
          RestoreFromTray();
          break;
      }
      return 0;
  }
  return CallWindowProcA(Frame.previousProcedure, hwnd, message, wparam, lparam);
}
