// The duplicate finder and the disk-ID labels through the real program's frame: the wizard, the
// collector into SORTFILES, both duplicates reports and what they print, and the parameter
// window that fills TEMPFILE for the labels.
#include <algorithm>
#include <filesystem>

#include "report_test_support.h"

namespace {

using namespace reporttest;
using S = std::vector<std::string>;

constexpr int32_t kDuplicatesMenu = -29, kIdLabelsMenu = -30, kExitMenu = -3;
// Controls of the wizard.
enum : int32_t { kStepPicture = 1, kCategoryList = 4, kBack = 7, kNextStep = 8, kFinish = 9 };
// Controls of the duplicates reports.
enum : int32_t {
  kDupDisk = 13,
  kDupName = 14,
  kDupBytes = 15,
  kDupPath = 17,
  kSubtitle = 3,
  kSeparator = 21
};

// Work tables are files of the catalog's folder named after the table.
bool TableOnDisk(const std::string& folder, const std::string& table) {
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().rfind(table + ".", 0) == 0) return true;
  return false;
}

int Separators(const std::vector<kiv::report::PagePtr>& pages) {
  int n = 0;
  for (const auto& p : pages)
    for (const auto& b : p->bands) n += b.feq == kSeparator;
  return n;
}

class Duplicates : public ReportTest {
 protected:
  // Runs the program: the wizard from the Reports menu, `category` picked (0 for none), Finish;
  // then `afterFinish`, and the program is ended.
  void RunWizard(int32_t categoryRow, const std::function<void()>& afterFinish) {
    apptest::runTarrow([&] {
      uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
      ASSERT_NE(frame, 0u);
      au::press(frame, kDuplicatesMenu);
      uint64_t wizard = findAnyWindow("GETRPTPARMSWIZ$WINDOW");
      ASSERT_NE(wizard, 0u);
      stepOne = {au::shownEnabled(wizard, kBack), au::shownVisible(wizard, kFinish)};
      if (categoryRow) {
        // The wizard fills its list after it has opened.
        ASSERT_TRUE(waitFor([&] { return au::rowCount(wizard, kCategoryList) >= categoryRow; }));
        au::pickRow(wizard, kCategoryList, categoryRow);
      }
      au::press(wizard, kNextStep);
      waitFor([&] { return au::shownVisible(wizard, kFinish); });
      stepTwo = {au::shownEnabled(wizard, kBack), au::shownEnabled(wizard, kNextStep)};
      picture = au::shownImageName(wizard, kStepPicture);
      au::press(wizard, kFinish);
      au::waitClosed(wizard);
      afterFinish();
      au::press(frame, kExitMenu);
      au::waitClosed(frame, 20000);
    });
  }
  std::pair<bool, bool> stepOne, stepTwo;
  std::string picture;
};

TEST_F(Duplicates, ThreeReadmesAreOneGroupAndALoneIndexIsLeftOut) {
  addDisks({{1, "ONE", "Music", 10, 5}, {2, "TWO", "Music", 10, 5}, {3, "THREE", "Work", 10, 5}});
  addFiles({{1, "README.TXT", 100, "C:\\A\\README.TXT"},
            {2, "README.TXT", 200, "C:\\B\\README.TXT"},
            {3, "README.TXT", 300, "C:\\C\\README.TXT"},
            {1, "INDEX.HTM", 5},
            {2, "ZZZ.TXT", 5}});
  std::vector<kiv::report::PagePtr> pages;
  RunWizard(0, [&] {
    uint64_t preview = findAnyWindow(kPreview);
    ASSERT_NE(preview, 0u);
    pages = pagesOf(preview);
    exitPreview(preview);
  });
  EXPECT_EQ(stepOne, std::make_pair(false, false));  // Back disabled, Finish hidden
  EXPECT_EQ(stepTwo, std::make_pair(true, false));   // Back enabled, Next disabled
  EXPECT_EQ(picture, "~PRTREPRT.BMP");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(textsOf(pages, kDupName), (S{"README.TXT", "README.TXT", "README.TXT"}));
  S disks = textsOf(pages, kDupDisk), bytes = textsOf(pages, kDupBytes);
  std::sort(disks.begin(), disks.end());
  std::sort(bytes.begin(), bytes.end());
  EXPECT_EQ(disks, (S{"1", "2", "3"}));
  EXPECT_EQ(bytes, (S{"100", "200", "300"}));
  EXPECT_EQ(Separators(pages), 1);
  EXPECT_EQ(textsOf(pages, kSubtitle), S{"All categories"});
}

TEST_F(Duplicates, OneCategoryReportsTheFilesOfItsDisksOnly) {
  addCategories({"Work", "Music", "Empty"});
  addDisks({{1, "ONE", "Music", 10, 5},
            {2, "TWO", "music", 10, 5},
            {3, "THREE", "Work", 10, 5},
            {4, "FOUR", "Music", 10, 5}});  // disk 4 has no files
  addFiles({{1, "README.TXT", 100},
            {2, "README.TXT", 200},
            {3, "README.TXT", 300},
            {3, "TWICE.TXT", 1},
            {3, "TWICE.TXT", 2},
            {1, "LONE.TXT", 1}});
  std::vector<kiv::report::PagePtr> pages;
  RunWizard(2, [&] {  // the list is in name order: Empty, Music, Work
    uint64_t preview = findAnyWindow(kPreview);
    ASSERT_NE(preview, 0u);
    pages = pagesOf(preview);
    exitPreview(preview);
  });
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(textsOf(pages, kDupName), (S{"README.TXT", "README.TXT"}));
  S disks = textsOf(pages, kDupDisk);
  std::sort(disks.begin(), disks.end());
  EXPECT_EQ(disks, (S{"1", "2"}));
  EXPECT_EQ(textsOf(pages, kSubtitle), S{"Category: Music"});
  EXPECT_FALSE(TableOnDisk(dir.path(), "SORTFILES"));
}

TEST_F(Duplicates, ACategoryWithoutDisksPrintsNoPagesAndSaysSo) {
  addCategories({"Empty", "Music"});
  addDisks({{1, "ONE", "Music", 10, 5}, {2, "TWO", "Music", 10, 5}});
  addFiles({{1, "README.TXT", 1}, {2, "README.TXT", 2}});
  uint64_t preview = 1;
  RunWizard(1, [&] {
    ASSERT_TRUE(waitFor([&] { return !boxes.shown.empty(); }, 15000));
    preview = findAnyWindow(kPreview, 500);
  });
  EXPECT_EQ(preview, 0u);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "No duplicate files were found.");
  EXPECT_FALSE(TableOnDisk(dir.path(), "SORTFILES"));
}

TEST_F(Duplicates, TheCollectorsPercentNeverPassesAHundred) {
  addCategories({"Big"});
  addDisks({{1, "ONE", "Big", 10, 5}, {2, "TWO", "Big", 10, 5}});
  std::vector<File> files;
  for (int i = 0; i < 3000; ++i)  // three times the collector's estimate of 1000
    files.push_back({1 + i % 2, "F" + std::to_string(i / 2) + ".TXT", uint64_t(i)});
  addFiles(files);
  S percents;
  size_t lines = 0;
  bool collectorSeen = false;
  RunWizard(1, [&] {
    // A fast collector may be through before its window is looked for; the report that follows
    // is waited for all the same, so that the program is never ended while it opens its preview.
    uint64_t collector = findAnyWindow("GETDUPESCAT$PROGRESSWINDOW", 5000);
    collectorSeen = collector != 0;
    while (collector && au::isOpen(collector)) {
      std::string p = au::shown(collector, 3);
      if (!p.empty() && (percents.empty() || percents.back() != p)) percents.push_back(p);
    }
    uint64_t preview = findAnyWindow(kPreview, 30000);
    ASSERT_NE(preview, 0u);
    lines = textsOf(pagesOf(preview), kDupName).size();
    exitPreview(preview);
  });
  if (collectorSeen) {
    EXPECT_FALSE(percents.empty());
  }
  for (const std::string& p : percents) {
    if (p == "Process Completed") continue;
    EXPECT_LE(std::atoi(p.c_str()), 100) << p;
    EXPECT_NE(p.find("% Completed"), std::string::npos) << p;
  }
  EXPECT_EQ(lines, 3000u);
  EXPECT_FALSE(TableOnDisk(dir.path(), "SORTFILES"));
}

TEST_F(Duplicates, CancelInTheCollectorStillReportsWhatWasCollected) {
  addCategories({"Big"});
  addDisks({{1, "ONE", "Big", 10, 5}});
  addFiles(std::vector<File>(40000, File{1, "SAME.TXT", 1}));
  size_t lines = 0;
  RunWizard(1, [&] {
    uint64_t collector = findAnyWindow("GETDUPESCAT$PROGRESSWINDOW");
    ASSERT_NE(collector, 0u);
    // Cancel once the collector has copied some files (a press before its first batch would
    // cancel a run that never started, which collects nothing).
    waitFor([&] { return au::shown(collector, 3).find("0% Completed") != 0; }, 60000);
    au::press(collector, 4);
    uint64_t preview = findAnyWindow(kPreview, 120000);
    ASSERT_NE(preview, 0u);
    std::vector<kiv::report::PagePtr> pages = pagesOf(preview);
    lines = textsOf(pages, kDupName).size();
    exitPreview(preview);
  });
  EXPECT_GT(lines, 1u);
  EXPECT_LT(lines, 40000u);
  EXPECT_FALSE(TableOnDisk(dir.path(), "SORTFILES"));
}

// The report's windows are plain windows on its own thread. While it prints, the frame still
// answers (the report lets the other threads in between its batches): closing the program then
// closes the frame at once, the finished report still offers its preview, and the program ends
// once the preview is left.
TEST_F(Duplicates, TheProgramClosesWhileTheReportRunsWhichStillOffersItsPreview) {
  addDisks({{1, "ONE", "Music", 10, 5}, {2, "TWO", "Music", 10, 5}});
  std::vector<File> files;
  for (int i = 0; i < 60000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "F%06d.DAT", i);
    files.emplace_back(1 + i % 2, name, uint64_t(i));
    files.emplace_back(2 - i % 2, name, uint64_t(i) + 1);
  }
  addFiles(files);
  size_t lines = 0;
  bool reportRanOn = false;
  double closing = 0;
  RunWizard(0, [&] {
    const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 0);
    const uint64_t progress = findAnyWindow("PRTDUPES$PROGRESSWINDOW", 5000);
    ASSERT_NE(progress, 0u);
    const auto asked = std::chrono::steady_clock::now();
    au::press(frame, kExitMenu);
    ASSERT_TRUE(au::waitClosed(frame, 20000));
    closing = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    reportRanOn = au::isOpen(progress);
    uint64_t preview = findAnyWindow(kPreview, 60000);
    ASSERT_NE(preview, 0u);
    lines = textsOf(pagesOf(preview), kDupName).size();
    exitPreview(preview);
  });
  // A batch takes a twentieth of a second; the frame waits for one at most, not for all of them.
  EXPECT_LT(closing, 1.0);
  EXPECT_TRUE(reportRanOn) << "the frame closed only after the report had printed everything";
  EXPECT_EQ(lines, 120000u);
}

TEST_F(Duplicates, DiskIdLabelsThreeAcrossWithTheNumberThreeTimes) {
  std::vector<kiv::report::PagePtr> pages;
  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    ASSERT_NE(frame, 0u);
    au::press(frame, kIdLabelsMenu);
    uint64_t params = findAnyWindow("GETPARAMS$WINDOW");
    ASSERT_NE(params, 0u);
    au::type(params, 6, "98");
    au::type(params, 8, "104");
    au::press(params, 9);
    uint64_t preview = findAnyWindow(kPreview);
    ASSERT_NE(preview, 0u);
    pages = pagesOf(preview);
    exitPreview(preview);
    au::press(frame, kExitMenu);
    au::waitClosed(frame, 20000);
  });
  ASSERT_EQ(pages.size(), 1u);
  const S numbers{"98", "99", "100", "101", "102", "103", "104"};
  for (int32_t feq : {3, 4, 5}) EXPECT_EQ(textsOf(pages, feq), numbers) << feq;
  EXPECT_EQ(textsOf(pages, 2), S(7, "Disk ID:"));
  std::vector<std::pair<int32_t, int32_t>> at;
  for (const auto& b : pages[0]->bands) at.emplace_back(b.at.x, b.at.y);
  EXPECT_EQ(at,
            (std::vector<std::pair<int32_t, int32_t>>{
                {250, 0}, {2916, 0}, {5582, 0}, {250, 333}, {2916, 333}, {5582, 333}, {250, 666}}));
  EXPECT_FALSE(TableOnDisk(dir.path(), "TEMPFILE"));
}

}  // namespace
