// Shorthands for the value-descriptor tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"
#include "tests/runtime/core/test_support.h"

namespace valtest {

struct UfoFree {
  void operator()(Ufo* u) const { Kiv$FreeUfo(u); }
};
using UfoPtr = std::unique_ptr<Ufo, UfoFree>;

inline UfoPtr mem(void* addr, int32_t type, uint32_t size = 0, uint32_t places = 0) {
  return UfoPtr(Kiv$Mem2Ufo(addr, type, size, places, 0));
}

// The text a descriptor pushes.
inline std::string text(Ufo* u) {
  Kiv$PushUfo(u);
  return kivtest::pop();
}

inline std::vector<uint8_t> bytes(const void* p, size_t n) {
  auto b = static_cast<const uint8_t*>(p);
  return std::vector<uint8_t>(b, b + n);
}

}  // namespace valtest

// Runs `body` in a child process after close-down, where the runtime-error report shows its
// box and returns; `body` must give true. The child's output must name the typing error.
#define EXPECT_REPORTED_AND_CONTINUES(body)  \
  EXPECT_EXIT(                               \
      {                                      \
        Wsl$CloseDown();                     \
        bool ok_ = [&]() -> bool { body }(); \
        std::fflush(nullptr);                \
        std::exit(ok_ ? 0 : 1);              \
      },                                     \
      testing::ExitedWithCode(0), "Parameter typing error")
