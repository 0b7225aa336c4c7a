// Program start and end: module registration, initialisers and terminators by priority, the
// version check, exit handlers, halts and close-down.
#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/runtime_state.h"
#include "runtime/platform/message_box.h"

namespace kiv::core {
namespace {

constexpr int32_t kVersionWord = 258;
constexpr int32_t kMaxMinor = 3;
constexpr int kMaxExitHandlers = 33;

std::atomic<bool> gActive{false};
std::atomic<bool> gHalting{false};
std::atomic<bool> gExiting{false};
std::atomic<bool> gInitialised{false};
std::atomic<bool> gCodeStarted{false};

void* gRuntimeInstance = nullptr;  // this library's handle (its message table)
void* gAppInstance = nullptr;      // the process's own module
KivModule* gModules = nullptr;     // registered modules, newest first
std::vector<void (*)(void)> gExitHandlers;
std::vector<std::pair<void*, void*>> gStaticRanges;
std::function<void()> gCloseDownHook;
std::vector<void (*)()> gShutdownHooks;

struct CallerVersion {
  int32_t major = 0, minor = 0, patch = 0;
} gCaller;

void* processHandle() {
  static void* handle = dlopen(nullptr, RTLD_NOW | RTLD_NOLOAD);
  return handle;
}

__attribute__((constructor)) void onLibraryLoad() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&onLibraryLoad), &info) && info.dli_fname)
    gRuntimeInstance = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  gAppInstance = processHandle();
  gActive = true;
}

// Initialisers: 255 first, then each next lower priority above 0; table order within a level.
void runInitialisers(const KivModule& m) {
  if (!m.initStart || m.initEnd <= m.initStart) return;
  int32_t level = 255;
  while (level > 0) {
    for (const KivInitEntry* e = m.initStart; e < m.initEnd; ++e)
      if (e->priority == level && e->init) e->init(0);
    int32_t next = 0;
    for (const KivInitEntry* e = m.initStart; e < m.initEnd; ++e)
      if (e->priority < level && e->priority > next) next = e->priority;
    level = next;
  }
}

// Terminators: upward from 0 to 255; reverse table order within a level.
void runTerminators(const KivModule& m) {
  if (!m.initStart || m.initEnd <= m.initStart) return;
  int32_t level = 0;
  while (level < 256) {
    for (const KivInitEntry* e = m.initEnd; e-- > m.initStart;)
      if (e->priority == level && e->term) e->term(1);
    int32_t next = 256;
    for (const KivInitEntry* e = m.initStart; e < m.initEnd; ++e)
      if (e->priority > level && e->priority < next) next = e->priority;
    level = next;
  }
}

void resolveReferences(KivModule& m) {
  if (!m.refsStart) return;
  auto* lo = static_cast<char*>(m.resolveStart);
  auto* hi = static_cast<char*>(m.resolveEnd);
  for (void** slot = m.refsStart; slot < m.refsEnd; ++slot) {
    auto* target = static_cast<char*>(*slot);
    if (target >= lo && target < hi) *slot = *reinterpret_cast<void**>(target);
  }
}

std::string popMessage() {
  KivHeapStr s{};
  Kiv$PopTemp(&s);
  std::string text(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return text;
}

}  // namespace

bool isActive() { return gActive; }
bool isHalting() { return gHalting; }
bool isExiting() { return gExiting; }
bool isInitialised() { return gInitialised; }
void setHalting() { gHalting = true; }
void setCloseDownHook(std::function<void()> hook) { gCloseDownHook = std::move(hook); }
void addShutdownHook(void (*hook)()) { gShutdownHooks.push_back(hook); }
const std::vector<std::pair<void*, void*>>& staticDataRanges() { return gStaticRanges; }

void endProcess(int32_t code) {
  std::fflush(nullptr);
  syscall(SYS_exit_group, code);
  __builtin_unreachable();
}

void exitProgram(int32_t code) {
  bool expected = false;
  if (!gExiting.compare_exchange_strong(expected, true)) endProcess(code);
  for (auto it = gExitHandlers.rbegin(); it != gExitHandlers.rend(); ++it)
    if (*it) (*it)();
  KivModule** link = &gModules;
  while (*link && (*link)->instance != gAppInstance) link = &(*link)->next;
  if (KivModule* app = *link) {
    *link = app->next;
    runTerminators(*app);
  }
  for (auto it = gShutdownHooks.rbegin(); it != gShutdownHooks.rend(); ++it) (*it)();
  endProcess(code);
}

}  // namespace kiv::core

using namespace kiv::core;

extern "C" {

void __sysinit(KivModule* module, void* instance) {
  if (!instance) instance = processHandle();
  if (!gRuntimeInstance) gRuntimeInstance = instance;
  if (!module) return;
  module->instance = instance;
  module->next = gModules;
  gModules = module;
  resolveReferences(*module);
  runInitialisers(*module);
}

int32_t __checkversion(int32_t word, int32_t minor, int32_t patch) {
  if (word == kVersionWord && minor <= kMaxMinor) {
    gCaller = {word & 0xF, minor, patch};
    return 1;
  }
  char text[512];
  if (word == 2) {
    std::snprintf(text, sizeof text,
                  "This program or a component DLL was built using the beta release of KW "
                  "2.0\r\nIt will not operate correctly with this copy of KVRUN%d\r\nPlease "
                  "obtain a new version of this program",
                  32);
  } else {
    std::snprintf(text, sizeof text,
                  "This program or a component DLL requires KVRUN%d version %d.%03d.%02d or "
                  "later\r\nThis version is %d.%03d.%02d",
                  32, word & 0xF, minor, patch, 2, 3, 0);
  }
  kiv::platform::messageBox({"Kivaro for Windows v 2.0 Runtime Library", text, KIV_BUTTON_OK,
                             KIV_BUTTON_OK, KIV_ICON_HAND});
  return 0;
}

int32_t __getversion(void) { return (kVersionWord << 16) | kMaxMinor; }

void Kiv$isfinit(void);

void Kiv$init(void) {
  bool expected = false;
  if (!gInitialised.compare_exchange_strong(expected, true)) return;
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  Kiv$isfinit();
}

void Kiv$code(void) {
  bool expected = false;
  if (!gCodeStarted.compare_exchange_strong(expected, true)) return;
  for (KivModule* m = gModules; m; m = m->next) {
    gStaticRanges.emplace_back(m->data1Start, m->data1End);
    gStaticRanges.emplace_back(m->data2Start, m->data2End);
  }
}

void Wsl$CloseDown(void) {
  if (gCloseDownHook) gCloseDownHook();
  gActive = false;
}

int32_t _atexit(void (*handler)(void)) {
  if (static_cast<int>(gExitHandlers.size()) >= kMaxExitHandlers) return 1;
  gExitHandlers.push_back(handler);
  return 0;
}

void Kiv$exit(int32_t code) { exitProgram(code); }

void Kiv$HALT(int32_t code, int32_t omitted) {
  std::string message = popMessage();
  if (omitted == 0)
    kiv::platform::messageBox({"Halt", message, KIV_BUTTON_OK, KIV_BUTTON_OK, KIV_ICON_HAND});
  setHalting();
  exitProgram(code);
}

void Kiv$STOP(int32_t omitted) {
  std::string message = popMessage();
  if (omitted != 0) message += "Exit?";
  uint32_t answer = kiv::platform::messageBox(
      {"Stop", message, KIV_BUTTON_ABORT | KIV_BUTTON_IGNORE, KIV_BUTTON_ABORT, KIV_ICON_HAND});
  if (answer == KIV_BUTTON_ABORT) {
    setHalting();
    exitProgram(0);
  }
}

void Standard$HALT(void) { endProcess(255); }

}  // extern "C"
