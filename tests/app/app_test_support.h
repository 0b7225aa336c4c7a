// Shared pieces of the application tests: message boxes answered by script and recorded, and a
// fresh current directory per test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "runtime/platform/message_box.h"
#include "tests/support/catalog_tables.h"

namespace apptest {

using kiv::platform::MessageBoxRequest;

// Records every message box; answers with the scripted buttons in order, then with defaults.
class Boxes {
 public:
  Boxes() {
    old_ = kiv::platform::setMessageBoxHandler([this](const MessageBoxRequest& r) {
      shown.push_back(r);
      if (answers.empty()) return kiv::platform::defaultAnswer(r);
      uint32_t a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  ~Boxes() { kiv::platform::setMessageBoxHandler(old_); }
  Boxes(const Boxes&) = delete;

  std::vector<MessageBoxRequest> shown;
  std::deque<uint32_t> answers;

 private:
  kiv::platform::MessageBoxHandler old_;
};

// A box handler for child processes that prints each box (caption and text) to stderr and
// answers with `answer` (0 = the default button).
inline void answerInChild(uint32_t answer) {
  kiv::platform::setMessageBoxHandler([answer](const MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return answer ? answer : kiv::platform::defaultAnswer(r);
  });
}

}  // namespace apptest
