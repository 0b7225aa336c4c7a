// Helpers for the core tests: a message-box recorder and string-stack shorthands.
#pragma once

#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/platform/message_box.h"

namespace kivtest {

// Records every message box and answers with `answer` (0 = the box's default button).
class BoxRecorder {
 public:
  explicit BoxRecorder(uint32_t answer = 0) : answer_(answer) {
    old_ = kiv::platform::setMessageBoxHandler([this](const kiv::platform::MessageBoxRequest& r) {
      boxes.push_back(r);
      return answer_ ? answer_ : kiv::platform::defaultAnswer(r);
    });
  }
  ~BoxRecorder() { kiv::platform::setMessageBoxHandler(old_); }
  std::vector<kiv::platform::MessageBoxRequest> boxes;

 private:
  uint32_t answer_;
  kiv::platform::MessageBoxHandler old_;
};

inline void push(const std::string& s) {
  // Borrowed entries point at the caller's storage: keep the texts alive in a ring.
  static std::string keep[64];
  static int next = 0;
  std::string& slot = keep[next++ % 64];
  slot = s;
  Kiv$PushString(slot.data(), uint32_t(slot.size()));
}

inline std::string pop() {
  KivHeapStr h{};
  Kiv$PopTemp(&h);
  std::string s(h.addr ? h.addr : "", h.len);
  Kiv$freestr(&h);
  return s;
}

inline std::string errstr() { return std::string(Kiv$ERRSTR, sizeof Kiv$ERRSTR); }

}  // namespace kivtest
