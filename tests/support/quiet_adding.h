// The adding procedure's windows when nobody looks at them (tests and benchmarks): no progress
// shown, the disk picker closed without a choice, questions answered with `answer` (0: the
// default button), a STOP written to standard error.
#pragma once

#include <cstdio>

#include "app/logging/add_to_catalog.h"

namespace kivtest {

class QuietAdding : public AddingWindows {
 public:
  explicit QuietAdding(uint32_t answer = 0) : answer_(answer) {}
  uint32_t message(const kiv::MessageBox& box) override {
    return answer_ ? answer_ : AddingWindows::message(box);
  }
  bool selectDisk() override { return false; }
  void openProgress(Progress, std::string_view) override {}
  void closeProgress(Progress) override {}
  void setCaption(std::string_view) override {}
  void setProgress(int32_t, std::string_view) override {}
  void setPath(std::string_view) override {}
  void busyCursor(bool) override {}
  void stop(std::string_view text) override {
    std::fprintf(stderr, "STOP: %.*s\n", int(text.size()), text.data());
  }

 private:
  uint32_t answer_;
};

}  // namespace kivtest
