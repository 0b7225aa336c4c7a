// Runtime threads: the slot table, the runtime lock, per-thread variables and START.
#include "runtime/ui/threads.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/runtime_state.h"
#include "runtime/ui/screen.h"

extern "C" {
int32_t WslThred$ThreadNo = 0;  // the running thread's slot, reinstalled with the lock
}

namespace kiv::ui {
namespace {

// The runtime lock itself, made on first use (code run while the library loads may take it) and
// never destroyed: threads may still wait for it while the process exits.
FairLock& runtimeLock() {
  static FairLock* lock = new FairLock;
  return *lock;
}
thread_local bool tHoldsLock = false;
thread_local int tSlot = 0;
thread_local int tUnlockDepth = 0;

std::array<ThreadSlot, kThreadSlots>& slots() {
  static std::array<ThreadSlot, kThreadSlots> table;
  return table;
}
std::mutex gSlotsMutex;  // guards ThreadSlot::inUse and identity
std::condition_variable gSlotFreed;

struct ThreadVar {
  void* address;
  size_t size;
  std::vector<unsigned char> startImage;
};
std::vector<ThreadVar> gThreadVars KIV_GUARDED_BY_RUNTIME_LOCK;
int gInstalledSlot KIV_GUARDED_BY_RUNTIME_LOCK = -1;  // whose copies the variables hold now
std::function<void(int)> gThreadEndHook;
std::atomic<bool> gSingleThread{std::getenv("KVRUN32_SINGLETHREAD") != nullptr};
int gModal KIV_GUARDED_BY_RUNTIME_LOCK = 0;

void saveInstalledCopies() KIV_REQUIRES_RUNTIME_LOCK {
  if (gInstalledSlot < 0) return;
  auto& copies = slots()[gInstalledSlot].instance;
  copies.resize(gThreadVars.size());
  for (size_t i = 0; i < gThreadVars.size(); ++i) {
    const ThreadVar& v = gThreadVars[i];
    auto* bytes = static_cast<unsigned char*>(v.address);
    copies[i].assign(bytes, bytes + v.size);
  }
}

// Swaps the running thread's copies of the per-thread variables in.
void installThreadState() KIV_REQUIRES_RUNTIME_LOCK {
  WslThred$ThreadNo = tSlot;
  if (gInstalledSlot == tSlot) return;
  saveInstalledCopies();
  auto& copies = slots()[tSlot].instance;
  for (size_t i = 0; i < gThreadVars.size(); ++i) {
    const ThreadVar& v = gThreadVars[i];
    if (i >= copies.size()) copies.push_back(v.startImage);
    std::memcpy(v.address, copies[i].data(), v.size);
  }
  gInstalledSlot = tSlot;
}

void clearedImage(std::vector<unsigned char>& image, int32_t type) {
  std::fill(image.begin(), image.end(), type == KIV_STRING ? ' ' : 0);
}

void threadMain(int n) {
  tSlot = n;
  lockRuntime();
  ThreadSlot& s = slots()[n];
  if (s.procedure) s.procedure();
  releaseThreadWindows(n);
  if (gThreadEndHook) gThreadEndHook(n);
  s.current = nullptr;
  s.target = nullptr;
  s.instance.clear();
  s.name.clear();
  s.inbox.clear();
  if (gInstalledSlot == n) gInstalledSlot = -1;
  {
    std::lock_guard guard(gSlotsMutex);
    s.inUse = false;
    s.procedure = nullptr;
  }
  gSlotFreed.notify_all();
  unlockRuntime();
}

}  // namespace

void Inbox::post(const PlatformMessage& message) {
  {
    std::lock_guard guard(mutex_);
    if (message.kind == PlatformMessage::Kind::Timer ||
        message.kind == PlatformMessage::Kind::IdleTimer) {
      for (const PlatformMessage& m : messages_)
        if (m.kind == message.kind && m.window == message.window) return;
    }
    messages_.push_back(message);
  }
  ready_.notify_one();
}

PlatformMessage Inbox::wait() {
  std::unique_lock guard(mutex_);
  ready_.wait(guard, [this] { return !messages_.empty(); });
  PlatformMessage m = messages_.front();
  messages_.pop_front();
  return m;
}

bool Inbox::takeTimer(PlatformMessage& out) {
  std::lock_guard guard(mutex_);
  for (auto it = messages_.begin(); it != messages_.end(); ++it) {
    if (it->kind == PlatformMessage::Kind::Timer || it->kind == PlatformMessage::Kind::IdleTimer) {
      out = *it;
      messages_.erase(it);
      return true;
    }
  }
  return false;
}

void Inbox::clear() {
  std::lock_guard guard(mutex_);
  messages_.clear();
}

size_t Inbox::size() {
  std::lock_guard guard(mutex_);
  return messages_.size();
}

int currentSlot() { return tSlot; }
ThreadSlot& slot(int n) { return slots()[n]; }

bool slotInUse(int n) {
  std::lock_guard guard(gSlotsMutex);
  return n >= 0 && n < kThreadSlots && slots()[n].inUse;
}

int slotsInUse() {
  std::lock_guard guard(gSlotsMutex);
  int count = 0;
  for (int i = 1; i < kThreadSlots; ++i) count += slots()[i].inUse ? 1 : 0;
  return count;
}

void adoptMainThread() {
  tSlot = 0;
  std::lock_guard guard(gSlotsMutex);
  slots()[0].inUse = true;
  slots()[0].identity = std::this_thread::get_id();
}

void FairLock::lock() {
  std::unique_lock guard(mutex_);
  const uint64_t ticket = next_++;
  turn_.wait(guard, [&] { return serving_ == ticket; });
}

void FairLock::unlock() {
  {
    std::lock_guard guard(mutex_);
    ++serving_;
  }
  turn_.notify_all();
}

void lockRuntime() {
  runtimeLock().lock();
  tHoldsLock = true;
  installThreadState();
}

void unlockRuntime() {
  tHoldsLock = false;
  runtimeLock().unlock();
}

bool holdsRuntimeLock() { return tHoldsLock; }

void registerThreadVariable(void* address, size_t size, ThreadVarStart start, int32_t type) {
  ThreadVar v{address, size, {}};
  auto* bytes = static_cast<unsigned char*>(address);
  v.startImage.assign(bytes, bytes + size);
  if (start == ThreadVarStart::Zeroed) clearedImage(v.startImage, 0);
  if (start == ThreadVarStart::Cleared) clearedImage(v.startImage, type);
  // The registering thread keeps the contents it has; every other thread starts from the image.
  if (gInstalledSlot < 0) gInstalledSlot = tSlot;
  auto& mine = slots()[gInstalledSlot].instance;
  if (mine.size() < gThreadVars.size()) saveInstalledCopies();
  gThreadVars.push_back(std::move(v));
}

void setThreadEndHook(std::function<void(int)> hook) { gThreadEndHook = std::move(hook); }

bool singleThread() { return gSingleThread; }
void setSingleThread(bool on) { gSingleThread = on; }

int& modalCount() { return gModal; }

int32_t startThread(void (*procedure)(void), int32_t stackSize) {
  if (singleThread()) {
    if (procedure) procedure();
    return 0;
  }
  if (gModal > 0 || !procedure) return 0;
  if (stackSize < kMinimumStack) stackSize = kMinimumStack;
  int n = 0;
  {
    std::lock_guard guard(gSlotsMutex);
    for (int i = 1; i < kThreadSlots; ++i) {
      if (!slots()[i].inUse) {
        n = i;
        break;
      }
    }
    if (n == 0) return 0;
    slots()[n].inUse = true;
  }
  ThreadSlot& s = slots()[n];
  s.procedure = procedure;
  s.stackSize = stackSize;
  s.name = slots()[tSlot].name;
  s.current = nullptr;
  s.target = nullptr;
  s.lastKeycode = 0;
  s.lastKeychar = 0;
  s.instance.clear();  // the thread's copies come from the start images when it first runs
  s.inbox.clear();
  try {
    // The platform keeps at least the asked-for stack; a thread's real stack is the host's
    // default, which is larger than any size the programs ask for.
    std::thread thread(threadMain, n);
    s.identity = thread.get_id();
    thread.detach();
  } catch (...) {
    std::lock_guard guard(gSlotsMutex);
    s.inUse = false;
    return 0;
  }
  return n + 1;
}

void waitForStartedThreads() {
  for (;;) {
    {
      std::lock_guard guard(gSlotsMutex);
      bool any = false;
      for (int i = 1; i < kThreadSlots; ++i) any = any || slots()[i].inUse;
      if (!any || core::isHalting()) return;
    }
    unlockRuntime();
    {
      std::unique_lock guard(gSlotsMutex);
      gSlotFreed.wait_for(guard, std::chrono::milliseconds(50));
    }
    lockRuntime();
  }
}

}  // namespace kiv::ui

using namespace kiv::ui;

extern "C" {

int32_t Kiv$START(void (*procedure)(void), int32_t stackSize) {
  return startThread(procedure, stackSize);
}

int32_t Kiv$THREAD(void) { return currentSlot() + 1; }

void Kiv$UNLOCKTHREAD(void) {
  if (tUnlockDepth++ == 0 && tHoldsLock) unlockRuntime();
}

void Kiv$LOCKTHREAD(void) {
  if (tUnlockDepth == 0) return;
  if (--tUnlockDepth == 0 && !tHoldsLock) lockRuntime();
}

int32_t Kiv$THREADLOCKED(void) { return tUnlockDepth == 0 ? 1 : 0; }

}  // extern "C"
