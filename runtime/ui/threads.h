// Runtime threads, the runtime lock and per-thread variables.
//
// Locking rules. One process-wide runtime lock serialises all application and runtime code:
// everything marked KIV_GUARDED_BY_RUNTIME_LOCK (window objects, event queues, the thread-slot
// fields other than the inbox, the error state, the string stack, ...) is touched only by the
// thread holding it. A runtime thread holds it except while it waits for its next message, inside
// Kiv$UNLOCKTHREAD/Kiv$LOCKTHREAD, while a pop-up menu is tracked and while a report's recorded
// pages are printed. It is handed over in the order it was asked for (FairLock). The GUI thread
// never takes it; it talks to runtime threads only through their inboxes, which have their own
// small lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/ui/event_codes.h"

// Documents that a member or variable is guarded by the runtime lock.
#define KIV_GUARDED_BY_RUNTIME_LOCK
// Documents that a function expects the caller to hold the runtime lock.
#define KIV_REQUIRES_RUNTIME_LOCK

namespace kiv::ui {

class Screen;

constexpr int kThreadSlots = 65;
constexpr int32_t kMinimumStack = 20000;

// A message for a runtime thread: what a platform message queue holds on the original system.
struct PlatformMessage {
  enum class Kind {
    Wake,       // internal wake-up ("QUERY_CONTINUETHREAD")
    Event,      // a window procedure's event for a window of the thread
    Timer,      // a window's timer ran out
    IdleTimer,  // the thread timer of the idle procedure ran out
    Window,     // a platform window message for a window's procedure (shell messages)
  };
  Kind kind = Kind::Wake;
  uint64_t window = 0;   // window id (Screen::id), 0 = none
  int32_t event = 0;     // application event code
  int32_t feq = 0;       // control, 0 = the window
  uint32_t keycode = 0;  // keycode word
  uint8_t keychar = 0;
  int32_t mouseX = 0, mouseY = 0;
  uint32_t message = 0;  // Window: the message, its two parameters
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

// The message queue of one runtime thread. Safe to use from any thread, the GUI's included.
class Inbox {
 public:
  // Appends the message and wakes the thread. A timer message is not added while one for the
  // same window is still waiting, so timer messages never pile up.
  void post(const PlatformMessage& message);
  // Waits for the next message and takes it.
  PlatformMessage wait();
  // Takes the oldest timer message (window or idle), if any.
  bool takeTimer(PlatformMessage& out);
  void clear();
  size_t size();

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<PlatformMessage> messages_;
};

struct ThreadSlot {
  bool inUse = false;  // guarded by the slot-table mutex (see threads.cpp)
  std::thread::id identity;
  void (*procedure)(void) = nullptr;
  int32_t stackSize = 0;  // bytes asked for, after the minimum is applied
  Screen* current = nullptr KIV_GUARDED_BY_RUNTIME_LOCK;  // top of the thread's window chain
  Screen* target = nullptr KIV_GUARDED_BY_RUNTIME_LOCK;   // SETTARGET override
  uint32_t lastKeycode = 0 KIV_GUARDED_BY_RUNTIME_LOCK;
  uint8_t lastKeychar = 0 KIV_GUARDED_BY_RUNTIME_LOCK;
  int unlockDepth = 0;  // Kiv$UNLOCKTHREAD nesting, touched by the owner only
  std::string name KIV_GUARDED_BY_RUNTIME_LOCK;  // per-thread name string
  std::vector<std::vector<unsigned char>> instance
      KIV_GUARDED_BY_RUNTIME_LOCK;  // per-thread copies
  Inbox inbox;
};

// The running thread's slot number (0 = the main program thread).
int currentSlot();
ThreadSlot& slot(int n);
bool slotInUse(int n);
int slotsInUse();  // started threads still running (slots 1..64)

// Marks the calling thread as slot 0, the thread that runs the program's Main.
void adoptMainThread();

// A lock handed over in the order it was asked for. A thread that lets go of it between two
// events and at once asks again (a report printing a batch on every timer event) queues behind
// the threads already waiting, so their windows are served while it works.
class FairLock {
 public:
  void lock();
  void unlock();

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  uint64_t next_ = 0, serving_ = 0;
};

// Takes the runtime lock for the calling thread and installs its thread state; releases it.
void lockRuntime();
void unlockRuntime();
bool holdsRuntimeLock();

// Per-thread variables: how a new thread's copy starts.
enum class ThreadVarStart { Snapshot, Zeroed, Cleared };
// Registers a variable that exists once per thread. Its start image is its contents now
// (Snapshot), zeroes (Zeroed) or the cleared value of its type (Cleared, type code given).
void registerThreadVariable(void* address, size_t size, ThreadVarStart start, int32_t type = 0);

// What to do when a started thread ends (the file layer closes its per-thread tables).
void setThreadEndHook(std::function<void(int slot)> hook);

// The runtime's single-thread setting: START runs procedures directly.
bool singleThread();
void setSingleThread(bool on);

// Modal counter of the system (raised by modal WINDOWs and immediate deliveries).
int& modalCount() KIV_REQUIRES_RUNTIME_LOCK;

// Starts `procedure` on a new thread; the thread number, or 0 (START's rules).
int32_t startThread(void (*procedure)(void), int32_t stackSize) KIV_REQUIRES_RUNTIME_LOCK;

// Waits, without the runtime lock, until every started thread has ended.
void waitForStartedThreads() KIV_REQUIRES_RUNTIME_LOCK;

}  // namespace kiv::ui
