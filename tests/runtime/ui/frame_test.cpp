// The frame with MDI children, runtime errors of the window layer, message boxes and pop-ups.
#include <chrono>
#include <cstdio>

#include "runtime/platform/message_box.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/threads.h"
#include "ui_harness.h"

using namespace uitest;
namespace au = kiv::ui::automation;

namespace mdi {
Log gLog;
std::atomic<int> gCycles{0};  // how many CloseDowns the first child still refuses

void child() {
  void* w = nullptr;
  Kiv$pmopen(&w, kModule, "CHILD$MDI", nullptr);
  Kiv$OPENwindow(w);
  std::string me = "child" + std::to_string(Kiv$THREAD());
  loop([&](int32_t e, int32_t) {
    if (e == 514) {
      bool refuse = Kiv$THREAD() == 2 && gCycles > 0;
      if (refuse) --gCycles;
      gLog.add(me + (refuse ? ":refuses" : ":closes"));
      return refuse ? 1 : 0;
    }
    return 0;
  });
  Kiv$EndEventLoops(0);
  Kiv$CLOSEwindow(w);
  Kiv$freewindow(w);
  gLog.add(me + ":gone");
}
}  // namespace mdi

TEST(Frame, ClosesItsMdiChildrenOneByOneAndStopsWhenOneRefuses) {
  using namespace mdi;
  gCycles = 1;
  bool frameOpenAfterRefusal = false;
  std::vector<std::string> afterRefusal;
  run(
      [&] {
        void* frame = nullptr;
        Kiv$paopen(&frame, kModule, "FRAME$APP", nullptr);
        Kiv$OPENwindow(frame);
        loop([&](int32_t e, int32_t) {
          if (e == 515) {
            Kiv$START(child, 0);
            Kiv$START(child, 0);
          }
          return 0;
        });
        gLog.add("frame:loop ended");
        Kiv$EndEventLoops(0);
        Kiv$CLOSEwindow(frame);
        Kiv$freewindow(frame);
        Kiv$UNLOCKTHREAD();
        while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Kiv$LOCKTHREAD();
      },
      [&] {
        uint64_t frame = au::findWindow(1, "FRAME$APP");
        ASSERT_NE(au::findWindow(2, "CHILD$MDI"), 0u);
        ASSERT_NE(au::findWindow(3, "CHILD$MDI"), 0u);
        au::requestClose(frame);
        // Wait for the refusal (a loaded machine may take a while), then a little longer to see
        // that nothing else closes.
        for (int i = 0; i < 1000 && gLog.items().empty(); ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        frameOpenAfterRefusal = au::isOpen(frame);
        afterRefusal = gLog.items();
        au::press(frame, -2);  // File > Exit closes the frame again
        au::waitClosed(frame);
      });
  EXPECT_TRUE(frameOpenAfterRefusal);
  // Which child's window comes first depends on how the two threads were scheduled: the frame
  // closes children in its order until one refuses, and stops there.
  ASSERT_FALSE(afterRefusal.empty());
  const std::string& last = afterRefusal.back();
  ASSERT_EQ(last.substr(6), ":refuses");
  std::string refuser = last.substr(0, 6);
  std::string other = refuser == "child2" ? "child3" : "child2";
  std::vector<std::string> refuserFirst{refuser + ":refuses"};
  std::vector<std::string> otherFirst{other + ":closes", other + ":gone", refuser + ":refuses"};
  EXPECT_TRUE(afterRefusal == refuserFirst || afterRefusal == otherFirst);
  std::vector<std::string> expected = afterRefusal;
  expected.push_back(refuser + ":closes");
  expected.push_back(refuser + ":gone");
  if (afterRefusal == refuserFirst) {
    expected.push_back(other + ":closes");
    expected.push_back(other + ":gone");
  }
  expected.push_back("frame:loop ended");
  EXPECT_EQ(gLog.items(), expected);
}

TEST(Frame, StatusZonesMenuHintsAndCaption) {
  std::string zone1, zone2, caption;
  bool logEnabled = true;
  run(
      [&] {
        void* frame = nullptr;
        Kiv$paopen(&frame, kModule, "FRAME$APP", nullptr);
        Kiv$OPENwindow(frame);
        Kiv$PushLong(32001);
        Kiv$PushCString("Welcome");
        Kiv$SetPropS(0, 1, nullptr);
        Kiv$PushLong(32001);
        Kiv$PushCString("12 disks   ");
        Kiv$SetPropS(0, 2, nullptr);
        Kiv$DISABLE(-4, 0);
        loop([&](int32_t e, int32_t) { return e == 1400 ? -1 : 0; });
        Kiv$EndEventLoops(0);
        Kiv$CLOSEwindow(frame);
        Kiv$freewindow(frame);
      },
      [&] {
        uint64_t frame = au::findWindow(1, "FRAME$APP");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        zone1 = au::statusText(frame, 1);
        zone2 = au::statusText(frame, 2);
        caption = au::caption(frame);
        logEnabled = au::shownEnabled(frame, -4);
        au::press(frame, -4);  // disabled: nothing happens
        kiv::ui::slot(0).inbox.post({kiv::ui::PlatformMessage::Kind::Event, frame, 1400});
      });
  EXPECT_EQ(zone1, "Welcome");
  EXPECT_EQ(zone2, "12 disks");  // trailing spaces of SetPropS are clipped
  EXPECT_EQ(caption, "Frame");
  EXPECT_FALSE(logEnabled);
}

TEST(Frame, MessageBoxIsARealBoxAnsweredByTheUser) {
  auto previous = kiv::platform::setMessageBoxHandler(nullptr);
  kiv::gui::installMessageBoxHandler();
  int32_t answer = 0;
  std::optional<au::MessageBoxSeen> seen;
  run(
      [&] {
        Kiv$PushCString("Overwrite the disk?");
        Kiv$PushCString("Confirm");
        Kiv$PushCString("ICON:Question");
        answer = Kiv$MessageBox(KIV_BUTTON_YES | KIV_BUTTON_NO | KIV_BUTTON_CANCEL, KIV_BUTTON_YES);
      },
      [&] {
        seen = au::messageBox();
        au::answerMessageBox(KIV_BUTTON_NO);
      });
  kiv::platform::setMessageBoxHandler(std::move(previous));
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->caption, "Confirm");
  EXPECT_EQ(seen->text, "Overwrite the disk?");
  EXPECT_EQ(answer, KIV_BUTTON_NO);
}

TEST(Frame, PopupMenuReleasesTheLockAndGivesTheChosenNumber) {
  struct Case {
    const char* text;
    int32_t choose;
    std::string shown;
  };
  const Case cases[] = {
      {"&Restore|-|&Close", 2, "&Restore|-|&Close"},
      {"|A|~B|-|C{D|E}|F", 5, "A|B|-|C|F"},
      {"&Insert|&Change|&Delete", 0, "&Insert|&Change|&Delete"},
  };
  for (const Case& c : cases) {
    int32_t chosen = -1;
    std::string shown;
    bool otherThreadRan = false;
    run(
        [&] {
          Kiv$PushCString(c.text);
          chosen = Kiv$POPUP(-1, -1);
        },
        [&] {
          shown = au::popupItems();
          // The runtime lock is free while the menu is tracked.
          kiv::ui::lockRuntime();
          otherThreadRan = true;
          kiv::ui::unlockRuntime();
          au::answerPopup(c.choose);
        });
    EXPECT_EQ(chosen, c.choose) << c.text;
    EXPECT_EQ(shown, c.shown) << c.text;
    EXPECT_TRUE(otherThreadRan);
  }
}

// Runtime errors stop the program with their message (exit code 2).
namespace errors {
void quietBoxes() {
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
}
void* open(const char* label, bool frame = false, bool mdi = false) {
  void* w = nullptr;
  if (frame)
    Kiv$paopen(&w, kModule, label, nullptr);
  else if (mdi)
    Kiv$pmopen(&w, kModule, label, nullptr);
  else
    Kiv$pwopen(&w, kModule, label, nullptr);
  Kiv$OPENwindow(w);
  return w;
}
}  // namespace errors

TEST(FrameDeathTest, WindowOperationsThatCannotBePerformedStopTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  using namespace errors;
  struct Case {
    const char* message;
    void (*program)();
  };
  const Case cases[] = {
      {"ACCEPT loop requires a window", [] { Kiv$StartEventLoop(); }},
      {"Window is already open", [] { Kiv$OPENwindow(open("PLAIN$WINDOW")); }},
      {"Unable to open APPLICATION \\(APPLICATION already active\\)",
       [] { open("FRAME$APP", true), open("FRAME$APP", true); }},
      {"Unable to open APPLICATION \\(system is MODAL\\)",
       [] { open("MODAL$WINDOW"), open("FRAME$APP", true); }},
      {"Unable to open MDI window \\(No APPLICATION active\\)",
       [] { open("CHILD$MDI", false, true); }},
      {"Unable to open MDI window on APPLICATION's thread",
       [] { open("FRAME$APP", true), open("CHILD$MDI", false, true); }},
      {"Unable to open WINDOW", [] { open("NO$SUCH$WINDOW"); }},
      {"Window is not open",
       [] {
         void* w = open("PLAIN$WINDOW");
         Kiv$CLOSEwindow(w);
         Kiv$PushLong(31744);
         Kiv$PushCString("x");
         Kiv$SetPropS(0, 0, w);
       }},
      {"Unable to create control \\(system is MODAL\\)",
       [] {
         open("MODAL$WINDOW");
         Kiv$CREATE(50, 4, 0);
       }},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          quietBoxes();
          kiv::ui::runProgram(c.program);
          std::exit(0);
        },
        testing::ExitedWithCode(2), std::string("\\[Runtime error\\] ") + c.message)
        << c.message;
  }
}
