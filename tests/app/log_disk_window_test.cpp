// The logging window driven as a person would: pick the drive, log it, change the label, tick
// the box, save, answer the questions, pick a disk in the picker; then the catalog is checked.
// The window runs on a thread of its own under a small frame, as the program starts it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "app/browse/select_disk.h"
#include "app/frame/frame.h"
#include "app/logging/adding_windows.h"
#include "app/logging/drives.h"
#include "app/logging/log_disk_window.h"
#include "app/logging/logged_disk.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/ini.h"
#include "include/kiv/window.h"
#include "runtime/platform/drive_map.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"
#include "tests/app/app_test_support.h"

namespace fs = std::filesystem;
namespace au = kiv::ui::automation;

namespace kiv::ui::automation {
// The mouse moves into (or out of) a control. Kept by the automation layer beside press().
bool hover(uint64_t window, int32_t feq, bool in);
}  // namespace kiv::ui::automation

namespace {

using apptest::Boxes;
using apptest::setFileComment;
using apptest::storedDisks;
using apptest::StoredFile;
using apptest::storedFiles;
using apptest::waitFor;

using namespace logdisk_feq;
using namespace editnote_feq;
constexpr int32_t kPickerList = selectdisk_feq::kList, kPickerSelect = selectdisk_feq::kSelect,
                  kPickerClose = selectdisk_feq::kClose;

// What a control shows, without the blanks its picture pads it with.
std::string shownText(uint64_t w, int32_t feq) {
  std::string s = au::shown(w, feq);
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}
std::string cellText(uint64_t w, int32_t feq, int32_t row, int32_t column) {
  std::string s = au::cell(w, feq, row, column);
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

class LogDiskWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    letter = apptest::freeLetter();
    ASSERT_NE(letter, 0);
    char templ[] = "/tmp/kivwin-XXXXXX";
    tree = mkdtemp(templ);
    root = std::string(1, letter) + ":\\";
    // Three levels, a name without an 8.3 form, a name without an extension, and dot-named
    // entries that logging leaves out (with everything below the dot-named directory).
    apptest::writeFile(tree / "readme.txt", 10);
    apptest::writeFile(tree / "Long File Name.text", 2000);
    apptest::writeFile(tree / "noext", 5);
    apptest::writeFile(tree / ".hidden", 1);
    apptest::writeFile(tree / ".config" / "inside.txt", 1);
    apptest::writeFile(tree / "Sub" / "a.dat", 300);
    apptest::writeFile(tree / "Sub" / "Deeper" / "b.c", 40);
    apptest::writeFile(tree / "Other" / "c.txt", 4000);
    apptest::setModified(tree / "readme.txt", apptest::localTime(2001, 2, 3, 4, 5, 6), 0);
    kiv::platform::pinDrive(letter, {tree.string(), std::string("TESTVOL"), 0x1234ABCDu});
  }
  void TearDown() override {
    kiv::platform::unpinDrive(letter);
    std::error_code ec;
    fs::remove_all(tree, ec);
    unsetenv("XDG_CONFIG_HOME");
  }

  // Runs the real program: the driver chooses "&Log Disks" in the frame, and `drive` works the
  // logging window (it gets the window) and should leave it closed. Gives whether the frame
  // heard that logging ended (its Log command is enabled again); then the program is ended
  // through File > Exit.
  bool runWindow(const std::function<void(uint64_t)>& drive) {
    bool ended = false;
    apptest::runTarrow([&] {
      uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 10000);
      EXPECT_NE(frame, 0u);
      if (!frame) return;
      EXPECT_NE(au::findWindow(2, "SPLASHWINDOW$WINDOW", 10000), 0u);
      EXPECT_TRUE(au::press(frame, -10));  // "&Log Disks"
      // The splash window still holds thread 2 when the command starts the logging window.
      logThread = 3;
      uint64_t w = au::findWindow(logThread, "LOGDISK$WINDOW", 10000);
      EXPECT_NE(w, 0u);
      if (w) {
        drive(w);
        if (au::isOpen(w)) {
          ADD_FAILURE() << "the logging window stayed open";
          au::press(w, kCloseArea);
          au::waitClosed(w);
        }
      }
      ended = waitFor([&] { return au::shownEnabled(frame, -10); });
      au::press(frame, -3);  // File > Exit
      au::waitClosed(frame);
    });
    return ended;
  }

  // The drive-list row of the test volume.
  int32_t driveRow(uint64_t w) {
    // The window selects the first drive when it opens and shows its picture last.
    std::string firstIcon;
    for (char l = 'A'; l <= 'Z' && firstIcon.empty(); ++l) {
      uint32_t type = GetDriveTypeA((std::string(1, l) + ":\\").c_str());
      if (type > 1) firstIcon = std::string(DriveTypeIcon(int32_t(type) + 1));
    }
    waitFor(
        [&] {
          return au::shownChoice(w, kDriveList) == 1 &&
                 au::shownImageName(w, kDrivePicture) == firstIcon;
        },
        5000);
    for (int32_t row = 1; row <= au::rowCount(w, kDriveList); ++row)
      if (cellText(w, kDriveList, row, 1).rfind(root, 0) == 0) return row;
    return 0;
  }
  // Picks the test volume and logs it; waits until the list shows `files` files.
  bool logVolume(uint64_t w, int32_t files) {
    int32_t row = driveRow(w);
    EXPECT_GT(row, 0);
    if (!row) return false;
    // A person picks the row once the window is up; the pick is checked to have stayed.
    bool picked = false;
    for (int attempt = 0; attempt < 5 && !picked; ++attempt) {
      au::pickRow(w, kDriveList, row);
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      picked = au::shownChoice(w, kDriveList) == row;
    }
    if (!picked || !au::press(w, kLogButton)) return false;
    return waitFor([&] { return au::rowCount(w, kFileList) == files; });
  }
  // Saves with the Save area and closes the window; both are events of the window, so the
  // close comes after the save has finished.
  void saveAndClose(uint64_t w) {
    au::press(w, kSaveArea);
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w, 20000));
  }

  // Logs the test volume and saves it, answering the boxes with `answers`.
  void logAndSave(std::initializer_list<uint32_t> answers) {
    boxes.answers.assign(answers.begin(), answers.end());
    EXPECT_TRUE(runWindow([&](uint64_t w) {
      ASSERT_TRUE(logVolume(w, countFiles()));
      saveAndClose(w);
    }));
  }
  int32_t countFiles() {
    int32_t n = 0;
    for (auto it = fs::recursive_directory_iterator(tree); it != fs::end(it); ++it) {
      if (it->path().filename().string()[0] == '.') {
        if (it->is_directory()) it.disable_recursion_pending();
        continue;
      }
      if (it->is_regular_file()) ++n;
    }
    return n;
  }

  std::atomic<int32_t> logThread{0};  // the thread of the logging window
  kivtest::TempDir dir;               // the catalog's current directory and the settings folder
  Boxes boxes;
  char letter = 0;
  fs::path tree;
  std::string root;
};

TEST_F(LogDiskWindow, LogsARenamedVolumeAndSavesItAsANewDisk) {
  std::string fileCount, percentFree, firstPath, picture, labelAfter;
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    EXPECT_EQ(au::caption(w), "Log Disks into the Catalog");
    ASSERT_TRUE(logVolume(w, 6));
    fileCount = shownText(w, kFileCount);
    percentFree = shownText(w, kPercentFree);
    // The first entry is selected and its path shown.
    waitFor([&] { return shownText(w, kPathLine) == root + "SUB\\A.DAT"; }, 3000);
    firstPath = shownText(w, kPathLine);
    EXPECT_EQ(au::shownChoice(w, kFileList), 1);
    picture = shownText(w, kDrivePicture);
    EXPECT_EQ(shownText(w, kLabel), "TESTVOL");
    // The list is sorted by short name; its columns are name, date, time, size, attributes.
    EXPECT_EQ(cellText(w, kFileList, 1, 1), "A.DAT");
    EXPECT_EQ(cellText(w, kFileList, 6, 1), "README.TXT");
    EXPECT_EQ(cellText(w, kFileList, 6, 2), "02/03/2001");
    EXPECT_EQ(cellText(w, kFileList, 6, 4), "10");
    EXPECT_EQ(cellText(w, kFileList, 6, 5), ".A..");
    if (const char* shots = std::getenv("KIV_SHOT_DIR"))
      au::grab(w, std::string(shots) + "/logging_window.png");
    ASSERT_TRUE(au::type(w, kLabel, "CATALOG1"));
    au::press(w, kFilesNotLogged);
    au::press(w, kFilesNotLogged);  // ticked and unticked again
    saveAndClose(w);
  }));
  EXPECT_EQ(fileCount, "6");
  EXPECT_FALSE(percentFree.empty());
  EXPECT_EQ(firstPath, root + "SUB\\A.DAT");
  EXPECT_TRUE(boxes.shown.empty());
  // The label went to the volume.
  EXPECT_EQ(kiv::platform::driveOf(letter)->label.value_or(""), "CATALOG1");

  std::vector<DisksRecord> disks = storedDisks();
  ASSERT_EQ(disks.size(), 1u);
  const DisksRecord& d = disks[0];
  EXPECT_EQ(d.IdNum, 1);
  EXPECT_EQ(d.Label.str(), "CATALOG1");
  EXPECT_EQ(d.SerialNo.str(), "1234-ABCD");
  EXPECT_EQ(d.Files, 6);
  EXPECT_EQ(d.Type.str(), std::string(1, DriveTypeLetter(DriveTypeNumber(root))));
  EXPECT_TRUE(d.UserNum.blank());
  EXPECT_TRUE(d.Category.blank());
  EXPECT_TRUE(d.Comments.blank());
  EXPECT_GT(d.TotalBytes.whole(), 0u);

  auto files = storedFiles();
  ASSERT_EQ(files.size(), 6u);
  const StoredFile& readme = files.at(root + "README.TXT");
  EXPECT_EQ(readme.disk, 1);
  EXPECT_EQ(readme.shortName, "README.TXT");
  EXPECT_EQ(readme.displayDate, Kiv$DATE(2, 3, 2001));
  EXPECT_EQ(readme.size, 10u);
  EXPECT_EQ(readme.type, "TXT");
  EXPECT_EQ(readme.longName, "README.TXT");
  EXPECT_EQ(readme.deleteFlag, 0);
  const StoredFile& longName = files.at(root + "LONG FILE NAME.TEXT");
  EXPECT_EQ(longName.shortName, "LONGFI~1.TEX");
  EXPECT_EQ(longName.longName, "LONG FILE NAME.TEXT");
  EXPECT_EQ(longName.type, "TEX");
  EXPECT_EQ(files.at(root + "NOEXT").type, "");
  EXPECT_EQ(files.at(root + "SUB\\DEEPER\\B.C").longName, "B.C");
  EXPECT_EQ(files.count(root + ".HIDDEN"), 0u);
  EXPECT_EQ(files.count(root + ".CONFIG\\INSIDE.TXT"), 0u);

  // The window's place was kept.
  EXPECT_NE(kiv::getIni("LogDisk", "XPosit", "", "TARROW.INI"), "");
}

TEST_F(LogDiskWindow, SecondSaveWithYesRefreshesKeepingComments) {
  logAndSave({});
  setFileComment(root + "README.TXT", "keep me");
  setFileComment(root + "OTHER\\C.TXT", "goes with the file");
  fs::remove(tree / "Other" / "c.txt");
  apptest::writeFile(tree / "Sub" / "new.txt", 7);

  logAndSave({KIV_BUTTON_YES});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "System Message");
  EXPECT_EQ(boxes.shown[0].text,
            "Volume TESTVOL already exists in catalog!\n\rChoose YES to overwrite existing "
            "entry,\n\rNO to add a new entry,\n\ror CANCEL to leave catalog unchanged.");

  std::vector<DisksRecord> disks = storedDisks();
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].Files, 6);
  auto files = storedFiles();
  EXPECT_EQ(files.size(), 6u);
  EXPECT_EQ(files.at(root + "README.TXT").comment, "keep me");
  EXPECT_EQ(files.at(root + "SUB\\NEW.TXT").comment, "");
  EXPECT_EQ(files.at(root + "SUB\\NEW.TXT").disk, 1);
  EXPECT_EQ(files.count(root + "OTHER\\C.TXT"), 0u);
  for (auto& [path, f] : files) EXPECT_EQ(f.deleteFlag, 0) << path;
}

TEST_F(LogDiskWindow, FilesNotLoggedKeepsTheCountOnly) {
  std::string note;
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    ASSERT_TRUE(logVolume(w, 6));
    // A note written in the note editor goes with the disk.
    au::press(w, kNoteButton);
    uint64_t editor = au::findWindow(logThread, "EDITNOTE$WINDOW");
    ASSERT_NE(editor, 0u);
    EXPECT_EQ(au::caption(editor), "Edit Note for Disk");
    au::type(editor, kNoteText, "Holiday photos");
    au::press(editor, kNoteSave);
    EXPECT_TRUE(au::waitClosed(editor));
    au::press(w, kFilesNotLogged);
    saveAndClose(w);
  }));
  std::vector<DisksRecord> disks = storedDisks();
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].Files, 6);
  EXPECT_EQ(disks[0].Comments.str(), "* FILES NOT LOGGED FOR THIS DISK *  Holiday photos");
  EXPECT_TRUE(storedFiles().empty());
}

TEST_F(LogDiskWindow, TwoDisksOfOneLabelAskThePicker) {
  logAndSave({});
  logAndSave({KIV_BUTTON_NO});  // a second disk with the same label
  ASSERT_EQ(storedDisks().size(), 2u);
  apptest::writeFile(tree / "added.txt", 3);

  // Yes, then the picker: its rows are the two disks; the second is chosen.
  std::vector<std::string> pickerRows;
  std::string pickerCaption;
  boxes.answers = {KIV_BUTTON_YES};
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    ASSERT_TRUE(logVolume(w, 7));
    au::press(w, kSaveArea);
    uint64_t picker = au::findWindow(logThread, "SELECTDISK$QUICKWINDOW", 10000);
    ASSERT_NE(picker, 0u);
    waitFor([&] { return au::rowCount(picker, kPickerList) == 2; }, 5000);
    if (const char* shots = std::getenv("KIV_SHOT_DIR"))
      au::grab(picker, std::string(shots) + "/disk_picker.png");
    pickerCaption = au::caption(picker);
    for (int32_t row = 1; row <= au::rowCount(picker, kPickerList); ++row)
      pickerRows.push_back(cellText(picker, kPickerList, row, 1) + "|" +
                           cellText(picker, kPickerList, row, 2) + "|" +
                           cellText(picker, kPickerList, row, 5));
    au::pickRow(picker, kPickerList, 2);
    au::press(picker, kPickerSelect);
    EXPECT_TRUE(au::waitClosed(picker));
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w, 20000));
  }));
  EXPECT_EQ(pickerCaption, "Select a Disk to Recatalog");
  EXPECT_EQ(pickerRows, (std::vector<std::string>{"1|TESTVOL|1234-ABCD", "2|TESTVOL|1234-ABCD"}));
  std::vector<DisksRecord> disks = storedDisks();
  ASSERT_EQ(disks.size(), 2u);
  EXPECT_EQ(disks[0].Files, 6);
  EXPECT_EQ(disks[1].Files, 7);
  auto files = storedFiles();
  EXPECT_EQ(files.at(root + "ADDED.TXT").disk, 2);

  // Closing the picker without a choice leaves the catalog as it is.
  apptest::writeFile(tree / "more.txt", 3);
  boxes.answers = {KIV_BUTTON_YES};
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    ASSERT_TRUE(logVolume(w, 8));
    au::press(w, kSaveArea);
    uint64_t picker = au::findWindow(logThread, "SELECTDISK$QUICKWINDOW", 10000);
    ASSERT_NE(picker, 0u);
    au::press(picker, kPickerClose);
    EXPECT_TRUE(au::waitClosed(picker));
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w, 20000));
  }));
  disks = storedDisks();
  EXPECT_EQ(disks[0].Files, 6);
  EXPECT_EQ(disks[1].Files, 7);
  EXPECT_EQ(storedFiles().count(root + "MORE.TXT"), 0u);
}

TEST_F(LogDiskWindow, SaveBeforeLoggingAndSortButtons) {
  std::vector<std::string> bySize, bySizeDown, byNameAgain;
  std::string pictureBefore, pictureAfter, saveLook;
  int32_t saveBevel = 0;
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    waitFor([&] { return au::shownImageName(w, kDrivePicture) == "~fixed.ico"; }, 3000);
    pictureBefore = au::shownImageName(w, kDrivePicture);
    au::press(w, kSaveArea);
    // Released: raised, with the resting picture.
    waitFor([&] { return au::shownBevel(w, kSaveArea) == 1; }, 3000);
    saveBevel = au::shownBevel(w, kSaveArea);
    saveLook = au::shownImageName(w, kSaveArea + 1);
    ASSERT_TRUE(logVolume(w, 6));
    auto column = [&](int32_t c) {
      std::vector<std::string> v;
      for (int32_t row = 1; row <= au::rowCount(w, kFileList); ++row)
        v.push_back(cellText(w, kFileList, row, c));
      return v;
    };
    au::press(w, kSortSize);
    waitFor([&] { return cellText(w, kFileList, 1, 1) == "NOEXT"; }, 3000);
    bySize = column(1);
    au::press(w, kSortSize);  // again: the other way round
    waitFor([&] { return cellText(w, kFileList, 1, 1) == "C.TXT"; }, 3000);
    bySizeDown = column(1);
    au::press(w, kSortName);  // another button keeps the direction
    waitFor([&] { return cellText(w, kFileList, 1, 1) == "README.TXT"; }, 3000);
    byNameAgain = column(1);
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w));
  }));
  ASSERT_GE(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind("You must log a disk before anything can be saved", 0), 0u);
  EXPECT_EQ(pictureBefore, std::string(DriveTypeIcon(DriveTypeNumber("C:\\"))));
  EXPECT_EQ(saveBevel, 1);
  EXPECT_EQ(saveLook, "~Saveg.ico");
  EXPECT_EQ(bySize, (std::vector<std::string>{"NOEXT", "README.TXT", "B.C", "A.DAT", "LONGFI~1.TEX",
                                              "C.TXT"}));
  EXPECT_EQ(bySizeDown, (std::vector<std::string>{"C.TXT", "LONGFI~1.TEX", "A.DAT", "B.C",
                                                  "README.TXT", "NOEXT"}));
  EXPECT_EQ(byNameAgain, (std::vector<std::string>{"README.TXT", "NOEXT", "LONGFI~1.TEX", "C.TXT",
                                                   "B.C", "A.DAT"}));
  EXPECT_TRUE(storedDisks().empty());
}

}  // namespace

namespace progress {

std::atomic<int> gStep{0};  // the driver moves the procedure on by steps

void waitStep(int step) {
  Kiv$UNLOCKTHREAD();
  waitFor([&] { return gStep >= step; });
  Kiv$LOCKTHREAD();
}

// Runs the progress windows the way adding does: the adding window, then the purging one over
// it, each step waiting for the driver to look.
void Procedure() {
  AddingProgressWindows windows;
  windows.openProgress(AddingWindows::Adding, "Refreshing disk in catalog...");
  windows.setProgress(40, "40%");
  windows.setPath("Y:\\SUB\\DEEPER\\B.C");
  waitStep(1);
  windows.openProgress(AddingWindows::Purging, "Saving user-defined settings...");
  windows.setProgress(100, "100%");
  windows.setCaption("Indexing new database entries...");
  waitStep(2);
  windows.closeProgress(AddingWindows::Purging);
  windows.setProgress(75, "75%");  // the adding window again
  waitStep(3);
}

}  // namespace progress

TEST(AddingProgress, WindowsShowCaptionBarPercentAndPath) {
  using namespace progress;
  gStep = 0;
  struct Seen {
    std::string caption, percent, path, bar, title;
  } adding, purging, addingAgain;
  bool purgingClosed = false;
  kiv::ui::runProgram([&] {
    std::atomic<int32_t> thread{0};
    std::thread driver([&] {
      waitFor([&] { return thread != 0; });
      auto seen = [&](uint64_t w) {
        return Seen{shownText(w, 1), shownText(w, 3), shownText(w, 4), shownText(w, 2),
                    au::caption(w)};
      };
      uint64_t a = au::findWindow(thread, "ADDTOCATALOG$PROGWIN");
      waitFor([&] { return shownText(a, 3) == "40%"; }, 3000);
      adding = seen(a);
      if (const char* dir = std::getenv("KIV_SHOT_DIR"))
        au::grab(a, std::string(dir) + "/progress_window.png");
      gStep = 1;
      uint64_t p = au::findWindow(thread, "ADDTOCATALOG$PROGWIN2");
      waitFor([&] { return shownText(p, 1) == "Indexing new database entries..."; }, 3000);
      purging = seen(p);
      gStep = 2;
      purgingClosed = au::waitClosed(p);
      waitFor([&] { return shownText(a, 3) == "75%"; }, 3000);
      addingAgain = seen(a);
      gStep = 3;
    });
    {
      kiv::Window frame(kiv::Window::Application, "APPTEST.kvw$apptest", "FRAME$APP");
      frame.open();
      thread = Kiv$START(Procedure, 25000);
      Kiv$UNLOCKTHREAD();
      driver.join();
      while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      Kiv$LOCKTHREAD();
    }
  });
  EXPECT_EQ(adding.caption, "Refreshing disk in catalog...");
  EXPECT_EQ(adding.percent, "40%");
  EXPECT_EQ(adding.path, "Y:\\SUB\\DEEPER\\B.C");
  EXPECT_EQ(adding.bar, "40");
  EXPECT_EQ(purging.caption, "Indexing new database entries...");
  EXPECT_EQ(purging.percent, "100%");
  EXPECT_EQ(purging.path, "");
  EXPECT_TRUE(purgingClosed);
  EXPECT_EQ(addingAgain.percent, "75%");
  EXPECT_EQ(addingAgain.caption, "Refreshing disk in catalog...");
}

namespace {

TEST_F(LogDiskWindow, CommandAreasTrackTheMouse) {
  struct Look {
    int32_t bevel;
    std::string picture;
  };
  std::vector<Look> looks;
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    auto look = [&](int32_t area, int32_t bevel) {
      waitFor([&] { return au::shownBevel(w, area) == bevel; }, 3000);
      looks.push_back({au::shownBevel(w, area), au::shownImageName(w, area + 1)});
    };
    au::hover(w, kSaveArea, true);
    look(kSaveArea, 1);
    au::hover(w, kSaveArea, false);
    look(kSaveArea, 0);
    au::hover(w, kCloseArea, true);
    look(kCloseArea, 1);
    au::hover(w, kCloseArea, false);
    look(kCloseArea, 0);
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w));
  }));
  ASSERT_EQ(looks.size(), 4u);
  EXPECT_EQ(looks[0].bevel, 1);
  EXPECT_EQ(looks[0].picture, "~Saver.ico");
  EXPECT_EQ(looks[1].bevel, 0);
  EXPECT_EQ(looks[1].picture, "~Saveg.ico");
  EXPECT_EQ(looks[2].bevel, 1);
  EXPECT_EQ(looks[2].picture, "~cancelr.ico");
  EXPECT_EQ(looks[3].bevel, 0);
  EXPECT_EQ(looks[3].picture, "~cancelg.ico");
}

TEST_F(LogDiskWindow, LabelThatCannotBeChangedAndAMissingLabel) {
  // A volume without a label of its own, whose new label cannot be kept either: the settings
  // folder cannot be made.
  kiv::platform::pinDrive(letter, {tree.string(), std::nullopt, 0x00000ABCu});
  const fs::path blocked = fs::path(dir.path()) / "not-a-folder";
  apptest::writeFile(blocked, 1);
  setenv("XDG_CONFIG_HOME", blocked.c_str(), 1);
  std::string labelAfterFailure;
  size_t boxesAfterFailure = 0;
  boxes.answers = {KIV_BUTTON_OK, KIV_BUTTON_NO, KIV_BUTTON_YES};
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    ASSERT_TRUE(logVolume(w, 6));
    EXPECT_EQ(shownText(w, kLabel), "");
    au::type(w, kLabel, "NEWNAME");
    waitFor([&] { return !boxes.shown.empty(); }, 5000);
    waitFor([&] { return shownText(w, kLabel).empty(); }, 3000);
    labelAfterFailure = shownText(w, kLabel);
    boxesAfterFailure = boxes.shown.size();
    au::press(w, kSaveArea);  // No: back to the label
    au::press(w, kSaveArea);  // Yes: saved without a label
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w, 20000));
  }));
  EXPECT_EQ(labelAfterFailure, "");
  ASSERT_EQ(boxesAfterFailure, 1u);
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].caption, "System Error");
  EXPECT_EQ(boxes.shown[0].text,
            "Error changing the disk volume label!\n\rMake sure the disk is not write-protected.");
  EXPECT_EQ(boxes.shown[1].text.rfind("You forgot to enter a volume label!", 0), 0u);
  EXPECT_EQ(boxes.shown[2].text, boxes.shown[1].text);
  std::vector<DisksRecord> disks = storedDisks();
  ASSERT_EQ(disks.size(), 1u);  // saved once, by the Yes
  EXPECT_TRUE(disks[0].Label.blank());
  EXPECT_EQ(disks[0].SerialNo.str(), "0000-0ABC");
}

TEST_F(LogDiskWindow, DriveThatIsGoneLeavesTheWindowReset) {
  std::string count, path;
  int32_t rows = -1;
  EXPECT_TRUE(runWindow([&](uint64_t w) {
    ASSERT_TRUE(logVolume(w, 6));
    kiv::platform::unpinDrive(letter);
    au::press(w, kLogButton);
    waitFor([&] { return au::rowCount(w, kFileList) == 0; }, 5000);
    waitFor([&] { return shownText(w, kFileCount) == "0"; }, 3000);
    rows = au::rowCount(w, kFileList);
    count = shownText(w, kFileCount);
    path = shownText(w, kPathLine);
    au::press(w, kSaveArea);  // logged, though it failed: the reset values are saved
    au::press(w, kCloseArea);
    EXPECT_TRUE(au::waitClosed(w, 20000));
  }));
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(count, "0");
  EXPECT_EQ(path, "");
  ASSERT_GE(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "System Error");
  EXPECT_EQ(boxes.shown[0].text, "Drive is not ready!\n\rMake sure the disk is inserted properly.");
  // The question about the missing label (the reset blanked it) was answered with its default,
  // No, so nothing was saved.
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text.rfind("You forgot to enter a volume label!", 0), 0u);
  EXPECT_TRUE(storedDisks().empty());
}

}  // namespace
