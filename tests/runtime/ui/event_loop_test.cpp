// The event loop, closing, timers, POST across threads, the accept-all pass and START.
#include <chrono>
#include <cstring>
#include <latch>

#include "runtime/core/string_stack.h"
#include "runtime/ui/threads.h"
#include "ui_harness.h"

using namespace uitest;
namespace au = kiv::ui::automation;
using Events = std::vector<std::string>;

namespace {

void* gWindow = nullptr;

void openWindow(const char* label, void** handle = &gWindow) {
  Kiv$pwopen(handle, kModule, label, nullptr);
  Kiv$OPENwindow(*handle);
}

void closeWindow(void* handle = gWindow) {
  Kiv$EndEventLoops(0);
  Kiv$CLOSEwindow(handle);
  Kiv$freewindow(handle);
}

}  // namespace

TEST(EventLoop, FirstEventIsOpenWindowAndQueriesOutsideEventsAreZero) {
  Events seen;
  int32_t before = -1, fieldOnTimer = -1;
  run([&] {
    openWindow("TIMER$WINDOW");
    before = Kiv$EVENT();
    loop([&](int32_t e, int32_t f) {
      seen.push_back(ev(e, f));
      if (e == 523) {
        fieldOnTimer = Kiv$FIELD();
        return -1;
      }
      return 0;
    });
    closeWindow();
  });
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], "515");
  EXPECT_EQ(before, 0);
  EXPECT_EQ(fieldOnTimer, 0);
}

TEST(EventLoop, CloseWindowCycledKeepsTheWindowFallingThroughClosesIt) {
  Events seen;
  uint64_t platform = 0;
  bool openAfterCycle = false;
  run(
      [&] {
        openWindow("PLAIN$WINDOW");
        int closes = 0;
        loop([&](int32_t e, int32_t f) {
          if (e != 257) seen.push_back(ev(e, f));
          if (e == 513 && ++closes == 1) return 1;  // the first close request is refused
          return 0;
        });
        closeWindow();
      },
      [&] {
        platform = au::findWindow(1, "PLAIN$WINDOW");
        au::requestClose(platform);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        openAfterCycle = au::isOpen(platform);
        au::requestClose(platform);
      });
  EXPECT_TRUE(openAfterCycle);
  EXPECT_EQ(seen, (Events{"515", "513", "513"}));
  EXPECT_FALSE(au::isOpen(platform));
}

TEST(EventLoop, PostedCloseWindowAfterCycleClosesOnTheNextDrain) {
  Events seen;
  run([&] {
    openWindow("PLAIN$WINDOW");
    loop([&](int32_t e, int32_t f) {
      seen.push_back(ev(e, f));
      if (e == 515) {
        Kiv$POST(513, 0, 0);
        return 1;
      }
      return 0;
    });
    closeWindow();
  });
  EXPECT_EQ(seen, (Events{"515", "513"}));
}

TEST(EventLoop, TimerEventsNeverPileUp) {
  Events seen;
  run([&] {
    openWindow("TIMER$WINDOW");  // 5 hundredths: ten periods pass while the handler is busy
    loop([&](int32_t e, int32_t f) {
      seen.push_back(ev(e, f));
      if (e == 515) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
      } else if (e == 523) {
        Kiv$PushLong(31878);
        Kiv$PushString("0", 1);
        Kiv$SetPropS(0, 0, nullptr);  // no more timer
        Kiv$POST(1100, 0, 0);
      } else if (e == 1100) {
        return -1;
      }
      return 0;
    });
    closeWindow();
  });
  EXPECT_EQ(seen, (Events{"515", "523", "1100"}));
}

TEST(EventLoop, YieldTurnsPendingTimerMessagesIntoOneTimerEvent) {
  Events seen;
  run([&] {
    openWindow("TIMER$WINDOW");
    loop([&](int32_t e, int32_t f) {
      seen.push_back(ev(e, f));
      if (e == 515) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Kiv$YIELD();
        Kiv$PushLong(31878);
        Kiv$PushString("0", 1);
        Kiv$SetPropS(0, 0, nullptr);
        Kiv$POST(1100, 0, 0);
        return 0;
      }
      return e == 1100 ? -1 : 0;
    });
    closeWindow();
  });
  // The timer event was queued by YIELD before the posted event.
  EXPECT_EQ(seen, (Events{"515", "523", "1100"}));
}

TEST(EventLoop, BreakEndsTheLoopAndEndEventLoopsUnwindsNestedLoops) {
  Events seen;
  bool innerEnded = false;
  run([&] {
    openWindow("PLAIN$WINDOW");
    Kiv$StartEventLoop();
    seen.push_back(ev(Kiv$EVENT()));
    Kiv$POST(1101, 0, 0);
    // A nested loop on the same window while the outer event is being handled.
    Kiv$StartEventLoop();
    seen.push_back(ev(Kiv$EVENT()));
    innerEnded = Kiv$EndEventLoop(-1) != 0;
    Kiv$POST(1102, 0, 0);
    // RETURN from inside the outer loop: EndEventLoops unwinds it.
    closeWindow();
  });
  EXPECT_EQ(seen, (Events{"515", "1101"}));
  EXPECT_TRUE(innerEnded);
}

// Two procedures on two threads bounce a counter between them with POST.
namespace pingpong {
std::atomic<int> gBounces{0};
Log gLog;
void other() {
  void* w = nullptr;
  Kiv$pwopen(&w, kModule, "PLAIN$WINDOW", nullptr);
  Kiv$OPENwindow(w);
  loop([&](int32_t e, int32_t) {
    if (e == 1200) {
      gLog.add("t" + std::to_string(Kiv$THREAD()) + ":" + std::to_string(e));
      Kiv$POST(1201, 0, 1);
    } else if (e == 1299) {
      return -1;
    }
    return 0;
  });
  Kiv$EndEventLoops(0);
  Kiv$CLOSEwindow(w);
  Kiv$freewindow(w);
}
}  // namespace pingpong

TEST(EventLoop, TwoThreadsPostEventsToEachOther) {
  using namespace pingpong;
  int32_t thread = 0;
  run([&] {
    openWindow("PLAIN$WINDOW");
    loop([&](int32_t e, int32_t) {
      if (e == 515) {
        thread = Kiv$START(other, 0);
        // Wait for the other thread's window before the first serve.
        Kiv$UNLOCKTHREAD();
        au::findWindow(thread);
        Kiv$LOCKTHREAD();
        Kiv$POST(1200, 0, thread);
      } else if (e == 1201) {
        gLog.add("t" + std::to_string(Kiv$THREAD()) + ":" + std::to_string(e));
        if (++gBounces < 20) {
          Kiv$POST(1200, 0, thread);
        } else {
          Kiv$POST(1299, 0, thread);
          return -1;
        }
      }
      return 0;
    });
    closeWindow();
    Kiv$UNLOCKTHREAD();
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
  EXPECT_EQ(thread, 2);
  auto log = gLog.items();
  ASSERT_EQ(log.size(), 40u);
  for (size_t i = 0; i < log.size(); ++i)
    EXPECT_EQ(log[i], i % 2 == 0 ? "t2:1200" : "t1:1201") << i;
}

TEST(EventLoop, PostToAThreadWithoutAWindowDoesNothing) {
  run([&] {
    Kiv$POST(1300, 0, 5);  // no such thread
    Kiv$POST(1300, 0, 0);  // this thread has no window yet
    openWindow("PLAIN$WINDOW");
    Events seen;
    loop([&](int32_t e, int32_t) {
      seen.push_back(ev(e));
      if (e == 515) Kiv$POST(1301, 0, 0);
      return e == 1301 ? -1 : 0;
    });
    EXPECT_EQ(seen, (Events{"515", "1301"}));
    closeWindow();
  });
}

TEST(EventLoop, ButtonPressesAndMenuCommandsArriveAsAccepted) {
  Events seen;
  run(
      [&] {
        openWindow("FORM$WINDOW");
        loop([&](int32_t e, int32_t f) {
          if (e == 1) seen.push_back(ev(e, f));
          return e == 1 && f == 7 ? -1 : 0;
        });
        closeWindow();
      },
      [&] {
        uint64_t w = au::findWindow(1, "FORM$WINDOW");
        au::press(w, 6);
        au::press(w, 7);
      });
  EXPECT_EQ(seen, (Events{"1:6", "1:7"}));
}

// The accept-all pass: SELECT(0).
TEST(EventLoop, AcceptAllPassAcceptsEveryValueControlThenCompletes) {
  struct Case {
    const char* count;  // what entry 3 (range 1..100) holds
    Events expected;
    int32_t focus;
    int32_t storedCount;
  };
  const Case cases[] = {
      {"42", {"1:2", "1:3", "1:4", "1:5", "549"}, 0, 42},
      {"420", {"1:2", "257:3"}, 3, 0},  // out of range: the pass stops at 3, no EVENT:Completed
  };
  for (const Case& c : cases) {
    Events seen;
    int32_t focus = -1, count = 0;
    run([&] {
      char name[20];
      int32_t active = 0, spin = 7, shown = 0;
      std::memset(name, ' ', sizeof name);
      Kiv$pwopen(&gWindow, kModule, "FORM$WINDOW", name, &count, &active, &spin, &shown, nullptr);
      Kiv$OPENwindow(gWindow);
      loop([&](int32_t e, int32_t f) {
        if (e == 515) {
          Kiv$PushCString(c.count);
          Kiv$CHANGE(3);
          count = 0;  // the pass must store what the control shows
          Kiv$SELECT(0, 0, 0);
          return 0;
        }
        if (e == 1 || e == 549 || e == 257) seen.push_back(ev(e, f));
        return e == 549 || e == 257 ? -1 : 0;
      });
      focus = Kiv$FOCUS();
      closeWindow();
    });
    EXPECT_EQ(seen, c.expected) << c.count;
    EXPECT_EQ(focus, c.focus) << c.count;
    EXPECT_EQ(count, c.storedCount) << c.count;
  }
}

TEST(EventLoop, StartAppliesTheMinimumStackAndRefusesThe65thThread) {
  static std::latch* release = nullptr;
  std::latch gate(1);
  release = &gate;
  std::vector<int32_t> numbers;
  int32_t stack = 0;
  run([&] {
    auto wait = [] {
      Kiv$UNLOCKTHREAD();
      release->wait();
      Kiv$LOCKTHREAD();
    };
    static void (*body)() = nullptr;
    static decltype(wait)* w = &wait;
    body = [] { (*w)(); };
    numbers.push_back(Kiv$START(body, 5000));
    stack = kiv::ui::slot(numbers[0] - 1).stackSize;
    for (int i = 0; i < 64; ++i) numbers.push_back(Kiv$START(body, 25000));
    gate.count_down();
    Kiv$UNLOCKTHREAD();
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
  ASSERT_EQ(numbers.size(), 65u);
  EXPECT_EQ(numbers[0], 2);
  EXPECT_EQ(stack, 20000);
  EXPECT_EQ(numbers[63], 65);
  EXPECT_EQ(numbers[64], 0);  // all 64 started slots are in use
}

namespace perthread {
int32_t gCounter = 7;  // a per-thread variable, registered with its start value 7
int32_t gSeenByThread = 0;
void body() {
  gSeenByThread = gCounter;
  gCounter = 99;
}
}  // namespace perthread

TEST(EventLoop, NewThreadsStartFromTheStartImageNotTheCreatorsValues) {
  using namespace perthread;
  int32_t mineAfter = 0;
  run([&] {
    kiv::ui::registerThreadVariable(&gCounter, sizeof gCounter, kiv::ui::ThreadVarStart::Snapshot);
    gCounter = 50;  // the creator's current value
    Kiv$START(body, 0);
    Kiv$UNLOCKTHREAD();
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
    mineAfter = gCounter;
  });
  EXPECT_EQ(gSeenByThread, 7);
  EXPECT_EQ(mineAfter, 50);  // the started thread's 99 stayed its own
}

TEST(EventLoop, StartIsRefusedWhileModalAndLockNestingCounts) {
  int32_t started = -1, lockedInside = -1, lockedAfter = -1;
  run([&] {
    openWindow("MODAL$WINDOW");
    started = Kiv$START([] {}, 0);
    Kiv$UNLOCKTHREAD();
    Kiv$UNLOCKTHREAD();
    Kiv$LOCKTHREAD();
    lockedInside = Kiv$THREADLOCKED();
    Kiv$LOCKTHREAD();
    lockedAfter = Kiv$THREADLOCKED();
    closeWindow();
  });
  EXPECT_EQ(started, 0);
  EXPECT_EQ(lockedInside, 0);
  EXPECT_EQ(lockedAfter, 1);
}

TEST(EventLoop, ASuspendedWindowGetsResumeBeforeItsNextEvent) {
  Events seen;
  run([&] {
    Kiv$pwopen(&gWindow, kModule, "PLAIN$WINDOW", nullptr);
    Kiv$OPENwindow(gWindow);
    Kiv$POST(520, 0, 0);  // EVENT:Suspend
    Kiv$POST(1600, 0, 0);
    loop([&](int32_t e, int32_t) {
      if (e != 257) seen.push_back(ev(e));
      return e == 1600 ? -1 : 0;
    });
    closeWindow();
  });
  EXPECT_EQ(seen, (Events{"515", "520", "521", "1600"}));
}

namespace idle {
std::atomic<int32_t> gThreadSeen{0};
void procedure() {
  gThreadSeen = Kiv$THREAD();
  Kiv$POST(1700, 0, 1);
}
}  // namespace idle

TEST(EventLoop, TheIdleProcedureRunsOnTheMainThreadEveryInterval) {
  Events seen;
  run([&] {
    openWindow("PLAIN$WINDOW");
    loop([&](int32_t e, int32_t) {
      if (e == 515) Kiv$IDLE(idle::procedure, 1);
      if (e == 1700) {
        seen.push_back(ev(e));
        Kiv$IDLE(nullptr, 0);
        return -1;
      }
      return 0;
    });
    closeWindow();
  });
  EXPECT_EQ(seen, (Events{"1700"}));
  EXPECT_EQ(idle::gThreadSeen, 1);
}

// Alert keys: a key the focused control would use comes first as EVENT:PreAlert; CYCLE on it
// leaves the key to the control, anything else lets EVENT:AlertKey follow.
TEST(EventLoop, AlertKeysAndPreAlert) {
  struct Case {
    uint32_t key;
    int32_t preAlertAction;
    Events expected;
    std::string text;  // entry 2 afterwards (it held "abc" with the cursor at its start)
  };
  const Case cases[] = {
      {46, 0, {"16:2", "15:0@46"}, "abc"},  // Delete: pre-alerted, then the alert key
      {46, 1, {"16:2"}, "bc"},              // cycled: the entry deletes a character
      {113, 0, {"15:0@113"}, "abc"},        // F2 means nothing to an entry: alert key only
      {114, 0, {"15:2@114"}, "abc"},        // F3 is an alert key of the entry itself
  };
  for (const Case& c : cases) {
    Events seen;
    std::string text;
    std::atomic<bool> ready{false};  // the alert keys are set and the loop runs
    run(
        [&] {
          char name[20];
          int32_t count = 0, active = 0, spin = 0, shown = 0;
          Kiv$storestr(name, sizeof name, "abc", 3);
          Kiv$pwopen(&gWindow, kModule, "FORM$WINDOW", name, &count, &active, &spin, &shown,
                     nullptr);
          Kiv$OPENwindow(gWindow);
          Kiv$ALERT(46, 0);
          Kiv$ALERT(113, 113);
          Kiv$PushLong(32006);
          Kiv$PushLong(114);
          Kiv$SetPropS(2, 1, nullptr);
          loop([&](int32_t e, int32_t f) {
            if (e == 515) ready = true;
            if (e == 15)
              seen.push_back(ev(e) + ":" + std::to_string(f) + "@" + std::to_string(Kiv$KEYCODE()));
            if (e == 16) seen.push_back(ev(e, f));
            if (e == 1800) return -1;
            return e == 16 ? c.preAlertAction : 0;
          });
          closeWindow();
        },
        [&] {
          uint64_t id = au::findWindow(1, "FORM$WINDOW");
          for (int i = 0; i < 500 && !ready; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          au::typeKey(id, 2, 36);  // Home: the cursor to the start (not an alert key)
          au::typeKey(id, 2, c.key);
          std::this_thread::sleep_for(std::chrono::milliseconds(150));
          text = au::shown(id, 2);
          kiv::ui::slot(0).inbox.post({kiv::ui::PlatformMessage::Kind::Event, id, 1800});
        });
    EXPECT_EQ(seen, c.expected) << c.key << "/" << c.preAlertAction;
    EXPECT_EQ(text, c.text) << c.key << "/" << c.preAlertAction;
  }
}
