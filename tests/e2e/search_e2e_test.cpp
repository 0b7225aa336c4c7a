// Searching the catalog as a user does: on an X display with a window manager, the pointer
// moved and the keys pressed through the X server, pictures read back from the server's screen.
// A folder drive pinned in WIN.INI holds sparse files of 5 GiB beside small ones; it is logged
// and saved through the logging window, then searched through the wizard.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/browse/browse_controls.h"
#include "app/logging/log_disk_window.h"
#include "app/search/result_windows.h"
#include "app/search/search_wizard.h"
#include "tests/app/app_test_support.h"
#include "tests/e2e/x_display.h"

namespace fs = std::filesystem;

namespace {

using apptest::waitFor;
using e2e::au::Geometry;
namespace au = e2e::au;
using namespace searchwizard_feq;

constexpr int32_t kToolbarLog = -39, kToolbarSearch = -48;  // the buttons' panels
constexpr int32_t kExit = -3;                               // File > Exit
constexpr uint64_t k5GiB = 5368709120ULL;

std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// A window of the given label on whichever thread opened it.
uint64_t windowOnAnyThread(const char* label, int timeoutMs = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    for (int thread = 2; thread <= 20; ++thread)
      if (uint64_t w = au::findWindow(thread, label, 0)) return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (std::chrono::steady_clock::now() < end);
  return 0;
}

// Ends the program when the driver stops early (a failed assertion), so that the test ends.
struct ProgramEnd {
  uint64_t frame = 0;
  ~ProgramEnd() {
    if (!frame || !au::isOpen(frame)) return;
    au::answerMessageBox(KIV_BUTTON_OK, 0);
    au::endSession();
    au::waitClosed(frame, 20000);
  }
};

void expectReadable(const e2e::Screen& screen, const Geometry& where, const std::string& what) {
  EXPECT_GE(screen.colours(where), 3u) << what << " is one colour on the screen";
  EXPECT_GT(screen.darkPixels(where), 20u) << what << " shows no text";
}

class SearchOnADisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(e2e::XDisplay::instance().ready())
        << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh installs them)";
    letter = apptest::freeLetter();
    ASSERT_NE(letter, 0);
    char templ[] = "/tmp/kivsearch-XXXXXX";
    tree = mkdtemp(templ);
    settings = fs::path(dir.path()) / "config";
    fs::create_directories(settings / "kvrun32");
    setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    std::ofstream(settings / "kvrun32" / "WIN.INI") << "[Drives]\n"
                                                    << letter << "=" << tree.string() << "\n"
                                                    << letter << ".Label=SEARCHES\n";
    kiv::platform::reloadDrives();
    // Two films of 5 GiB (sparse), one just under 4 GiB, notes and pictures.
    for (const char* film : {"Films/summer.mkv", "Films/winter.mkv"}) {
      apptest::writeFile(tree / film, 0);
      EXPECT_EQ(truncate((tree / film).c_str(), off_t(k5GiB)), 0);
    }
    apptest::writeFile(tree / "Films" / "trailer.mkv", 0);
    EXPECT_EQ(truncate((tree / "Films" / "trailer.mkv").c_str(), off_t(4294967295LL)), 0);
    for (const char* note : {"notes.txt", "todo.txt", "Docs/readme.txt"})
      apptest::writeFile(tree / note, 120);
    apptest::writeFile(tree / "Pictures" / "beach.jpg", 3125);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(tree, ec);
    unsetenv("XDG_CONFIG_HOME");
    kiv::platform::reloadDrives();
  }

  e2e::Screen shot(const std::string& name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the server draw
    std::optional<e2e::Screen> screen = e2e::captureScreen();
    EXPECT_TRUE(screen.has_value()) << "xwd -root failed";
    if (!screen) return {};
    screen->savePng(e2e::shotsFolder() + "/" + name + ".png");
    return *screen;
  }
  void click(uint64_t w, int32_t feq) {
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, feq); })) << feq;
  }
  void clickRow(uint64_t w, int32_t list, int32_t row) {
    for (int attempt = 0; attempt < 5 && au::shownChoice(w, list) != row; ++attempt) {
      e2e::click(*au::rowOnScreen(w, list, row));
      waitFor([&] { return au::shownChoice(w, list) == row; }, 1000);
    }
    ASSERT_EQ(au::shownChoice(w, list), row);
  }

  // Step 1 of the wizard: files. A radio button takes clicks on its circle and its text.
  void chooseFiles(uint64_t w) {
    std::optional<Geometry> radio = au::onScreen(w, kFilesChoice);
    ASSERT_TRUE(radio.has_value());
    e2e::click({radio->x + 2, radio->y, 16, radio->height});
    ASSERT_TRUE(waitFor([&] { return au::shownChoice(w, kItemChoice) == 2; }));
  }

  // Logs the folder drive through the logging window and saves it.
  void logAndSaveTheDrive(uint64_t frame) {
    click(frame, kToolbarLog);
    uint64_t w = windowOnAnyThread("LOGDISK$WINDOW");
    ASSERT_NE(w, 0u);
    using namespace logdisk_feq;
    const std::string root = std::string(1, letter) + ":\\";
    int32_t row = 0;
    waitFor([&] {
      for (int32_t r = 1; r <= au::rowCount(w, kDriveList) && !row; ++r)
        if (trimmed(au::cell(w, kDriveList, r, 1)).rfind(root, 0) == 0) row = r;
      return row != 0;
    });
    ASSERT_GT(row, 0);
    clickRow(w, kDriveList, row);
    click(w, kLogButton);
    ASSERT_TRUE(waitFor([&] { return au::rowCount(w, kFileList) == 7; }, 30000));
    click(w, kSaveArea);
    ASSERT_TRUE(waitFor([&] { return au::statusText(frame, 3) == "7 files"; }, 30000));
    click(w, kCloseArea);
    ASSERT_TRUE(au::waitClosed(w, 20000));
  }

  // Opens the wizard with the toolbar's Search button.
  uint64_t openWizard(uint64_t frame) {
    click(frame, kToolbarSearch);
    uint64_t w = au::findWindow(1, "SEARCHWIZARD$WINDOW", 15000);
    EXPECT_NE(w, 0u) << "the search wizard did not open";
    if (w) waitFor([&] { return au::shownEnabled(w, kNext); });
    return w;
  }

  // Step 2 of the wizard: a field, an operator and a value, then on to the summary.
  void chooseAndType(uint64_t w, int32_t field, int32_t op, const std::string& value,
                     int32_t entry = kTextValue) {
    ASSERT_TRUE(waitFor([&] { return au::shownChoice(w, kSteps) == 2; }));
    clickRow(w, kFieldList, field);
    clickRow(w, kOperatorList, op);
    ASSERT_TRUE(waitFor([&] { return au::shownVisible(w, entry); }));
    click(w, entry);
    e2e::typeText(value);
    e2e::key("Tab");
    click(w, kNext);
    ASSERT_TRUE(waitFor([&] { return au::shownChoice(w, kSteps) == 3; }));
  }

  void exitThroughTheMenu(uint64_t frame) {
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    ASSERT_TRUE(waitFor([&] { return au::menuOnScreen().has_value(); }));
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    EXPECT_TRUE(au::waitClosed(frame, 20000));
  }

  kivtest::TempDir dir;  // the catalog's folder
  fs::path tree, settings;
  char letter = 0;
};

// The three steps with their pictures and texts, the blank value refused, a search for files
// above 4 GiB that finds the two films of 5 GiB, their details, a second search of files that
// starts from an empty result table, and a search of disks that finds nothing and still opens
// its window.
TEST_F(SearchOnADisplay, WizardStepsResultsAndSearchesInARow) {
  struct Seen {
    std::string picture1, picture2, picture3, third1, third3, blankCaption, blankText, summary;
    bool back1 = true, next3 = true;
    int32_t fields = 0, operators = 0;
    std::string found, firstSize, firstName, secondName;
    int32_t rows = 0;
    std::string attributesChecked, formSize;
    bool tableGone = false;
    std::string txtFound;
    int32_t txtRows = 0;
    std::string diskFound, diskFormLabel, diskFormTotal, filesCaption, printCaption, printPages;
    int32_t filesRows = 0;
    int32_t emptyRows = -1;
    bool moreDisabledWhenEmpty = false;
  } seen;

  apptest::runTarrow([&] {
    uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    ASSERT_NE(frame, 0u);
    ProgramEnd end{frame};
    logAndSaveTheDrive(frame);

    // Step 1.
    uint64_t w = openWizard(frame);
    ASSERT_NE(w, 0u);
    seen.picture1 = au::shownImageName(w, kStepPicture);
    seen.back1 = au::shownEnabled(w, kBack);
    seen.third1 = au::shown(w, kFinish);
    expectReadable(shot("search-wizard-step1"), *au::onScreen(w, kItemChoice), "step 1");
    chooseFiles(w);
    click(w, kNext);

    // Step 2: Next with no value is refused with a message.
    ASSERT_TRUE(waitFor([&] { return au::shownChoice(w, kSteps) == 2; }));
    seen.picture2 = au::shownImageName(w, kStepPicture);
    seen.fields = au::rowCount(w, kFieldList);
    seen.operators = au::rowCount(w, kOperatorList);
    click(w, kNext);
    ASSERT_TRUE(waitFor([&] { return au::messageBox().has_value(); }));
    seen.blankCaption = au::messageBox()->caption;
    seen.blankText = au::messageBox()->text;
    expectReadable(shot("search-wizard-blank-value"), *au::messageBoxOnScreen(), "the message");
    ASSERT_TRUE(e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_OK); }));
    EXPECT_EQ(au::shownChoice(w, kSteps), 2);
    clickRow(w, kFieldList, 8);     // size in bytes
    clickRow(w, kOperatorList, 3);  // is more than
    click(w, kTextValue);
    e2e::typeText("4294967296");
    shot("search-wizard-step2");
    click(w, kNext);

    // Step 3.
    ASSERT_TRUE(waitFor([&] { return au::shownChoice(w, kSteps) == 3; }));
    seen.picture3 = au::shownImageName(w, kStepPicture);
    seen.summary = au::shown(w, kSummary);
    seen.third3 = au::shown(w, kFinish);
    seen.next3 = au::shownEnabled(w, kNext);
    expectReadable(shot("search-wizard-step3"), *au::onScreen(w, kSummary), "the summary");
    click(w, kFinish);
    ASSERT_TRUE(au::waitClosed(w, 20000));

    // The files found.
    uint64_t r = windowOnAnyThread("BROWSEFILERESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    using namespace fileresults_feq;
    waitFor([&] { return au::rowCount(r, kList) == 2; });
    seen.found = trimmed(au::shown(r, kFound));
    seen.rows = au::rowCount(r, kList);
    if (seen.rows >= 2) {
      seen.firstName = trimmed(au::cell(r, kList, 1, 2));
      seen.firstSize = trimmed(au::cell(r, kList, 1, 5));
      seen.secondName = trimmed(au::cell(r, kList, 2, 2));
    }
    expectReadable(shot("search-file-results"), *au::onScreen(r, kList), "the file results");
    clickRow(r, kList, 1);
    click(r, kMore);
    uint64_t form = windowOnAnyThread("UPDATEFILERESULTS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    using namespace resultforms_feq;
    for (int32_t box : {kReadOnly, kArchive, kSystem, kHidden})
      seen.attributesChecked += au::shownChoice(form, box) ? "1" : "0";
    seen.formSize = trimmed(au::shown(form, 12));
    shot("search-file-properties");
    click(form, kFileOk);
    ASSERT_TRUE(au::waitClosed(form));
    click(r, fileresults_feq::kClose);
    ASSERT_TRUE(au::waitClosed(r, 20000));
    seen.tableGone = waitFor([&] { return !fs::exists(fs::path(dir.path()) / "TEMPFILES.ZPH"); });

    // A second search of files: only its own results.
    w = openWizard(frame);
    ASSERT_NE(w, 0u);
    chooseFiles(w);
    click(w, kNext);
    chooseAndType(w, 10, 1, "txt");  // type (extension) equals txt
    click(w, kFinish);
    r = windowOnAnyThread("BROWSEFILERESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    waitFor([&] { return au::rowCount(r, fileresults_feq::kList) == 3; });
    seen.txtRows = au::rowCount(r, fileresults_feq::kList);
    seen.txtFound = trimmed(au::shown(r, fileresults_feq::kFound));
    click(r, fileresults_feq::kClose);
    ASSERT_TRUE(au::waitClosed(r, 20000));

    // Disks: a label nobody has still opens the window, empty.
    using namespace diskresults_feq;
    w = openWizard(frame);
    ASSERT_NE(w, 0u);
    click(w, kNext);                         // disks are the first choice
    chooseAndType(w, 9, 1, "NO SUCH DISK");  // volume label equals
    click(w, kFinish);
    r = windowOnAnyThread("BROWSEDISKRESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    seen.emptyRows = au::rowCount(r, diskresults_feq::kList);
    seen.moreDisabledWhenEmpty = !au::shownEnabled(r, diskresults_feq::kMore);
    shot("search-disk-results-empty");
    click(r, diskresults_feq::kClose);
    ASSERT_TRUE(au::waitClosed(r, 20000));

    // Disks whose label begins with "search": the logged one, its details and the two
    // buttons that lead elsewhere.
    w = openWizard(frame);
    ASSERT_NE(w, 0u);
    click(w, kNext);
    chooseAndType(w, 9, 7, "search");
    click(w, kFinish);
    r = windowOnAnyThread("BROWSEDISKRESULTS$QUICKWINDOW");
    ASSERT_NE(r, 0u);
    waitFor([&] { return au::rowCount(r, diskresults_feq::kList) == 1; });
    seen.diskFound = trimmed(au::shown(r, diskresults_feq::kFound));
    expectReadable(shot("search-disk-results"), *au::onScreen(r, diskresults_feq::kList),
                   "the disk results");
    // Files: the browse of the disk's files, on a thread of its own.
    click(r, diskresults_feq::kFiles);
    const uint64_t someFiles = windowOnAnyThread("BROWSESOMEFILES$QUICKWINDOW");
    ASSERT_NE(someFiles, 0u);
    waitFor([&] { return au::rowCount(someFiles, browsefiles_feq::List) > 0; });
    seen.filesCaption = au::caption(someFiles);
    seen.filesRows = au::rowCount(someFiles, browsefiles_feq::List);
    click(someFiles, browsefiles_feq::Close);
    ASSERT_TRUE(au::waitClosed(someFiles, 20000));
    // Print: the report of the disk's files, in its preview, left with Exit.
    click(r, diskresults_feq::kPrint);
    const uint64_t preview = windowOnAnyThread("REPORTPREVIEW$PREVIEW:WINDOW");
    ASSERT_NE(preview, 0u);
    waitFor([&] { return !au::statusText(preview, 2).empty(); });
    seen.printCaption = au::caption(preview);
    seen.printPages = au::statusText(preview, 2);
    click(preview, 18);  // Exit
    ASSERT_TRUE(au::waitClosed(preview, 20000));
    click(r, diskresults_feq::kMore);
    form = windowOnAnyThread("UPDATEDISKSRESULTS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    seen.diskFormLabel = trimmed(au::shown(form, 8));
    seen.diskFormTotal = trimmed(au::shown(form, 22));
    shot("search-disk-properties");
    click(form, kDiskOk);
    ASSERT_TRUE(au::waitClosed(form));
    click(r, diskresults_feq::kClose);
    ASSERT_TRUE(au::waitClosed(r, 20000));
    exitThroughTheMenu(frame);
  });

  EXPECT_EQ(seen.picture1, "~ROLBRWS.BMP");
  EXPECT_EQ(seen.picture2, "~PPRFORM.BMP");
  EXPECT_EQ(seen.picture3, "~WINBRWS.BMP");
  EXPECT_FALSE(seen.back1);
  EXPECT_EQ(seen.third1, "Cancel");
  EXPECT_EQ(seen.fields, 10);
  EXPECT_EQ(seen.operators, 10);
  EXPECT_EQ(seen.blankCaption, "");
  EXPECT_EQ(seen.blankText, "The search value cannot be empty!");
  EXPECT_EQ(seen.summary,
            "Search will be performed for file size in bytes is more than 4294967296.");
  EXPECT_EQ(seen.third3, "Finish");
  EXPECT_FALSE(seen.next3);

  EXPECT_EQ(seen.found, "2 files found by query");
  EXPECT_EQ(seen.rows, 2);
  EXPECT_EQ(seen.firstName, "SUMMER.MKV");
  EXPECT_EQ(seen.secondName, "WINTER.MKV");
  EXPECT_EQ(seen.firstSize, "5,368,709,120");
  EXPECT_EQ(seen.attributesChecked, "0100");  // an ordinary file: archive only
  EXPECT_EQ(seen.formSize, "5,368,709,120");
  EXPECT_TRUE(seen.tableGone);

  EXPECT_EQ(seen.txtRows, 3);
  EXPECT_EQ(seen.txtFound, "3 files found by query");

  EXPECT_EQ(seen.emptyRows, 0);
  EXPECT_TRUE(seen.moreDisabledWhenEmpty);
  EXPECT_EQ(seen.diskFound, "1");
  EXPECT_EQ(seen.diskFormLabel, "SEARCHES");
  EXPECT_FALSE(seen.diskFormTotal.empty());
  EXPECT_EQ(seen.filesCaption, "Browse Files for Selected Disk");
  EXPECT_EQ(seen.filesRows, 7);  // every file of the logged disk
  EXPECT_EQ(seen.printCaption, "Report Preview");
  EXPECT_EQ(seen.printPages, "Page 1 of 1");
}

}  // namespace
