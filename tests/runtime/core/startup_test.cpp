// Start and end of a program: initialiser and terminator order, the version check, exit
// handlers, halts and the runtime-error report. Everything that ends the process runs in a
// child (death tests) and is judged by its exit code and what it wrote to standard error.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/runtime_state.h"
#include "tests/runtime/core/test_support.h"

using kivtest::BoxRecorder;
using kivtest::push;

namespace {

std::string gTrace;
void note(const char* s) {
  gTrace += s;
  gTrace += ' ';
}

void i255(int32_t a) { note(a == 0 ? "i255" : "bad"); }
void i100a(int32_t) { note("i100a"); }
void i100b(int32_t) { note("i100b"); }
void i7(int32_t) { note("i7"); }
void iNever(int32_t) { note("never"); }
void t0(int32_t a) { note(a == 1 ? "t0" : "bad"); }
void t100a(int32_t) { note("t100a"); }
void t100b(int32_t) { note("t100b"); }
void t7(int32_t) { note("t7"); }
void t255(int32_t) { note("t255"); }

const KivInitEntry kTable[] = {
    {100, i100a, t100a}, {7, i7, t7},      {300, iNever, nullptr}, {255, i255, t255},
    {100, i100b, t100b}, {-5, iNever, t0}, {0, iNever, t0},
};

TEST(Startup, InitialisersRunFrom255DownInTableOrderWithinALevel) {
  static KivModule module{nullptr,          std::begin(kTable),
                          std::end(kTable), nullptr,
                          nullptr,          nullptr,
                          nullptr,          nullptr,
                          nullptr,          nullptr,
                          nullptr,          nullptr};
  static int other = 0;  // instance of a library module: never terminated by _exit
  gTrace.clear();
  __sysinit(&module, &other);
  EXPECT_EQ(gTrace, "i255 i100a i100b i7 ");
  EXPECT_EQ(module.instance, &other);
}

TEST(Startup, IndirectReferencesIntoTheResolveRangeAreReplaced) {
  static void* targets[2] = {reinterpret_cast<void*>(0x1234), reinterpret_cast<void*>(0x5678)};
  static int outside = 0;
  static void* refs[3] = {&targets[0], &outside, &targets[1]};
  static KivModule module{nullptr, nullptr, nullptr, nullptr,  nullptr, nullptr,
                          nullptr, nullptr, refs,    refs + 3, targets, targets + 2};
  static int other = 0;
  __sysinit(&module, &other);
  EXPECT_EQ(refs[0], reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(refs[1], &outside);
  EXPECT_EQ(refs[2], reinterpret_cast<void*>(0x5678));
}

TEST(Startup, VersionCheck) {
  EXPECT_EQ(__getversion(), 16908291);
  BoxRecorder boxes;
  EXPECT_EQ(__checkversion(258, 3, 0), 1);
  EXPECT_EQ(__checkversion(258, 0, 7), 1);
  EXPECT_TRUE(boxes.boxes.empty());

  EXPECT_EQ(__checkversion(258, 4, 0), 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Kivaro for Windows v 2.0 Runtime Library");
  EXPECT_EQ(boxes.boxes[0].text,
            "This program or a component DLL requires KVRUN32 version 2.004.00 or later\r\n"
            "This version is 2.003.00");
  EXPECT_EQ(boxes.boxes[0].icon, uint32_t(KIV_ICON_HAND));

  EXPECT_EQ(__checkversion(2, 0, 0), 0);
  EXPECT_EQ(boxes.boxes[1].text,
            "This program or a component DLL was built using the beta release of KW 2.0\r\n"
            "It will not operate correctly with this copy of KVRUN32\r\n"
            "Please obtain a new version of this program");
  EXPECT_EQ(__checkversion(259, 1, 5), 0);
  EXPECT_EQ(boxes.boxes[2].text,
            "This program or a component DLL requires KVRUN32 version 3.001.05 or later\r\n"
            "This version is 2.003.00");
}

void h1() { fputs("h1 ", stderr); }
void h2() { fputs("h2 ", stderr); }
void tA(int32_t) { fputs("tA ", stderr); }
void tB(int32_t) { fputs("tB ", stderr); }
void tC(int32_t) { fputs("tC ", stderr); }
void tExitAgain(int32_t) {
  fputs("again ", stderr);
  _exit(9);
}

void registerApp(const KivInitEntry* begin, const KivInitEntry* end) {
  static KivModule module{};
  module = KivModule{nullptr, begin,   end,     nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  __sysinit(&module, nullptr);  // the process's own module: its terminators run at exit
}

TEST(StartupDeathTest, ExitRunsHandlersNewestFirstThenTerminatorsUpward) {
  static const KivInitEntry table[] = {{50, nullptr, tA}, {20, nullptr, tB}, {50, nullptr, tC}};
  EXPECT_EXIT(
      {
        registerApp(std::begin(table), std::end(table));
        _atexit(h1);
        _atexit(h2);
        _exit(4);
      },
      testing::ExitedWithCode(4), "^h2 h1 tB tC tA $");
}

TEST(StartupDeathTest, SecondExitFromATerminatorEndsAtOnce) {
  static const KivInitEntry table[] = {{10, nullptr, tExitAgain}, {20, nullptr, tA}};
  EXPECT_EXIT(
      {
        registerApp(std::begin(table), std::end(table));
        _atexit(h1);
        _exit(1);
      },
      testing::ExitedWithCode(9), "^h1 again $");
}

TEST(StartupDeathTest, AtExitTakes33HandlersAndRefusesThe34th) {
  EXPECT_EXIT(
      {
        int accepted = 0;
        for (int i = 0; i < 33; ++i) accepted += _atexit(h1) == 0;
        int refused = _atexit(h2);
        fprintf(stderr, "accepted %d refused %d\n", accepted, refused);
        Standard$HALT();
      },
      testing::ExitedWithCode(255), "accepted 33 refused 1");
}

TEST(StartupDeathTest, StandardHaltRunsNoHandlers) {
  EXPECT_EXIT(
      {
        _atexit(h1);
        Standard$HALT();
      },
      testing::ExitedWithCode(255), "^$");
}

TEST(StartupDeathTest, HaltShowsTheMessageAndExitsWithItsCode) {
  EXPECT_EXIT(
      {
        _atexit(h1);
        push("Disk Error");
        Kiv$HALT(7, 0);
      },
      testing::ExitedWithCode(7), "^\\[Halt\\] Disk Error \\[OK\\*\\]\nh1 $");
}

TEST(StartupDeathTest, HaltWithTheMessageOmittedShowsNoBox) {
  EXPECT_EXIT(
      {
        push("never shown");
        Kiv$HALT(12, 1);
      },
      testing::ExitedWithCode(12), "^$");
}

TEST(StartupDeathTest, StopAnsweredWithAbortExitsWithZero) {
  EXPECT_EXIT(
      {
        push("Really? ");
        Kiv$STOP(1);
      },
      testing::ExitedWithCode(0), "^\\[Stop\\] Really\\? Exit\\? \\[Abort\\* Ignore\\]\n$");
}

TEST(Startup, StopAnsweredWithIgnoreReturnsWithTheMessagePopped) {
  BoxRecorder boxes(KIV_BUTTON_IGNORE);
  push("keep");
  push("Stop here");
  int depth = Kiv$StackDepth();
  Kiv$STOP(0);
  EXPECT_EQ(Kiv$StackDepth(), depth - 1);
  EXPECT_EQ(kivtest::pop(), "keep");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Stop");
  EXPECT_EQ(boxes.boxes[0].text, "Stop here");
  EXPECT_EQ(boxes.boxes[0].buttons, uint32_t(KIV_BUTTON_ABORT | KIV_BUTTON_IGNORE));
  EXPECT_EQ(boxes.boxes[0].defaultButton, uint32_t(KIV_BUTTON_ABORT));
  EXPECT_FALSE(kiv::core::isHalting());
}

TEST(StartupDeathTest, RuntimeErrorShowsCodeTextAndDetailThenExitsWith2) {
  EXPECT_EXIT(Kiv$rterr(409, "in DIS:Label"), testing::ExitedWithCode(2),
              "^\\[Runtime error\\] Index out of range : in DIS:Label \\[OK\\*\\]\n$");
}

TEST(StartupDeathTest, RuntimeErrorWithoutCodeShowsOnlyTheDetail) {
  EXPECT_EXIT(
      {
        Kiv$seterror(35);
        _atexit([] { fprintf(stderr, "code %d\n", Kiv$ERRCODE); });
        Kiv$rterr(0, "Unsupported function psprintf");
      },
      testing::ExitedWithCode(2),
      "^\\[Runtime error\\] Unsupported function psprintf \\[OK\\*\\]\ncode 35\n$");
}

TEST(StartupDeathTest, ProgramFaultsReportTheirCodes) {
  EXPECT_EXIT(__e_no_case(), testing::ExitedWithCode(2), "No matching Case Label \\[OK");
  EXPECT_EXIT(__e_stack(), testing::ExitedWithCode(2), "Stack overflow \\[OK");
  EXPECT_EXIT(__e_range(), testing::ExitedWithCode(2), "Variable out of range \\[OK");
}

TEST(StartupDeathTest, RuntimeErrorAfterCloseDownReturns) {
  EXPECT_EXIT(
      {
        Wsl$CloseDown();
        Kiv$rterr(404, nullptr);
        fprintf(stderr, "returned halting=%d\n", int(kiv::core::isHalting()));
        Standard$HALT();
      },
      testing::ExitedWithCode(255), "Arithmetic Overflow \\[OK\\*\\]\nreturned halting=1\n$");
}

}  // namespace
