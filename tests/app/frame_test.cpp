// The real program's frame, driven as a person would: start in an empty folder, the status bar,
// the splash window, the toolbar's looks, the notification icon, remembered positions, the end
// of the session, and GetParams.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/frame/frame.h"
#include "app_test_support.h"
#include "include/kiv/window.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"

namespace {

namespace au = kiv::ui::automation;
using namespace std::chrono_literals;
using namespace frame_feq;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = dir.path() + "/config";
    std::filesystem::create_directories(config_ + "/kvrun32");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    oldConfig_ = old ? old : "";
    hadConfig_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  void TearDown() override {
    if (hadConfig_)
      setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }

  std::string settings() {
    std::ifstream in(config_ + "/kvrun32/TARROW.INI");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void writeSettings(const std::string& text) {
    std::ofstream(config_ + "/kvrun32/TARROW.INI") << text;
  }
  bool exists(const std::string& name) { return std::filesystem::exists(dir.path() + "/" + name); }

  kivtest::TempDir dir;
  apptest::Boxes boxes;
  std::string config_, oldConfig_;
  bool hadConfig_ = false;
};

TEST_F(FrameTest, FirstStartCreatesTheTablesSilentlyAndShowsTheStatusBarAndSplash) {
  std::string zone4, zone5;
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    EXPECT_EQ(au::caption(frame), "Tarrow");
    EXPECT_TRUE(apptest::waitFor([&] { return au::statusText(frame, 1) == "Welcome to Tarrow"; }));
    uint64_t splash = au::findWindow(2, "SPLASHWINDOW$WINDOW");
    ASSERT_NE(splash, 0u);
    EXPECT_TRUE(apptest::waitFor([&] {
      return au::shown(splash, 4) == "Version 1.2  Release 70413";
    })) << au::shown(splash, 4);
    // The timer fills in the counts within a second.
    EXPECT_TRUE(apptest::waitFor([&] { return au::statusText(frame, 2) == "0 disks"; }));
    EXPECT_TRUE(apptest::waitFor([&] { return au::statusText(frame, 3) == "0 files"; }));
    EXPECT_TRUE(apptest::waitFor([&] { return !au::statusText(frame, 5).empty(); }));
    zone4 = au::statusText(frame, 4);
    zone5 = au::statusText(frame, 5);
    // The first command closes the splash window.
    EXPECT_TRUE(au::press(frame, About));
    EXPECT_TRUE(au::waitClosed(splash));
    uint64_t about = au::findWindow(3, "ABOUT$WINDOW");
    ASSERT_NE(about, 0u);
    EXPECT_TRUE(au::press(about, 6));
    EXPECT_TRUE(au::waitClosed(about));
    EXPECT_TRUE(au::press(frame, -3));  // File > Exit
    EXPECT_TRUE(au::waitClosed(frame));
  });
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(exists("DISKS.ZPH"));
  EXPECT_TRUE(exists("FILES.ZPH"));
  // "Tuesday, December 8, 2026": the weekday of the date shown, then the date in picture @D4.
  static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  int32_t today = Kiv$TODAY();
  KivHeapStr date{};
  Kiv$FORMATlong(&date, today, "@D4", 3);
  EXPECT_EQ(zone4,
            std::string(kDays[today % 7]) + ", " + std::string(kiv::clip(kiv::takeHeap(date))));
  EXPECT_NE(zone5.find(':'), std::string::npos) << zone5;
  // The frame's position is kept for the next start.
  std::string ini = settings();
  EXPECT_NE(ini.find("[Main]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Maximize=No"), std::string::npos) << ini;
  EXPECT_NE(ini.find("XPosit=30"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Width=900"), std::string::npos) << ini;
}

TEST_F(FrameTest, SplashWindowClosesOnAMouseClick) {
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    uint64_t splash = au::findWindow(2, "SPLASHWINDOW$WINDOW");
    ASSERT_NE(splash, 0u);
    std::this_thread::sleep_for(300ms);    // its alert keys are set once it is open
    EXPECT_TRUE(au::pressKey(splash, 1));  // the left mouse button
    EXPECT_TRUE(au::waitClosed(splash, 2000));
    EXPECT_TRUE(au::press(frame, -3));
    EXPECT_TRUE(au::waitClosed(frame));
  });
}

// TARROW.HLP is named at start but not opened; Help > Contents without the file says why.
TEST_F(FrameTest, HelpContentsWithoutAHelpFileIsReported) {
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    ASSERT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW"), 0u);
    EXPECT_TRUE(au::press(frame, -33));  // Help > Contents
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(au::press(frame, -3));
    EXPECT_TRUE(au::waitClosed(frame));
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Help");
  EXPECT_EQ(boxes.shown[0].text, "File Not Found");
}

TEST_F(FrameTest, RestoresTheSavedPositionAndSavesTheMovedOne) {
  writeSettings("[Main]\nXPosit=50\nYPosit=60\nWidth=1000\nHeight=700\nMaximize=No\n");
  au::Geometry seen;
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    ASSERT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW"), 0u);  // up before the frame closes
    seen = au::geometry(frame);
    EXPECT_TRUE(au::requestClose(frame));
    EXPECT_TRUE(au::waitClosed(frame));
  });
  // Read back through the window's own position properties: what was restored is saved.
  std::string ini = settings();
  for (const char* entry : {"XPosit=50", "YPosit=60", "Width=1000", "Height=700", "Maximize=No"})
    EXPECT_NE(ini.find(entry), std::string::npos) << entry << "\n" << ini;
  EXPECT_EQ(seen.width, 1000);
  EXPECT_EQ(seen.height, 700);
}

TEST_F(FrameTest, ToolbarButtonsLightUpSinkAndRunTheirCommand) {
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    ASSERT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW"), 0u);
    EXPECT_EQ(au::shownImageName(frame, LogPanel - 1), "~Logg.ico");
    EXPECT_TRUE(au::hover(frame, LogPanel, true));
    EXPECT_TRUE(
        apptest::waitFor([&] { return au::shownImageName(frame, LogPanel - 1) == "~Logr.ico"; }));
    EXPECT_TRUE(apptest::waitFor([&] { return au::shownBevel(frame, LogPanel) == 1; }));
    EXPECT_TRUE(au::hover(frame, LogPanel, false));
    EXPECT_TRUE(
        apptest::waitFor([&] { return au::shownImageName(frame, LogPanel - 1) == "~Logg.ico"; }));
    EXPECT_TRUE(apptest::waitFor([&] { return au::shownBevel(frame, LogPanel) == 0; }));
    EXPECT_TRUE(au::hover(frame, ExitPanel, true));
    EXPECT_TRUE(apptest::waitFor(
        [&] { return au::shownImageName(frame, ExitPanel - 1) == "~Cancelr.ico"; }));
    // Pressing and releasing Exit ends the program.
    EXPECT_TRUE(au::press(frame, ExitPanel));
    EXPECT_TRUE(au::waitClosed(frame));
  });
}

TEST_F(FrameTest, LogDisksStaysDisabledWhileTheLoggingWindowIsOpen) {
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    ASSERT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW"), 0u);
    EXPECT_TRUE(au::press(frame, LogDisks));
    uint64_t log = au::findWindow(3, "LOGDISK$WINDOW");
    ASSERT_NE(log, 0u);
    EXPECT_TRUE(apptest::waitFor([&] { return !au::shownEnabled(frame, LogDisks); }));
    for (int32_t feq : {LogPanel, LogPanel - 1, LogPanel - 2})
      EXPECT_TRUE(apptest::waitFor([&] { return !au::shownEnabled(frame, feq); })) << feq;
    EXPECT_FALSE(au::press(frame, LogDisks));  // a second logging window is impossible
    EXPECT_TRUE(au::requestClose(log));
    EXPECT_TRUE(au::waitClosed(log));
    // Event 1025 from the closing window enables the command again.
    EXPECT_TRUE(apptest::waitFor([&] { return au::shownEnabled(frame, LogDisks); }));
    for (int32_t feq : {LogPanel, LogPanel - 1, LogPanel - 2})
      EXPECT_TRUE(apptest::waitFor([&] { return au::shownEnabled(frame, feq); })) << feq;
    EXPECT_TRUE(au::press(frame, -3));
    EXPECT_TRUE(au::waitClosed(frame));
  });
}

TEST_F(FrameTest, IconizingMovesTheFrameToTheNotificationAreaAndBack) {
  std::string items;
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    ASSERT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW"), 0u);
    au::useTestNotificationArea(true);
    // A left click restores.
    EXPECT_TRUE(au::iconize(frame));
    EXPECT_TRUE(apptest::waitFor([&] { return au::trayIconShown(frame, 100); }));
    EXPECT_EQ(au::trayIconTip(frame, 100), "Tarrow for Windows 95");
    EXPECT_TRUE(apptest::waitFor([&] { return !au::shownOnScreen(frame); }));
    EXPECT_TRUE(au::clickTrayIcon(frame, 100, KIV_WM_LBUTTONUP));
    EXPECT_TRUE(apptest::waitFor([&] { return !au::trayIconShown(frame, 100); }));
    EXPECT_TRUE(apptest::waitFor([&] { return au::shownOnScreen(frame); }));
    // "&Restore" from the menu restores too.
    EXPECT_TRUE(au::iconize(frame));
    EXPECT_TRUE(apptest::waitFor([&] { return au::trayIconShown(frame, 100); }));
    EXPECT_TRUE(au::clickTrayIcon(frame, 100, KIV_WM_RBUTTONUP));
    items = au::popupItems();
    EXPECT_TRUE(au::answerPopup(1));
    EXPECT_TRUE(apptest::waitFor([&] { return !au::trayIconShown(frame, 100); }));
    EXPECT_TRUE(apptest::waitFor([&] { return au::shownOnScreen(frame); }));
    // "&Close" ends the program.
    EXPECT_TRUE(au::iconize(frame));
    EXPECT_TRUE(apptest::waitFor([&] { return au::trayIconShown(frame, 100); }));
    EXPECT_TRUE(au::clickTrayIcon(frame, 100, KIV_WM_RBUTTONUP));
    EXPECT_TRUE(au::answerPopup(2));
    EXPECT_TRUE(au::waitClosed(frame));
    EXPECT_FALSE(au::trayIconShown(frame, 100));
    au::useTestNotificationArea(false);
  });
  EXPECT_EQ(items, "&Restore|-|&Close");
}

TEST_F(FrameTest, WithoutANotificationAreaIconizingLeavesTheFrameShown) {
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
    ASSERT_NE(frame, 0u);
    ASSERT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW"), 0u);
    EXPECT_TRUE(au::iconize(frame));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(au::trayIconShown(frame, 100));
    EXPECT_TRUE(au::shownOnScreen(frame));
    au::endSession();  // and the end of the session closes the program in order
    EXPECT_TRUE(au::waitClosed(frame));
  });
  // Closed while iconized: the position saved before (none here) stays.
  EXPECT_EQ(settings().find("[Main]"), std::string::npos);
}

// GetParams writes one TEMPFILE line per number from the first to the last.
namespace params {
void Program() {
  Kiv$code();
  kiv::Window frame(kiv::Window::Application, kFrameModule, "MAIN$APPFRAME");
  frame.open();
  for (kiv::Event& event : frame.events()) {
    if (event.is(kiv::event::OpenWindow)) Kiv$START(GetParams, 25000);
  }
}
}  // namespace params

TEST_F(FrameTest, GetParamsWritesOneLinePerNumberAndNothingForAnEmptyRange) {
  for (auto [first, last, expected] :
       {std::tuple{"3", "6", "3\n4\n5\n6\n"}, std::tuple{"9", "2", ""}}) {
    kiv::ui::runProgram([&] {
      std::thread d([&] {
        uint64_t frame = au::findWindow(1, "MAIN$APPFRAME");
        uint64_t w = au::findWindow(2, "GETPARAMS$WINDOW");
        ASSERT_NE(w, 0u);
        EXPECT_EQ(au::caption(w), "Set Disk ID Label Numbers to Print");
        EXPECT_TRUE(au::type(w, 6, first));
        EXPECT_TRUE(au::type(w, 8, last));
        EXPECT_TRUE(au::press(w, 9));
        EXPECT_TRUE(au::waitClosed(w));
        au::requestClose(frame);
        au::waitClosed(frame);
      });
      params::Program();
      Kiv$UNLOCKTHREAD();
      d.join();
      Kiv$LOCKTHREAD();
    });
    std::ifstream in(dir.path() + "/TEMPFILE.TXT");
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    // Lines are the 20-character field; trailing blanks do not count.
    std::string lines;
    std::istringstream split(text);
    for (std::string line; std::getline(split, line);)
      lines += line.substr(0, line.find_last_not_of(" \r") + 1) + "\n";
    std::string files;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
      files += e.path().filename().string() + " ";
    EXPECT_EQ(lines, expected) << first << ".." << last << " in " << files;
  }
}

}  // namespace
