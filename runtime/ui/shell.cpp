// Shell services for programs: replacing a window's procedure, notification-area icons, loading
// the program's icons, showing, hiding and raising windows. The window procedures run on the
// thread that owns the window, holding the runtime lock, when a platform message arrives for it.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/runtime_state.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/resources.h"
#include "runtime/ui/screen.h"
#include "runtime/ui/standard_commands.h"

namespace kiv::ui {
namespace {

constexpr uint32_t kInvalidWindowHandle = 1400, kInvalidParameter = 87;

// Replaced window procedures by window id (runtime lock).
std::map<uint64_t, KivWindowProc> gProcedures KIV_GUARDED_BY_RUNTIME_LOCK;

// Icons handed out by LoadIconA: the handle is the image's address in the resources.
std::mutex gIconsMutex;
std::map<uintptr_t, ResourceBytes> gIcons;

// The procedure every window starts with.
intptr_t runtimeWindowProc(uintptr_t hwnd, uint32_t message, uintptr_t wparam, intptr_t) {
  if (message == KIV_WM_QUERYENDSESSION) return 1;
  if (message == kStandardCommandMessage) runStandardCommand(static_cast<uint32_t>(wparam));
  if (message == KIV_WM_ENDSESSION) {
    uint64_t id = gui::windowOfHandle(hwnd);
    if (Screen* w = id ? screenById(id) : nullptr) queueEvent(*w, ev::CloseDown, 0);
  }
  return 0;
}

Screen* screenOfHandle(uintptr_t hwnd) {
  uint64_t id = gui::windowOfHandle(hwnd);
  return id ? screenById(id) : nullptr;
}

std::vector<unsigned char> iconBytes(uintptr_t icon) {
  std::lock_guard guard(gIconsMutex);
  auto it = gIcons.find(icon);
  if (it == gIcons.end()) return {};
  return {it->second.data, it->second.data + it->second.size};
}

}  // namespace

void deliverWindowMessage(Screen& w, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  auto it = gProcedures.find(w.id);
  KivWindowProc procedure = it == gProcedures.end() ? runtimeWindowProc : it->second;
  procedure(gui::nativeHandle(w.id, 0), message, wparam, lparam);
}

void forgetWindowProcedure(uint64_t window) { gProcedures.erase(window); }

}  // namespace kiv::ui

using namespace kiv::ui;

extern "C" intptr_t SetWindowLongA(uintptr_t hwnd, int32_t index, intptr_t value) {
  Screen* w = screenOfHandle(hwnd);
  if (!w) {
    SetLastError(kInvalidWindowHandle);
    return 0;
  }
  if (index != KIV_GWL_WNDPROC || value == 0) {
    SetLastError(kInvalidParameter);
    return 0;
  }
  auto it = gProcedures.find(w->id);
  KivWindowProc previous = it == gProcedures.end() ? runtimeWindowProc : it->second;
  gProcedures[w->id] = reinterpret_cast<KivWindowProc>(value);
  return reinterpret_cast<intptr_t>(previous);
}

extern "C" intptr_t CallWindowProcA(KivWindowProc procedure, uintptr_t hwnd, uint32_t message,
                                    uintptr_t wparam, intptr_t lparam) {
  return procedure ? procedure(hwnd, message, wparam, lparam) : 0;
}

extern "C" int32_t Shell_NotifyIconA(uint32_t message, const KivNotifyIconData* data) {
  if (!data) return 0;
  uint64_t id = kiv::gui::windowOfHandle(data->hwnd);
  if (!id) return 0;
  std::string tip(data->tip, strnlen(data->tip, sizeof data->tip));
  std::vector<unsigned char> image =
      (data->flags & KIV_NIF_ICON) ? iconBytes(data->icon) : std::vector<unsigned char>();
  switch (message) {
    case KIV_NIM_ADD:
      return kiv::gui::addTrayIcon(id, data->id,
                                   (data->flags & KIV_NIF_MESSAGE) ? data->callbackMessage : 0,
                                   image, (data->flags & KIV_NIF_TIP) ? tip : std::string());
    case KIV_NIM_MODIFY:
      return kiv::gui::modifyTrayIcon(id, data->id, (data->flags & KIV_NIF_ICON) ? &image : nullptr,
                                      (data->flags & KIV_NIF_TIP) ? &tip : nullptr);
    case KIV_NIM_DELETE:
      return kiv::gui::deleteTrayIcon(id, data->id);
  }
  return 0;
}

extern "C" uintptr_t LoadIconA(uintptr_t, const char* name) {
  if (!name) return 0;
  ResourceBytes bytes = findResource("IMAGE", name);
  if (!bytes) return 0;
  auto handle = reinterpret_cast<uintptr_t>(bytes.data);
  std::lock_guard guard(gIconsMutex);
  gIcons[handle] = bytes;
  return handle;
}

extern "C" int32_t ShowWindow(uintptr_t hwnd, int32_t command) {
  uint64_t id = kiv::gui::windowOfHandle(hwnd);
  if (!id) return 0;
  bool wasVisible = kiv::gui::windowState(id) != kiv::gui::WindowState::Hidden;
  switch (command) {
    case KIV_SW_HIDE:
      kiv::gui::setWindowState(id, kiv::gui::WindowState::Hidden);
      break;
    case KIV_SW_SHOWNORMAL:
    case KIV_SW_RESTORE:
      kiv::gui::setWindowState(id, kiv::gui::WindowState::Normal);
      break;
    default:
      SetLastError(kInvalidParameter);
      break;
  }
  return wasVisible ? 1 : 0;
}

extern "C" int32_t SetForegroundWindow(uintptr_t hwnd) {
  uint64_t id = kiv::gui::windowOfHandle(hwnd);
  if (!id) return 0;
  kiv::gui::raiseWindow(id);
  return 1;
}

extern "C" int32_t BringWindowToTop(uintptr_t hwnd) { return SetForegroundWindow(hwnd); }

extern "C" int32_t Beep(uint32_t, uint32_t) {
  if (!kiv::gui::available()) return 0;
  kiv::gui::beep();
  return 1;
}
