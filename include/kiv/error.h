// The error state, halting and stopping as the language sees them.
#pragma once

#include <string>
#include <string_view>

#include "string.h"  // kiv/string.h, beside this file
#include "../kvrun32.h"

namespace kiv {

// ERRORCODE() and ERROR().
inline int32_t errorCode() { return Kiv$ERRCODE; }
inline std::string error() { return std::string(clip({Kiv$ERRSTR, sizeof Kiv$ERRSTR})); }

// Pops a string the runtime pushed, as a std::string.
inline std::string popString() {
  KivHeapStr h{};
  Kiv$PopTemp(&h);
  return takeHeap(h);
}

// FILEERRORCODE() and FILEERRORMSG().
inline std::string fileErrorCode() {
  Kiv$FILEERRORCODE();
  return popString();
}
inline std::string fileErrorMessage() {
  Kiv$FILEERRORMSG();
  return popString();
}

inline void pushText(std::string_view s) { Kiv$PushString(s.data(), uint32_t(s.size())); }

// HALT(code, text): ends the program after showing the text.
[[noreturn]] inline void halt(int32_t code, std::string_view text) {
  pushText(text);
  Kiv$HALT(code, 0);
}

// STOP(text): asks whether to end the program; returns when the user goes on.
inline void stop(std::string_view text) {
  pushText(text);
  Kiv$STOP(0);
}

}  // namespace kiv
