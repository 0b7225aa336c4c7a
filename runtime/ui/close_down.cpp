// Wsl$CloseDown: closing the window layer at the end of the program.
#include "include/kvrun32.h"
#include "runtime/core/runtime_state.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/screen.h"

namespace kiv::ui {
namespace {

void closeDown() {
  bool locked = holdsRuntimeLock();
  if (!locked) lockRuntime();
  // Every window of the main thread, newest first.
  while (Screen* w = slot(0).current) closeNow(*w);
  // Wake the started threads and wait until they have ended.
  for (int i = 1; i < kThreadSlots; ++i)
    if (slotInUse(i)) slot(i).inbox.post({PlatformMessage::Kind::Wake});
  if (!core::isHalting()) waitForStartedThreads();
  gui::setIdleTimer(0);
  endWindowSystem();
  if (!locked) unlockRuntime();
}

// Installs the close-down work when the library is loaded.
__attribute__((constructor)) void installCloseDown() { core::setCloseDownHook(closeDown); }

}  // namespace
}  // namespace kiv::ui
