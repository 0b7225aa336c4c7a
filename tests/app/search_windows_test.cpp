// The search wizard and the result windows in the real program, driven through the automation
// interface: the value entry's picture following the field, Back and Cancel, the case flag
// reaching the scan, the result windows' sort orders and counts, and the result table going
// with its window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/search/result_windows.h"
#include "app/search/search_wizard.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "runtime/ui/automation.h"
#include "tests/app/app_test_support.h"

namespace fs = std::filesystem;
namespace au = kiv::ui::automation;

namespace {

using apptest::waitFor;
using namespace searchwizard_feq;

std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

uint64_t windowOnAnyThread(const char* label) {
  uint64_t w = 0;
  waitFor([&] {
    for (int t = 2; t <= 20 && !w; ++t) w = au::findWindow(t, label, 0);
    return w != 0;
  });
  return w;
}

class SearchWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
    int32_t id = 0;
    for (const char* label : {"work", "WORK", "Music", "ARCHIVE"}) {
      Disks.rec.clear();
      Disks.rec.IdNum = ++id;
      Disks.rec.Label = label;
      Disks.rec.Category = id == 3 ? "Sound" : "";
      Disks.rec.FreeSpace.setWhole(uint64_t(5 - id) * 1000000);
      Disks.rec.TotalBytes.setWhole(30000000000000ULL);
      Disks.add();
    }
    struct F {
      const char* name;
      int32_t date, time;
      uint64_t size;
      const char* attrib;
    };
    for (const F& f :
         {F{"C.TXT", 71694, 1, 500, ".A.."}, F{"A.DOC", 71695, 3600001, 5368709120ULL, "..S."},
          F{"B.EXE", 71800, 7200001, 12, "R..."}}) {
      Files.rec.clear();
      Files.rec.DiskId = 1;
      Files.rec.ShortName = f.name;
      Files.rec.Type = std::string(f.name).substr(2);
      Files.rec.DisplayDate = f.date;
      Files.rec.DisplayTime = f.time;
      Files.rec.Size.setWhole(f.size);
      Files.rec.Attrib = f.attrib;
      Files.rec.Path = std::string("X:\\") + f.name;
      Files.add();
    }
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  // Runs the program; `driver` gets the frame and must leave the frame's windows closed.
  void run(const std::function<void(uint64_t)>& driver) {
    apptest::runTarrow([&] {
      uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
      ASSERT_NE(frame, 0u);
      driver(frame);
      au::press(frame, -3);  // File > Exit
      au::waitClosed(frame, 20000);
    });
  }
  // Opens the wizard and waits until it shows its first step.
  uint64_t openWizard(uint64_t frame) {
    au::press(frame, -14);
    uint64_t w = au::findWindow(1, "SEARCHWIZARD$WINDOW", 10000);
    if (w) waitFor([&] { return au::shownImageName(w, kStepPicture) == "~ROLBRWS.BMP"; });
    return w;
  }
  // From step 1 to step 3: the item, a field and operator by their rows, the value typed into
  // the entry the field shows.
  void search(uint64_t w, int32_t item, int32_t field, int32_t op, const std::string& value,
              bool caseSensitive = false, int32_t entry = kTextValue) {
    // A choice made while the window is still taking its first events may be shown over
    // again from the variable: it is made until it stays.
    for (int attempt = 0; attempt < 10; ++attempt) {
      au::pickChoice(w, kItemChoice, item);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (au::shownChoice(w, kItemChoice) == item) break;
    }
    ASSERT_EQ(au::shownChoice(w, kItemChoice), item);
    au::press(w, kNext);
    ASSERT_TRUE(waitFor([&] {
      return au::shownChoice(w, kSteps) == 2 && au::rowCount(w, kFieldList) == (item == 1 ? 9 : 10);
    }));
    au::pickRow(w, kFieldList, field);
    au::pickRow(w, kOperatorList, op);
    ASSERT_TRUE(waitFor([&] {
      return au::shownChoice(w, kFieldList) == field && au::shownChoice(w, kOperatorList) == op &&
             au::shownVisible(w, entry);
    }));
    au::type(w, entry, value);
    if (caseSensitive) au::press(w, kCaseSensitive);
    au::press(w, kNext);
    ASSERT_TRUE(waitFor([&] { return au::shownChoice(w, kSteps) == 3; }));
  }
  std::vector<std::string> column(uint64_t w, int32_t list, int32_t col) {
    std::vector<std::string> cells;
    for (int32_t r = 1; r <= au::rowCount(w, list); ++r)
      cells.push_back(trimmed(au::cell(w, list, r, col)));
    return cells;
  }
  using Cells = std::vector<std::string>;

  kivtest::TempDir dir;
  apptest::Boxes boxes;
};

// The value entry takes the field's picture; a date and a time typed through it make the
// summary; Back returns to the field with Next enabled; Cancel ends the wizard without a
// result window.
TEST_F(SearchWindows, ValuePicturesBackAndCancel) {
  std::string dateSummary, timeSummary, thirdAfterBack;
  bool textShownForDate = true, dateShown = false, timeShown = false, nextAfterBack = false;
  bool backOnStep1 = true;
  std::string valueAfterKindChange = "x";
  uint64_t resultWindow = 1;
  run([&](uint64_t frame) {
    uint64_t w = openWizard(frame);
    ASSERT_NE(w, 0u);
    search(w, 2, 4, 1, "04/13/1997", false, kDateValue);  // files, date last changed, equals
    dateShown = au::shownVisible(w, kDateValue);
    textShownForDate = au::shownVisible(w, kTextValue);
    dateSummary = au::shown(w, kSummary);
    au::press(w, kBack);
    waitFor([&] { return au::shownChoice(w, kSteps) == 2; });
    thirdAfterBack = au::shown(w, kFinish);
    nextAfterBack = au::shownEnabled(w, kNext);
    au::pickRow(w, kFieldList, 9);  // time last changed
    waitFor([&] { return au::shownVisible(w, kTimeValue); });
    timeShown = au::shownVisible(w, kTimeValue);
    valueAfterKindChange = trimmed(au::shown(w, kTimeValue));
    au::type(w, kTimeValue, "5:05PM");
    au::press(w, kNext);
    waitFor([&] { return au::shownChoice(w, kSteps) == 3; });
    timeSummary = au::shown(w, kSummary);
    au::press(w, kBack);
    au::press(w, kBack);
    waitFor([&] { return au::shownChoice(w, kSteps) == 1; });
    backOnStep1 = au::shownEnabled(w, kBack);
    au::press(w, kFinish);  // "Cancel"
    EXPECT_TRUE(au::waitClosed(w));
    resultWindow = 0;
    for (int t = 2; t <= 8; ++t)
      if (uint64_t r = au::findWindow(t, "BROWSEFILERESULTS$QUICKWINDOW", 100)) resultWindow = r;
  });
  EXPECT_TRUE(dateShown);
  EXPECT_FALSE(textShownForDate);
  EXPECT_EQ(dateSummary, "Search will be performed for file date last changed equals 04/13/1997.");
  EXPECT_EQ(thirdAfterBack, "Cancel");
  EXPECT_TRUE(nextAfterBack);
  EXPECT_TRUE(timeShown);
  EXPECT_EQ(valueAfterKindChange, "");
  EXPECT_EQ(timeSummary, "Search will be performed for file time last changed equals 5:05PM.");
  EXPECT_FALSE(backOnStep1);
  EXPECT_EQ(resultWindow, 0u);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  // The wizard's place is kept under its own name.
  std::ifstream in(dir.path() + "/kvrun32/TARROW.INI");
  std::stringstream settings;
  settings << in.rdbuf();
  EXPECT_NE(settings.str().find("[SearchWizard]"), std::string::npos) << settings.str();
}

// A date found through its picture: the file of 04/13/1997 and no other.
TEST_F(SearchWindows, ADateTypedThroughItsPictureFindsItsFiles) {
  Cells names;
  run([&](uint64_t frame) {
    uint64_t w = openWizard(frame);
    ASSERT_NE(w, 0u);
    search(w, 2, 4, 1, "04/13/1997", false, kDateValue);
    au::press(w, kFinish);
    uint64_t r = windowOnAnyThread("BROWSEFILERESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    waitFor([&] { return au::rowCount(r, fileresults_feq::kList) > 0; });
    names = column(r, fileresults_feq::kList, 2);
    au::press(r, fileresults_feq::kClose);
    au::waitClosed(r);
  });
  EXPECT_EQ(names, Cells{"C.TXT"});
}

// The case flag reaches the scan: "equals WORK" with case on stops at "work", which comes first
// in the key; without it both disks are found.
TEST_F(SearchWindows, TheCaseFlagReachesTheScan) {
  Cells withCase, withoutCase;
  std::string countWith, countWithout;
  run([&](uint64_t frame) {
    for (bool caseSensitive : {true, false}) {
      uint64_t w = openWizard(frame);
      ASSERT_NE(w, 0u);
      search(w, 1, 9, 1, "WORK", caseSensitive);  // disks, volume label, equals
      au::press(w, kFinish);
      uint64_t r = windowOnAnyThread("BROWSEDISKRESULTS$QUICKWINDOW");
      ASSERT_NE(r, 0u);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      (caseSensitive ? withCase : withoutCase) = column(r, diskresults_feq::kList, 2);
      (caseSensitive ? countWith : countWithout) = trimmed(au::shown(r, diskresults_feq::kFound));
      au::press(r, diskresults_feq::kClose);
      ASSERT_TRUE(au::waitClosed(r));
    }
  });
  EXPECT_EQ(withCase, Cells{});
  EXPECT_EQ(countWith, "0");
  EXPECT_EQ(withoutCase, (Cells{"work", "WORK"}));
  EXPECT_EQ(countWithout, "2");
}

// The result windows' sort orders: the file buttons and the disk tabs reorder the rows; sizes
// and megabytes are shown whole; the result table is removed when its window closes.
TEST_F(SearchWindows, SortOrdersCountsAndTheTableGoingWithItsWindow) {
  Cells byName, bySize, byDate, byAttrib, sizes, diskLabels, byFree, totals, tabOrder;
  std::string count;
  bool filesTableWhileOpen = false, filesTableGone = false, disksTableGone = false;
  run([&](uint64_t frame) {
    uint64_t w = openWizard(frame);
    ASSERT_NE(w, 0u);
    search(w, 2, 1, 5, "A");  // files, DOS name, is more than or equal to A: all
    au::press(w, kFinish);
    uint64_t r = windowOnAnyThread("BROWSEFILERESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    using namespace fileresults_feq;
    waitFor([&] { return au::rowCount(r, kList) == 3; });
    count = trimmed(au::shown(r, kFound));
    byName = column(r, kList, 2);
    sizes = column(r, kList, 5);
    filesTableWhileOpen = fs::exists("TEMPFILES.ZPH");
    // Each button's order; the rows are read once they have changed to it (or after a while).
    for (auto [button, cells, expected] :
         {std::tuple{kSortName + 3, &bySize, Cells{"B.EXE", "C.TXT", "A.DOC"}},
          std::tuple{kSortName + 1, &byDate, Cells{"C.TXT", "A.DOC", "B.EXE"}},
          std::tuple{kSortName + 4, &byAttrib, Cells{"A.DOC", "C.TXT", "B.EXE"}}}) {
      au::press(r, button);
      waitFor([&] { return column(r, kList, 2) == expected; }, 3000);
      *cells = column(r, kList, 2);
    }
    au::press(r, kClose);
    ASSERT_TRUE(au::waitClosed(r));
    filesTableGone = waitFor([] { return !fs::exists("TEMPFILES.ZPH"); });

    w = openWizard(frame);
    ASSERT_NE(w, 0u);
    search(w, 1, 9, 5, "A");  // disks, volume label, is more than or equal to A: all
    au::press(w, kFinish);
    r = windowOnAnyThread("BROWSEDISKRESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    waitFor([&] { return au::rowCount(r, diskresults_feq::kList) == 4; });
    diskLabels = column(r, diskresults_feq::kList, 2);
    totals = column(r, diskresults_feq::kList, 4);
    au::pickTab(r, diskresults_feq::kSortSheet, 4);  // by free space
    waitFor([&] { return column(r, diskresults_feq::kList, 2) != diskLabels; }, 3000);
    byFree = column(r, diskresults_feq::kList, 2);
    au::pickTab(r, diskresults_feq::kSortSheet, 2);  // by label
    waitFor([&] { return column(r, diskresults_feq::kList, 2) != byFree; }, 3000);
    tabOrder = column(r, diskresults_feq::kList, 2);
    au::press(r, diskresults_feq::kClose);
    ASSERT_TRUE(au::waitClosed(r));
    disksTableGone = waitFor([] { return !fs::exists("TEMPDISK.ZPH"); });
  });
  EXPECT_EQ(count, "3 files found by query");
  EXPECT_EQ(byName, (Cells{"A.DOC", "B.EXE", "C.TXT"}));
  EXPECT_EQ(sizes, (Cells{"5,368,709,120", "12", "500"}));
  EXPECT_EQ(bySize, (Cells{"B.EXE", "C.TXT", "A.DOC"}));
  EXPECT_EQ(byDate, (Cells{"C.TXT", "A.DOC", "B.EXE"}));
  EXPECT_EQ(byAttrib, (Cells{"A.DOC", "C.TXT", "B.EXE"}));
  EXPECT_TRUE(filesTableWhileOpen);
  EXPECT_TRUE(filesTableGone);
  EXPECT_EQ(diskLabels, (Cells{"work", "WORK", "Music", "ARCHIVE"}));  // by ID
  EXPECT_EQ(totals[0], "28,610,229.49MB");
  EXPECT_EQ(byFree, (Cells{"ARCHIVE", "Music", "WORK", "work"}));
  EXPECT_EQ(tabOrder, (Cells{"ARCHIVE", "Music", "work", "WORK"}));
  EXPECT_TRUE(disksTableGone);
}

}  // namespace
