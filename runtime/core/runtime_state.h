// Process-wide flags of the runtime and the hooks later layers install into start-up and
// close-down. All of it is guarded by the runtime lock of the window layer (one thread in the
// runtime at a time); the flags are atomics so a report from any thread is seen at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv::core {

bool isActive();       // library loaded and Wsl$CloseDown not yet run
bool isHalting();      // a halt path has started
bool isExiting();      // the runtime's exit has been entered
bool isInitialised();  // Kiv$init has run
void setHalting();

// The window layer's close-down work; Wsl$CloseDown runs it, then clears the active flag.
void setCloseDownHook(std::function<void()> hook);

// Work the runtime does when it shuts down: the runtime's exit runs these, newest first, after the
// exit handlers and the module terminators (the file layer closes every table still open).
void addShutdownHook(void (*hook)());

// How the file layer names the file an error concerns (ERRORFILE).
void setErrorFileNamer(std::string_view (*namer)(void* fileRecord));

// The static-data ranges Kiv$code collected from every registered module.
const std::vector<std::pair<void*, void*>>& staticDataRanges();

// Ends the process at once with the code: flushes C streams, runs nothing else.
[[noreturn]] void endProcess(int32_t code);

// The runtime's exit (exported as Kiv$exit): exit handlers, module terminators, shutdown hooks,
// then the end of the process. The runtime's own halt and error paths call it directly, hidden
// from the dynamic linker, so that no other definition of an exit in the process can stand in.
[[noreturn]] __attribute__((visibility("hidden"))) void exitProgram(int32_t code);

}  // namespace kiv::core
