// tarrow as a user meets it: on an X display with a window manager, the pointer moved and the
// keys pressed through the X server, pictures read back from the server's screen. A folder drive
// pinned in WIN.INI holds what real Linux volumes hold: folders whose names differ only in case,
// a folder the user may not open, a path longer than the path field.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/logging/log_disk_window.h"
#include "tests/app/app_test_support.h"
#include "tests/e2e/x_display.h"
#include "tests/support/file_access.h"

namespace fs = std::filesystem;

namespace {

using apptest::waitFor;
using e2e::au::Geometry;
namespace au = e2e::au;
using namespace logdisk_feq;

constexpr int32_t kToolbarLog = -39;  // the Log button's panel
constexpr int32_t kExit = -3;         // File > Exit

// What a control shows, without the blanks its picture pads it with.
std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// A rectangle of the screen that holds something readable: more than one colour, and dark
// pixels of text on a light ground.
void expectReadable(const e2e::Screen& screen, const Geometry& where, const std::string& what) {
  EXPECT_GE(screen.colours(where), 3u) << what << " is one colour on the screen";
  EXPECT_GT(screen.darkPixels(where), 20u) << what << " shows no text";
  EXPECT_LT(screen.darkPixels(where), size_t(where.width) * size_t(where.height) / 2)
      << what << " is mostly dark";
}

class RealDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(e2e::XDisplay::instance().ready())
        << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh installs them)";
    letter = apptest::freeLetter();
    ASSERT_NE(letter, 0);
    root = std::string(1, letter) + ":\\";
    char templ[] = "/tmp/kive2e-XXXXXX";
    tree = mkdtemp(templ);
    settings = fs::path(dir.path()) / "config";
    fs::create_directories(settings / "kvrun32");
    setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    // The drive as a user pins it: a letter for a folder, no label of its own.
    std::ofstream(settings / "kvrun32" / "WIN.INI") << "[Drives]\n"
                                                    << letter << "=" << tree.string() << "\n";
    kiv::platform::reloadDrives();
  }
  void TearDown() override {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(tree, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
    fs::remove_all(tree, ec);
    unsetenv("XDG_CONFIG_HOME");
    kiv::platform::reloadDrives();
  }

  // Saves a picture of the screen under `name` and gives it for checking.
  e2e::Screen shot(const std::string& name) {
    std::optional<e2e::Screen> screen = e2e::captureScreen();
    EXPECT_TRUE(screen.has_value()) << "xwd -root failed";
    if (!screen) return {};
    screen->savePng(e2e::shotsFolder() + "/" + name + ".png");
    return *screen;
  }

  // Starts the logging window with the toolbar's Log button.
  uint64_t openLogging(uint64_t frame) {
    // Clicked again if a click went nowhere (the pointer may have met the window while the
    // window manager was still placing it).
    for (int attempt = 0; attempt < 3; ++attempt) {
      EXPECT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kToolbarLog); }));
      uint64_t w = 0;
      waitFor(
          [&] {
            for (int thread = 2; thread <= 6 && !w; ++thread)
              w = au::findWindow(thread, "LOGDISK$WINDOW", 0);
            return w != 0;
          },
          10000);
      if (w) return w;
    }
    ADD_FAILURE() << "the logging window did not open";
    return 0;
  }
  // Picks the test drive in the drive list and presses Log Disk.
  void logTheDrive(uint64_t w) {
    int32_t row = 0;
    waitFor([&] {
      for (int32_t r = 1; r <= au::rowCount(w, kDriveList) && !row; ++r)
        if (trimmed(au::cell(w, kDriveList, r, 1)).rfind(root, 0) == 0) row = r;
      return row != 0;
    });
    ASSERT_GT(row, 0);
    for (int attempt = 0; attempt < 5 && au::shownChoice(w, kDriveList) != row; ++attempt) {
      e2e::click(*au::rowOnScreen(w, kDriveList, row));
      waitFor([&] { return au::shownChoice(w, kDriveList) == row; }, 1000);
    }
    ASSERT_EQ(au::shownChoice(w, kDriveList), row);
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kLogButton); }));
  }
  // Ends the program through File > Exit, with the pointer.
  void exitThroughTheMenu(uint64_t frame) {
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    ASSERT_TRUE(waitFor([&] { return au::menuOnScreen().has_value(); }));
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    EXPECT_TRUE(au::waitClosed(frame, 20000));
  }

  kivtest::TempDir dir;  // the catalog's folder
  fs::path tree, settings;
  char letter = 0;
  std::string root;
};

// The files a plain listing of the tree finds, as the catalog stores their paths: every entry
// that is not a folder, dot-named entries and unreadable folders left out, paths cut to 260.
std::vector<std::string> plainListing(const fs::path& tree, const std::string& root) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(
           tree, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool folder = it->is_directory(ec) && !it->is_symlink(ec);
    if (name[0] == '.' ||
        (folder && (it->status(ec).permissions() & fs::perms::owner_read) == fs::perms::none)) {
      if (folder) it.disable_recursion_pending();
      continue;
    }
    if (folder) continue;
    std::string path = root + it->path().lexically_relative(tree).string();
    for (char& c : path) c = c == '/' ? '\\' : char(toupper(static_cast<unsigned char>(c)));
    files.push_back(path.substr(0, 260));
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Log Disk, a click into the label, CCTEST typed, Tab, a click on Save: the disk is stored
// with that label and every file of the volume once, the folder that cannot be opened is
// reported, and the next logging of the volume finds the label again.
TEST_F(RealDisplay, LogTypeALabelAndSave) {
  apptest::writeFile(tree / "a" / "Pod" / "big1.txt", 1000);
  apptest::writeFile(tree / "a" / "pod" / "small1.txt", 10);
  apptest::writeFile(tree / "readme.txt", 5);
  apptest::writeFile(tree / "Private" / "secret.txt", 7);
  fs::path deep = tree / "deep";
  for (int i = 0; i < 70; ++i) deep /= "d" + std::to_string(100 + i);
  apptest::writeFile(deep / "leaf.txt", 3);
  chmod((tree / "Private").c_str(), 0);
  const std::vector<std::string> expected = plainListing(tree, root);
  ASSERT_EQ(expected.size(), 4u);

  std::string reported, secondLabel, secondLoggingBox;
  std::vector<std::string> boxesAtSave;
  kivtest::WithoutPermissionOverride asAUser;  // root reads every folder; a user does not
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    ASSERT_NE(frame, 0u);
    uint64_t w = openLogging(frame);
    ASSERT_NE(w, 0u);
    logTheDrive(w);
    // The folder that could not be opened is told at the end of the logging.
    ASSERT_TRUE(waitFor([&] { return au::messageBox().has_value(); }, 30000));
    reported = au::messageBox()->text;
    e2e::Screen screen = shot("logging-folders-left-out");
    expectReadable(screen, *au::messageBoxOnScreen(), "the message box");
    ASSERT_TRUE(e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_OK); }));
    ASSERT_TRUE(waitFor([&] { return au::rowCount(w, kFileList) == int32_t(expected.size()); }));

    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kLabel); }));
    e2e::typeText("CCTEST");
    e2e::key("Tab");
    waitFor([&] { return trimmed(au::shown(w, kLabel)) == "CCTEST"; });
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kSaveArea); }));
    // Saved when the frame counts the disk; any question asked meanwhile is recorded.
    waitFor(
        [&] {
          if (auto box = au::messageBox(0)) {
            boxesAtSave.push_back(box->text);
            e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_NO); }, 2000) ||
                e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_OK); }, 2000);
          }
          return au::statusText(frame, 2) == "1 disks";
        },
        30000);
    shot("logging-saved");
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kCloseArea); }));
    ASSERT_TRUE(au::waitClosed(w, 20000));

    // The next logging of the same volume finds the label it was given.
    ASSERT_TRUE(waitFor([&] { return au::shownEnabled(frame, kToolbarLog); }));
    uint64_t again = openLogging(frame);
    ASSERT_NE(again, 0u);
    logTheDrive(again);
    if (waitFor([&] { return au::messageBox().has_value(); }, 30000)) {
      secondLoggingBox = au::messageBox()->text;
      e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_OK); });
    }
    waitFor([&] { return au::rowCount(again, kFileList) == int32_t(expected.size()); });
    secondLabel = trimmed(au::shown(again, kLabel));
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(again, kCloseArea); }));
    ASSERT_TRUE(au::waitClosed(again, 20000));
    exitThroughTheMenu(frame);
  });

  EXPECT_EQ(reported,
            "1 folder could not be opened and was left out of the list:\n\r\n\r" + root +
                "Private\n\r\n\rEvery other folder was logged. Save stores the files that were "
                "found.");
  EXPECT_TRUE(boxesAtSave.empty()) << boxesAtSave.front();
  EXPECT_EQ(secondLabel, "CCTEST");
  EXPECT_EQ(secondLoggingBox, reported);

  std::vector<DisksRecord> disks = apptest::storedDisks();
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].Label.str(), "CCTEST");
  EXPECT_EQ(disks[0].Files, int32_t(expected.size()));
  std::vector<std::string> stored;
  for (const auto& [path, file] : apptest::storedFiles()) stored.push_back(path);
  std::map<std::string, apptest::StoredFile> files = apptest::storedFiles();
  EXPECT_EQ(files.size(), expected.size());
  EXPECT_EQ(stored, expected);
  EXPECT_EQ(files.count(root + "A\\POD\\BIG1.TXT"), 1u);
  EXPECT_EQ(files.count(root + "A\\POD\\SMALL1.TXT"), 1u);
  EXPECT_EQ(files[root + "A\\POD\\SMALL1.TXT"].size, 10u);
}

// Today's sizes on the screen: a 30 TB volume and a file of 5 GiB read right in the logging
// window, whole and without overflow marks.
TEST_F(RealDisplay, TheLoggingWindowShowsTodaysSizes) {
  std::ofstream(settings / "kvrun32" / "WIN.INI", std::ios::app)
      << letter << ".Label=ARCHIVE30TB\n"
      << letter << ".Total=30000000000000\n"
      << letter << ".Free=12345678901234\n";
  kiv::platform::reloadDrives();
  apptest::writeFile(tree / "Movies" / "holiday.mkv", 0);
  ASSERT_EQ(truncate((tree / "Movies" / "holiday.mkv").c_str(), 5368709120), 0);
  apptest::writeFile(tree / "notes.txt", 1234);
  std::string size, percentFree, label;
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    ASSERT_NE(frame, 0u);
    uint64_t w = openLogging(frame);
    ASSERT_NE(w, 0u);
    logTheDrive(w);
    ASSERT_TRUE(waitFor([&] { return au::rowCount(w, kFileList) == 2; }, 30000));
    for (int32_t row = 1; row <= 2; ++row)
      if (trimmed(au::cell(w, kFileList, row, 1)) == "HOLIDAY.MKV")
        size = trimmed(au::cell(w, kFileList, row, 4));
    percentFree = trimmed(au::shown(w, kPercentFree));
    label = trimmed(au::shown(w, kLabel));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shot("logging-30tb-volume");
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kCloseArea); }));
    ASSERT_TRUE(au::waitClosed(w, 20000));
    exitThroughTheMenu(frame);
  });
  EXPECT_EQ(size, "5,368,709,120");
  EXPECT_EQ(percentFree, "41.15");
  EXPECT_EQ(label, "ARCHIVE30TB");
}

// What the user reads on the screen: a message box over the frame and an open drop-down menu
// hold text on the X server's screen, not a black rectangle.
TEST_F(RealDisplay, MessageBoxesAndMenusAreReadableOnTheScreen) {
  std::string text;
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    ASSERT_NE(frame, 0u);
    uint64_t w = openLogging(frame);
    ASSERT_NE(w, 0u);
    // Save before anything was logged: the program says why not.
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kSaveArea); }));
    ASSERT_TRUE(waitFor([&] { return au::messageBox().has_value(); }));
    text = au::messageBox()->text;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    e2e::Screen box = shot("message-box");
    expectReadable(box, *au::messageBoxOnScreen(), "the message box");
    expectReadable(box, *au::messageBoxOnScreen(KIV_BUTTON_OK), "its OK button");
    ASSERT_TRUE(e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_OK); }));
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kCloseArea); }));
    ASSERT_TRUE(au::waitClosed(w, 20000));

    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    ASSERT_TRUE(waitFor([&] { return au::menuOnScreen().has_value(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    e2e::Screen menu = shot("file-menu");
    expectReadable(menu, *au::menuOnScreen(), "the File menu");
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    EXPECT_TRUE(au::waitClosed(frame, 20000));
  });
  EXPECT_EQ(text.rfind("You must log a disk before anything can be saved to the catalog!", 0), 0u);
}

}  // namespace
