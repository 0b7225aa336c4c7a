// A few process-wide helper threads that take work off a caller's hands while it goes on with
// its own: directory searches examine the entries of a folder on them ahead of the reader.
#pragma once

#include <cstddef>
#include <functional>

namespace kiv::platform {

// How many helper threads run: one fewer than the processors, at most three; none on a single
// processor and none in a child process made by fork (its parent's threads are not there).
// KIV_HELPER_THREADS, read when the first is needed, sets the number (0 to 8) instead.
size_t helperThreadCount();

// Hands `task` to a helper thread. False when there are none; the caller does the work itself.
bool runOnHelper(std::function<void()> task);

// One beat of a wait that looks again and again (a hint to the processor, nothing more).
inline void pauseBriefly() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

}  // namespace kiv::platform
