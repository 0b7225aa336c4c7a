// The browse and update windows as a user meets them: tarrow on an X display with a window
// manager, the pointer moved and the keys pressed through the X server, pictures read back from
// the server's screen. The catalog is made before the program starts, as an earlier session of
// logging would have left it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/browse/browse_controls.h"
#include "app/logging/log_disk_window.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"
#include "tests/app/app_test_support.h"
#include "tests/app/reports/report_test_support.h"
#include "tests/e2e/x_display.h"

namespace fs = std::filesystem;

namespace {

using apptest::waitFor;
using e2e::au::Geometry;
namespace au = e2e::au;

constexpr int32_t kToolbarDisks = -42, kToolbarFiles = -45, kToolbarLog = -39;
constexpr int32_t kExit = -3;             // File > Exit
constexpr int32_t kDiskLabelsMenu = -31;  // Reports > Disk Labels

std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// A disk of the catalog as the tests make it.
struct DiskSpec {
  int32_t id;
  std::string label, category, type;
  uint64_t totalGb, freeGb;
  std::string userNum, comment;
  int32_t files = 0;
};

// A rectangle of the screen that holds something readable.
void expectReadable(const e2e::Screen& screen, const Geometry& where, const std::string& what) {
  EXPECT_GE(screen.colours(where), 3u) << what << " is one colour on the screen";
  EXPECT_GT(screen.darkPixels(where), 20u) << what << " shows no text";
}

class Browses : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(e2e::XDisplay::instance().ready())
        << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh installs them)";
    settings = fs::path(dir.path()) / "config";
    fs::create_directories(settings / "kvrun32");
    setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    std::ofstream(settings / "kvrun32" / "WIN.INI") << "[Drives]\n";
    kiv::platform::reloadDrives();
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    kiv::platform::reloadDrives();
  }

  // ---- the catalog, made before the program starts ----

  static void addDisk(const DiskSpec& d) {
    CatalogUse disks(Disks, DisksUseCount);
    CatalogUse files(Files, FilesUseCount);
    Disks.rec.clear();
    Disks.rec.IdNum = d.id;
    Disks.rec.Label = d.label;
    Disks.rec.Category = d.category;
    Disks.rec.Type = d.type;
    Disks.rec.TotalBytes.setWhole(d.totalGb << 30);
    Disks.rec.FreeSpace.setWhole(d.freeGb << 30);
    Disks.rec.UserNum = d.userNum;
    Disks.rec.Comments = d.comment;
    Disks.rec.SerialNo = "1A2B-" + std::to_string(1000 + d.id);
    Disks.rec.Files = d.files;
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0) << d.id;
    for (int32_t f = 1; f <= d.files; ++f) {
      Files.rec.clear();
      Files.rec.DiskId = d.id;
      const std::string name = "FILE" + std::to_string(f) + ".TXT";
      Files.rec.ShortName = name;
      Files.rec.LongName = name;
      Files.rec.Path = "C:\\DATA\\" + name;
      Files.rec.Type = "TXT";
      Files.rec.Size.setWhole(uint64_t(f) * 1000);
      Files.rec.Attrib = ".A..";
      Files.rec.DisplayDate = 80000 + f;
      Files.add();
      ASSERT_EQ(kiv::errorCode(), 0);
    }
  }
  static void addCategory(const std::string& name) {
    CatalogUse category(Category, CategoryUseCount);
    Category.rec.Name = name;
    Category.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  // A dozen disks of every drive type, with made-up sizes up to 30 TB.
  static void addDozenDisks() {
    const DiskSpec disks[] = {
        {1, "SYSTEM", "WORK", "F", 512, 201, "A-100", "The laptop's own disk", 3},
        {2, "PHOTOS2019", "PHOTOS", "R", 64, 3, "B-7", "Camera card", 2},
        {3, "WIN95CD", "SOFTWARE", "C", 0, 0, "", "Installation CD", 1},
        {4, "NASBACKUP", "BACKUP", "N", 30000, 12345, "N-1", "Nightly backup share", 0},
        {5, "RAMDRIVE", "WORK", "V", 2, 1, "", "Scratch", 0},
        {6, "MUSIC", "MUSIC", "R", 128, 40, "B-12", "", 4},
        {7, "ARCHIVE01", "BACKUP", "F", 4000, 1500, "A-3", "Old projects", 0},
        {8, "GAMES", "GAMES", "C", 1, 0, "C-1", "", 0},
        {9, "FLOPPY01", "SOFTWARE", "R", 0, 0, "F-1", "Drivers", 0},
        {10, "VIDEO", "VIDEO", "F", 8000, 300, "A-9", "Films", 0},
        {11, "SCANS", "PHOTOS", "N", 500, 250, "", "Scanner share", 0},
        {12, "LEGACY", "", "U", 20, 5, "Z-0", "Found in a drawer", 0},
    };
    for (const DiskSpec& d : disks) addDisk(d);
    for (const char* c : {"BACKUP", "GAMES", "MUSIC", "PHOTOS", "SOFTWARE", "VIDEO", "WORK"})
      addCategory(c);
  }

  // ---- the program, driven through the display ----

  // Saves a picture of the screen under `name` and gives it.
  e2e::Screen shot(const std::string& name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    std::optional<e2e::Screen> screen = e2e::captureScreen();
    EXPECT_TRUE(screen.has_value()) << "xwd -root failed";
    if (!screen) return {};
    screen->savePng(e2e::shotsFolder() + "/" + name + ".png");
    return *screen;
  }
  // The newest window with this label on any thread the program started.
  static uint64_t windowOf(const std::string& label, int timeoutMs = 15000) {
    uint64_t w = 0;
    waitFor(
        [&] {
          for (int t = 2; t <= 12 && !w; ++t) w = au::findWindow(t, label, 0);
          return w != 0;
        },
        timeoutMs);
    return w;
  }
  static void click(uint64_t w, int32_t feq) {
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, feq); })) << feq;
  }
  static void clickRow(uint64_t w, int32_t row, int32_t list = 1) {
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::rowOnScreen(w, list, row); })) << row;
    waitFor([&] { return au::shownChoice(w, list) == row; }, 3000);
  }
  static void doubleClickRow(uint64_t w, int32_t row, int32_t list = 1) {
    std::optional<Geometry> g;
    ASSERT_TRUE(waitFor([&] { return (g = au::rowOnScreen(w, list, row)).has_value(); }));
    e2e::moveTo(*g);
    e2e::runProgram({"xdotool", "click", "--repeat", "2", "--delay", "60", "1"});
  }
  // Presses the message box's button; gives the box's text.
  static std::string answer(uint32_t button) {
    std::string text;
    if (!waitFor([&] { return au::messageBox().has_value(); }, 15000)) return "<no message box>";
    text = au::messageBox()->caption + "|" + au::messageBox()->text;
    EXPECT_TRUE(e2e::clickWhenShown([&] { return au::messageBoxOnScreen(button); })) << text;
    waitFor([] { return !au::messageBox(0).has_value(); }, 5000);
    return text;
  }
  // Clicks into an entry, selects what it holds and types `text` over it.
  static void typeInto(uint64_t w, int32_t feq, const std::string& text) {
    click(w, feq);
    e2e::key("ctrl+a");
    e2e::typeText(text);
  }
  static std::string cell(uint64_t w, int32_t row, int32_t column, int32_t list = 1) {
    return trimmed(au::cell(w, list, row, column));
  }
  // The report preview a print command ends in (after its progress window): its caption and
  // every text its pages drew, joined by "|"; left with the Exit button. A report without
  // records shows no preview:
  // "<no preview>" when none came within `ms` milliseconds.
  std::string previewShown(int ms = 30000) {
    const uint64_t preview = reporttest::findAnyWindow(reporttest::kPreview, ms);
    if (!preview) return "<no preview>";
    waitFor([&] { return !au::statusText(preview, 2).empty(); }, 15000);
    std::string seen = au::caption(preview);
    for (const auto& page : reporttest::pagesOf(preview))
      for (const auto& r : page->records)
        if (r.kind == kiv::report::DrawRecord::Kind::Text) seen += "|" + trimmed(r.text);
    shot("report-preview-from-browse");
    EXPECT_TRUE(
        e2e::clickWhenShown([&] { return au::onScreen(preview, reporttest::kExitButton); }));
    EXPECT_TRUE(au::waitClosed(preview, 10000));
    return seen;
  }
  static std::vector<std::string> column(uint64_t w, int32_t col, int32_t list = 1) {
    std::vector<std::string> out;
    for (int32_t r = 1; r <= au::rowCount(w, list); ++r) out.push_back(cell(w, r, col, list));
    return out;
  }
  // Opens the menu that holds the item with a click on its title (again, should the menu not
  // stay open: the splash window may take the focus at the start), then clicks the item.
  static void chooseMenuItem(uint64_t frame, int32_t item) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, item); }));
      if (waitFor([&] { return au::menuOnScreen().has_value(); }, 2000)) break;
    }
    ASSERT_TRUE(au::menuOnScreen().has_value());
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, item); }));
  }
  // Answers the message box on show with Cancel, No or OK, whichever it has.
  static void dismissBox() {
    for (uint32_t b : {KIV_BUTTON_CANCEL, KIV_BUTTON_NO, KIV_BUTTON_OK})
      if (au::answerMessageBox(b, 100)) return;
  }
  void exitThroughTheMenu(uint64_t frame) {
    // A step that failed may have left a message box open: it goes first.
    while (au::messageBox(200)) dismissBox();
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    ASSERT_TRUE(waitFor([&] { return au::menuOnScreen().has_value(); }));
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(frame, kExit); }));
    EXPECT_TRUE(au::waitClosed(frame, 20000));
  }
  // Runs the program; `drive` gets its frame and must leave its own windows closed.
  void run(const std::function<void(uint64_t)>& drive) {
    apptest::runTarrow([&] {
      const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
      ASSERT_NE(frame, 0u);
      drive(frame);
      exitThroughTheMenu(frame);
      // Should the menu not end it (a window that will not close), the frame is closed, and
      // every question asked on the way answered with its default.
      for (int i = 0; i < 50 && au::isOpen(frame); ++i) {
        while (au::messageBox(100)) dismissBox();
        au::requestClose(frame);
        au::waitClosed(frame, 200);
      }
    });
  }
  uint64_t openDiskBrowse(uint64_t frame) {
    click(frame, kToolbarDisks);
    const uint64_t w = windowOf("BROWSEDISK$QUICKWINDOW");
    EXPECT_NE(w, 0u);
    waitFor([&] { return au::rowCount(w, 1) > 0; });
    return w;
  }

  kivtest::TempDir dir;  // the catalog's folder
  fs::path settings;
};

using namespace browsedisk_feq;

// The catalog's disks in each of the five sort orders, chosen on the sheet's tabs; a picture of
// the browse with a dozen disks of every drive type.
TEST_F(Browses, DisksInEverySortOrder) {
  addDozenDisks();
  std::map<int32_t, std::vector<std::string>> firstColumns;  // by tab: the column it sorts by
  std::vector<std::string> ids, totals, frees;
  bool disabledWhileOpen = false, enabledAfter = false;
  run([&](uint64_t frame) {
    const uint64_t w = openDiskBrowse(frame);
    ASSERT_NE(w, 0u);
    disabledWhileOpen = !au::shownEnabled(frame, kToolbarDisks) && !au::shownEnabled(frame, -11);
    ids = column(w, 1);
    totals = column(w, 4);
    frees = column(w, 5);
    clickRow(w, 4);
    e2e::Screen screen = shot("browse-disks");
    expectReadable(screen, *au::onScreen(w, List), "the disk list");
    struct Tab {
      int32_t tab, column;
    };
    for (const Tab& t : {Tab{31, 2}, Tab{32, 3}, Tab{33, 5}, Tab{34, 8}, Tab{30, 1}}) {
      click(w, t.tab);
      waitFor([&] { return au::shownChoice(w, Sheet) == t.tab - 29; });
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      firstColumns[t.tab] = column(w, t.column);
    }
    click(w, Close);
    EXPECT_TRUE(au::waitClosed(w, 10000));
    enabledAfter = waitFor([&] { return au::shownEnabled(frame, kToolbarDisks); });
  });
  EXPECT_TRUE(disabledWhileOpen);
  EXPECT_TRUE(enabledAfter);
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11",
                                           "12"}));
  // Sizes in full, in megabytes.
  EXPECT_EQ(totals[0], "524,288.00MB");
  EXPECT_EQ(totals[3], "30,720,000.00MB");
  EXPECT_EQ(frees[3], "12,641,280.00MB");
  EXPECT_EQ(
      firstColumns[31],
      (std::vector<std::string>{"ARCHIVE01", "FLOPPY01", "GAMES", "LEGACY", "MUSIC", "NASBACKUP",
                                "PHOTOS2019", "RAMDRIVE", "SCANS", "SYSTEM", "VIDEO", "WIN95CD"}));
  // By category: disks without a category are left out of the key.
  EXPECT_EQ(firstColumns[32],
            (std::vector<std::string>{"BACKUP", "BACKUP", "GAMES", "MUSIC", "PHOTOS", "PHOTOS",
                                      "SOFTWARE", "SOFTWARE", "VIDEO", "WORK", "WORK"}));
  EXPECT_EQ(firstColumns[33].front(), "0.00MB");
  EXPECT_EQ(firstColumns[33].back(), "12,641,280.00MB");
  EXPECT_EQ(firstColumns[34], (std::vector<std::string>{"A-100", "A-3", "A-9", "B-12", "B-7", "C-1",
                                                        "F-1", "N-1", "Z-0"}));
  EXPECT_EQ(firstColumns[30].front(), "1");
}

// Paging at both ends of a table longer than the page, the thumb, PageDown three rows before
// the end, and locating by typing into the list in the label order.
TEST_F(Browses, PagingThumbAndTypingToLocate) {
  constexpr int32_t kDisks = 64;
  std::vector<std::pair<std::string, int32_t>> byLabel;  // the label order, worked out here
  for (int32_t id = 1; id <= kDisks; ++id) {
    std::string label =
        std::string(1, char('A' + id % 26)) + char('A' + (id * 7) % 26) + std::to_string(id);
    addDisk({id, label, "", "F", 10, 5, "", "", 0});
    byLabel.emplace_back(label, id);
  }
  std::sort(byLabel.begin(), byLabel.end());
  auto firstLabelFrom = [&](const std::string& from) {
    for (const auto& [label, id] : byLabel)
      if (label >= from) return label;
    return std::string();
  };

  int32_t page = 0, thumbAtTop = -2, thumbAtBottom = -2;
  std::vector<std::string> bottomIds, beforePageDown, afterPageDown, topIds;
  int32_t selectedAfterPageDown = 0, selectedAtBottom = 0;
  std::string afterA, afterAB, afterBackspace, beyond;
  int32_t beyondRow = 0, beyondRows = 0;
  run([&](uint64_t frame) {
    const uint64_t w = openDiskBrowse(frame);
    ASSERT_NE(w, 0u);
    page = au::rowCount(w, List);
    ASSERT_GT(page, 4);
    ASSERT_LT(page, kDisks);
    clickRow(w, 1);
    thumbAtTop = au::shownThumb(w, List);
    e2e::key("ctrl+Next");  // ScrollBottom
    waitFor([&] { return cell(w, page, 1) == std::to_string(kDisks); });
    bottomIds = column(w, 1);
    selectedAtBottom = au::shownChoice(w, List);
    thumbAtBottom = au::shownThumb(w, List);
    shot("browse-disks-bottom");
    // Up to the first row of the page, then three rows further: the page ends three rows
    // before the end of the table.
    for (int32_t i = 0; i < page - 1 + 3; ++i) e2e::key("Up");
    waitFor([&] { return cell(w, page, 1) == std::to_string(kDisks - 3); });
    beforePageDown = column(w, 1);
    e2e::key("Next");  // PageDown
    waitFor([&] { return cell(w, page, 1) == std::to_string(kDisks); });
    afterPageDown = column(w, 1);
    selectedAfterPageDown = au::shownChoice(w, List);
    e2e::key("ctrl+Prior");  // ScrollTop
    waitFor([&] { return cell(w, 1, 1) == "1"; });
    topIds = column(w, 1);

    // The label order, and typing into the list.
    click(w, 31);
    waitFor([&] { return cell(w, 1, 2) == byLabel[0].first; });
    clickRow(w, 2);
    auto selectedLabel = [&] { return cell(w, au::shownChoice(w, List), 2); };
    e2e::typeText("a");
    waitFor([&] { return selectedLabel() == firstLabelFrom("A"); });
    afterA = selectedLabel();
    e2e::typeText("b");
    waitFor([&] { return selectedLabel() == firstLabelFrom("AB"); });
    afterAB = selectedLabel();
    shot("browse-disks-locator");
    e2e::key("BackSpace");
    waitFor([&] { return selectedLabel() == firstLabelFrom("A"); });
    afterBackspace = selectedLabel();
    e2e::key("BackSpace");
    e2e::typeText("zzz");
    // The first "z" already reaches the last row; the two after it refill the page again.
    waitFor([&] { return selectedLabel() == byLabel.back().first; });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    waitFor([&] { return (beyond = selectedLabel()) == byLabel.back().first; });
    beyondRow = au::shownChoice(w, List);
    beyondRows = au::rowCount(w, List);
    click(w, Close);
    EXPECT_TRUE(au::waitClosed(w, 10000));
  });
  ASSERT_GT(page, 4);
  auto ids = [](int32_t first, int32_t n) {
    std::vector<std::string> v;
    for (int32_t i = 0; i < n; ++i) v.push_back(std::to_string(first + i));
    return v;
  };
  EXPECT_EQ(thumbAtTop, 0);
  EXPECT_EQ(bottomIds, ids(kDisks - page + 1, page));
  EXPECT_EQ(selectedAtBottom, page);
  EXPECT_GE(thumbAtBottom, 95);
  EXPECT_EQ(beforePageDown, ids(kDisks - page - 2, page));
  EXPECT_EQ(afterPageDown, ids(kDisks - page + 1, page));  // shifted by three
  EXPECT_EQ(selectedAfterPageDown, 1 + page - 3);          // the selection by the rest
  EXPECT_EQ(topIds, ids(1, page));
  EXPECT_EQ(afterA, firstLabelFrom("A"));
  EXPECT_EQ(afterAB, firstLabelFrom("AB"));
  EXPECT_NE(afterAB, afterA);
  EXPECT_EQ(afterBackspace, firstLabelFrom("A"));
  EXPECT_EQ(beyond, byLabel.back().first);  // beyond the last key: the last page, last row
  EXPECT_EQ(beyondRow, beyondRows);
  EXPECT_EQ(beyondRows, page);
}

// A disk added by hand (after an insert that was cancelled and left nothing), changed, given a
// new ID (its files move with it) and deleted (its files go with it); the pop-up menu; the
// print button until printing comes with the reports.
TEST_F(Browses, DiskFormAddChangeAndDelete) {
  addDisk({1, "SYSTEM", "WORK", "F", 512, 201, "A-1", "Main disk", 3});
  addDisk({2, "CARD", "PHOTOS", "R", 64, 60, "", "", 2});
  addDisk({3, "EMPTY", "", "C", 0, 0, "", "", 0});
  std::string addCaption, cancelledId, newId, changeCaption, popupItems, deleteBox, printed,
      printedEmpty;
  std::vector<std::string> labelsAfter, idsAfter;
  int32_t rowsAfterCancel = 0;
  run([&](uint64_t frame) {
    const uint64_t w = openDiskBrowse(frame);
    ASSERT_NE(w, 0u);
    // Cancelled insert.
    click(w, NewDisk);
    uint64_t form = windowOf("UPDATEDISKS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    // The form names what it does once it has opened.
    waitFor([&] { return au::caption(form) == "Adding a Disks Record"; });
    addCaption = au::caption(form);
    cancelledId = trimmed(au::shown(form, updatedisks_feq::Id));
    typeInto(form, updatedisks_feq::Label, "NOTKEPT");
    click(form, updatedisks_feq::Cancel);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor([&] { return au::rowCount(w, List) == 3; });
    rowsAfterCancel = au::rowCount(w, List);
    // Insert.
    click(w, NewDisk);
    form = windowOf("UPDATEDISKS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    newId = trimmed(au::shown(form, updatedisks_feq::Id));
    typeInto(form, updatedisks_feq::Label, "HANDMADE");
    typeInto(form, updatedisks_feq::Category, "WORK");
    click(form, updatedisks_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor([&] { return au::rowCount(w, List) == 4; });
    // Change: a double click opens the form on the disk; the pie shows its use.
    doubleClickRow(w, 1);
    form = windowOf("UPDATEDISKS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    waitFor([&] { return au::caption(form) == "Changing a Disks Record"; });
    changeCaption = au::caption(form);
    e2e::Screen screen = shot("update-disks");
    expectReadable(screen, *au::onScreen(form, updatedisks_feq::Label), "the label entry");
    // The pie is red and green inside its frame.
    const Geometry pie = *au::onScreen(form, updatedisks_feq::Pie);
    EXPECT_GE(screen.colours(pie), 3u);
    typeInto(form, updatedisks_feq::Id, "99");
    typeInto(form, updatedisks_feq::Label, "MAINDISK");
    click(form, updatedisks_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor([&] { return cell(w, 4, 1) == "99"; });
    // The pop-up menu of a row: Change.
    std::optional<Geometry> row2 = au::rowOnScreen(w, List, 1);
    ASSERT_TRUE(row2.has_value());
    e2e::moveTo(*row2);
    e2e::runProgram({"xdotool", "click", "3"});
    popupItems = au::popupItems();
    au::answerPopup(2);
    form = windowOf("UPDATEDISKS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    typeInto(form, updatedisks_feq::Label, "CARD2");
    click(form, updatedisks_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor([&] { return cell(w, 1, 2) == "CARD2"; });
    // Delete with the Delete key, confirmed.
    clickRow(w, 1);
    e2e::key("Delete");
    deleteBox = answer(KIV_BUTTON_OK);
    waitFor([&] { return au::rowCount(w, List) == 3; });
    // Printing one disk's files: MAINDISK's three; EMPTY has none and so no report.
    clickRow(w, 3);
    click(w, Print);
    printed = previewShown();
    clickRow(w, 1);
    click(w, Print);
    printedEmpty = previewShown(5000);
    labelsAfter = column(w, 2);
    idsAfter = column(w, 1);
    click(w, Close);
    EXPECT_TRUE(au::waitClosed(w, 10000));
  });
  EXPECT_EQ(addCaption, "Adding a Disks Record");
  EXPECT_EQ(cancelledId, "4");
  EXPECT_EQ(rowsAfterCancel, 3);
  EXPECT_EQ(newId, "4");  // the cancelled insert left no record and no gap
  EXPECT_EQ(changeCaption, "Changing a Disks Record");
  EXPECT_EQ(popupItems, "&Insert|&Change|&Delete|-|&Select");
  EXPECT_EQ(deleteBox.substr(0, deleteBox.find('|')), "Confirm Delete");
  // The selected disk's files in the report's preview.
  EXPECT_EQ(printed.substr(0, printed.find('|')), "Report Preview") << printed;
  EXPECT_NE(printed.find("|MAINDISK|"), std::string::npos) << printed;
  EXPECT_EQ(printedEmpty, "<no preview>");
  EXPECT_EQ(idsAfter, (std::vector<std::string>{"3", "4", "99"}));
  EXPECT_EQ(labelsAfter, (std::vector<std::string>{"EMPTY", "HANDMADE", "MAINDISK"}));

  // The files went with their disks: disk 1's three to 99, disk 2's two deleted.
  std::map<int32_t, int32_t> filesOf;
  for (const auto& [path, f] : apptest::storedFiles()) ++filesOf[f.disk];
  EXPECT_EQ(filesOf, (std::map<int32_t, int32_t>{{99, 3}}));
  std::vector<DisksRecord> disks = apptest::storedDisks();
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[1].Category.str(), "WORK");
}

// Categories through the picker of the disk form: one added, one renamed (its disks take the
// new name, whatever the letter case they had it in), one in use that cannot be deleted
// (warning 13), one deleted; then the picker of the logging window.
TEST_F(Browses, CategoriesAndThePickers) {
  addCategory("JAZZ");
  addCategory("MUSIC");
  addDisk({1, "ONE", "MUSIC", "R", 1, 1, "", "", 0});
  addDisk({2, "TWO", "Music", "R", 1, 1, "", "", 0});
  addDisk({3, "THREE", "JAZZ", "R", 1, 1, "", "", 0});
  addDisk({4, "FOUR", "MUSICAL", "R", 1, 1, "", "", 0});
  std::vector<std::string> afterAdd, afterRename, afterDeletes;
  std::string inUseBox, formCategory, loggingCategory;
  run([&](uint64_t frame) {
    const uint64_t w = openDiskBrowse(frame);
    ASSERT_NE(w, 0u);
    doubleClickRow(w, 3);
    const uint64_t form = windowOf("UPDATEDISKS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    click(form, updatedisks_feq::CategoryButton);
    const uint64_t picker = windowOf("SELECTCATEGORY$QUICKWINDOW");
    ASSERT_NE(picker, 0u);
    waitFor([&] { return au::rowCount(picker, category_feq::List) == 2; });
    // Add.
    click(picker, category_feq::Insert);
    uint64_t cform = windowOf("CATEGORYFORM$QUICKWINDOW");
    ASSERT_NE(cform, 0u);
    typeInto(cform, category_feq::Name, "FILMS");
    click(cform, category_feq::Ok);
    ASSERT_TRUE(au::waitClosed(cform, 10000));
    waitFor([&] { return au::rowCount(picker, category_feq::List) == 3; });
    afterAdd = column(picker, 1, category_feq::List);
    // Rename MUSIC.
    clickRow(picker, 3, category_feq::List);
    click(picker, category_feq::Change);
    cform = windowOf("CATEGORYFORM$QUICKWINDOW");
    ASSERT_NE(cform, 0u);
    typeInto(cform, category_feq::Name, "AUDIO");
    click(cform, category_feq::Ok);
    ASSERT_TRUE(au::waitClosed(cform, 10000));
    waitFor([&] { return cell(picker, 1, 1, category_feq::List) == "AUDIO"; });
    afterRename = column(picker, 1, category_feq::List);
    // JAZZ is in use.
    clickRow(picker, 3, category_feq::List);
    click(picker, category_feq::Delete);
    EXPECT_NE(answer(KIV_BUTTON_OK).find("Confirm Delete"), std::string::npos);
    inUseBox = answer(KIV_BUTTON_OK);
    // FILMS is not.
    clickRow(picker, 2, category_feq::List);
    click(picker, category_feq::Delete);
    answer(KIV_BUTTON_OK);
    waitFor([&] { return au::rowCount(picker, category_feq::List) == 2; });
    afterDeletes = column(picker, 1, category_feq::List);
    // Choose AUDIO for disk 3.
    doubleClickRow(picker, 1, category_feq::List);
    if (!au::waitClosed(picker, 10000)) shot("debug-picker");
    ASSERT_TRUE(au::waitClosed(picker, 100));
    waitFor([&] { return trimmed(au::shown(form, updatedisks_feq::Category)) == "AUDIO"; });
    formCategory = trimmed(au::shown(form, updatedisks_feq::Category));
    shot("debug-form-after-picker");
    click(form, updatedisks_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    click(w, Close);
    ASSERT_TRUE(au::waitClosed(w, 10000));

    // The logging window's category button opens the same picker.
    click(frame, kToolbarLog);
    const uint64_t log = windowOf("LOGDISK$WINDOW");
    ASSERT_NE(log, 0u);
    click(log, logdisk_feq::kCategoryButton);
    const uint64_t picker2 = windowOf("SELECTCATEGORY$QUICKWINDOW");
    ASSERT_NE(picker2, 0u);
    waitFor([&] { return au::rowCount(picker2, category_feq::List) == 2; });
    shot("select-category");
    doubleClickRow(picker2, 2, category_feq::List);
    ASSERT_TRUE(au::waitClosed(picker2, 10000));
    waitFor([&] { return !trimmed(au::shown(log, logdisk_feq::kCategory)).empty(); });
    loggingCategory = trimmed(au::shown(log, logdisk_feq::kCategory));
    click(log, logdisk_feq::kCloseArea);
    ASSERT_TRUE(au::waitClosed(log, 10000));
  });
  EXPECT_EQ(afterAdd, (std::vector<std::string>{"FILMS", "JAZZ", "MUSIC"}));
  EXPECT_EQ(afterRename, (std::vector<std::string>{"AUDIO", "FILMS", "JAZZ"}));
  EXPECT_EQ(inUseBox,
            "Referential Integrity Delete Error|This record is referenced from the file Disks.  "
            "This record cannot be deleted while these references exist.");
  EXPECT_EQ(afterDeletes, (std::vector<std::string>{"AUDIO", "JAZZ"}));
  EXPECT_EQ(formCategory, "AUDIO");
  EXPECT_EQ(loggingCategory, "JAZZ");
  std::map<int32_t, std::string> categories;
  for (const DisksRecord& d : apptest::storedDisks()) categories[d.IdNum] = d.Category.str();
  EXPECT_EQ(categories, (std::map<int32_t, std::string>{
                            {1, "AUDIO"}, {2, "AUDIO"}, {3, "AUDIO"}, {4, "MUSICAL"}}));
}

// One disk's files from the disk browse, every file in the files browse and its orders, and a
// file added, changed and deleted through the file form.
TEST_F(Browses, FilesBrowsesAndTheFileForm) {
  addDisk({1, "SYSTEM", "WORK", "F", 512, 201, "", "", 3});
  addDisk({2, "CARD", "PHOTOS", "R", 64, 60, "", "", 2});
  std::vector<std::string> oneDisk, allFiles, bySize, afterAdd;
  std::string comment, deleteBox;
  int32_t rowsAfterDelete = 0;
  run([&](uint64_t frame) {
    const uint64_t disks = openDiskBrowse(frame);
    ASSERT_NE(disks, 0u);
    clickRow(disks, 2);
    click(disks, ShowFiles);
    const uint64_t some = windowOf("BROWSESOMEFILES$QUICKWINDOW");
    ASSERT_NE(some, 0u);
    waitFor([&] { return au::rowCount(some, browsefiles_feq::List) == 2; });
    oneDisk = column(some, 2);
    click(some, browsefiles_feq::Close);
    ASSERT_TRUE(au::waitClosed(some, 10000));
    click(disks, Close);
    ASSERT_TRUE(au::waitClosed(disks, 10000));

    click(frame, kToolbarFiles);
    const uint64_t w = windowOf("BROWSEFILES$QUICKWINDOW");
    ASSERT_NE(w, 0u);
    waitFor([&] { return au::rowCount(w, browsefiles_feq::List) == 5; });
    allFiles = column(w, 3);
    clickRow(w, 2);
    e2e::Screen screen = shot("browse-files");
    expectReadable(screen, *au::onScreen(w, browsefiles_feq::List), "the file list");
    click(w, 32);  // Sort by Size
    waitFor([&] { return au::shownChoice(w, browsefiles_feq::Sheet) == 3; });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    bySize = column(w, 6);
    click(w, 30);  // by name again
    waitFor([&] { return au::shownChoice(w, browsefiles_feq::Sheet) == 1; });
    // Add.
    click(w, browsefiles_feq::Insert);
    uint64_t form = windowOf("UPDATEFILES$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    typeInto(form, updatefiles_feq::DiskId, "2");
    typeInto(form, updatefiles_feq::ShortName, "ADDED.TXT");
    typeInto(form, updatefiles_feq::LongName, "Added by hand.txt");
    click(form, updatefiles_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor([&] { return au::rowCount(w, browsefiles_feq::List) == 6; });
    afterAdd = column(w, 3);
    // Change the comment of the first file.
    doubleClickRow(w, 1);
    form = windowOf("UPDATEFILES$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    typeInto(form, updatefiles_feq::Comment, "checked by hand");
    click(form, updatefiles_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor(
        [&] { return au::shown(w, browsefiles_feq::Path).find("checked") != std::string::npos; });
    comment = au::shown(w, browsefiles_feq::Path);
    // Delete it.
    clickRow(w, 1);
    click(w, browsefiles_feq::Delete);
    deleteBox = answer(KIV_BUTTON_OK);
    waitFor([&] { return au::rowCount(w, browsefiles_feq::List) == 5; });
    rowsAfterDelete = au::rowCount(w, browsefiles_feq::List);
    click(w, browsefiles_feq::Close);
    ASSERT_TRUE(au::waitClosed(w, 10000));
  });
  EXPECT_EQ(oneDisk, (std::vector<std::string>{"FILE1.TXT", "FILE2.TXT"}));
  EXPECT_EQ(allFiles, (std::vector<std::string>{"FILE1.TXT", "FILE1.TXT", "FILE2.TXT", "FILE2.TXT",
                                                "FILE3.TXT"}));
  EXPECT_EQ(bySize, (std::vector<std::string>{"1,000", "1,000", "2,000", "2,000", "3,000"}));
  EXPECT_EQ(afterAdd.front(), "ADDED.TXT");
  EXPECT_NE(comment.find("checked by hand"), std::string::npos);
  EXPECT_EQ(rowsAfterDelete, 5);
  int32_t stored = 0;
  {
    CatalogUse use(Files, FilesUseCount);
    stored = Files.records();
  }
  EXPECT_EQ(stored, 5);
}

// Label layouts: the new layout's defaults, the toolbar of the form for an insert, the font
// size refused outside 5 to 240, a layout saved with the toolbar's "save and add another",
// moving to the next layout from a change, a delete, and picking a layout to print with.
TEST_F(Browses, LabelLayoutsAndTheFormToolbar) {
  addDisk({1, "SYSTEM", "WORK", "F", 512, 201, "A-1", "Main disk", 0});
  std::vector<std::string> defaults, layouts;
  std::map<int32_t, bool> enabled;
  std::string fontBox, nextShown, printed;
  run([&](uint64_t frame) {
    chooseMenuItem(frame, kDiskLabelsMenu);
    const uint64_t w = windowOf("BROWSELABELS$QUICKWINDOW");
    ASSERT_NE(w, 0u);
    click(w, labels_feq::Insert);
    uint64_t form = windowOf("UPDATELABELS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    for (int32_t feq : {labels_feq::PageWidth, labels_feq::PageHeight, labels_feq::TopMargin,
                        labels_feq::LeftMargin, labels_feq::FontSize})
      defaults.push_back(trimmed(au::shown(form, feq)));
    defaults.push_back(std::to_string(au::shownChoice(form, labels_feq::Borders)));
    for (int32_t feq = 2000; feq <= 2012; ++feq) enabled[feq] = au::shownEnabled(form, feq);
    e2e::moveTo(*au::onScreen(form, 2000));
    e2e::Screen screen = shot("update-labels");
    expectReadable(screen, *au::onScreen(form, 2000), "the toolbar's first button");
    typeInto(form, labels_feq::LabelType, "AVERY5160");
    typeInto(form, labels_feq::LabelWidth, "2.63");
    typeInto(form, labels_feq::LabelHeight, "1");
    typeInto(form, labels_feq::FontSize, "4");
    click(form, labels_feq::Ok);
    fontBox = answer(KIV_BUTTON_OK);
    typeInto(form, labels_feq::FontSize, "240");
    click(form, labels_feq::Ok);
    if (!au::waitClosed(form, 10000)) shot("debug-labels");
    ASSERT_TRUE(au::waitClosed(form, 100));
    // Another, saved with "save and add another", then a third.
    click(w, labels_feq::Insert);
    form = windowOf("UPDATELABELS$QUICKWINDOW");
    typeInto(form, labels_feq::LabelType, "SMALL");
    typeInto(form, labels_feq::FontSize, "5");
    click(form, 2000);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    form = windowOf("UPDATELABELS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    waitFor([&] { return au::caption(form) == "Adding a Labels Record"; });
    EXPECT_EQ(au::caption(form), "Adding a Labels Record");
    typeInto(form, labels_feq::LabelType, "BIG");
    click(form, labels_feq::Ok);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    waitFor([&] { return au::rowCount(w, labels_feq::List) == 3; });
    // From AVERY5160, "next" saves it and shows BIG. (A double click picks a layout here: the
    // browse was opened to pick one.)
    clickRow(w, 1, labels_feq::List);
    click(w, labels_feq::Change);
    form = windowOf("UPDATELABELS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    click(form, 2008);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    form = windowOf("UPDATELABELS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    waitFor([&] { return trimmed(au::shown(form, labels_feq::LabelType)) == "BIG"; });
    nextShown = trimmed(au::shown(form, labels_feq::LabelType));
    click(form, labels_feq::Cancel);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    // Delete SMALL.
    clickRow(w, 3, labels_feq::List);
    click(w, labels_feq::Delete);
    answer(KIV_BUTTON_OK);
    waitFor([&] { return au::rowCount(w, labels_feq::List) == 2; });
    layouts = column(w, 1, labels_feq::List);
    // Pick one to print with.
    doubleClickRow(w, 1, labels_feq::List);
    printed = previewShown();
    EXPECT_TRUE(au::waitClosed(w, 10000));
  });
  EXPECT_EQ(defaults, (std::vector<std::string>{"8.50", "11.00", "0.35", "0.50", "11", "1"}));
  for (int32_t feq = 2000; feq <= 2012; ++feq)
    EXPECT_EQ(enabled[feq], feq == 2000 || feq == 2008 || feq == 2011) << feq;
  EXPECT_EQ(fontBox, "Range Error|The value of Font Size must be between 5 and 240.");
  EXPECT_EQ(nextShown, "BIG");
  EXPECT_EQ(layouts, (std::vector<std::string>{"AVERY5160", "BIG"}));
  // The layout picked prints the disk labels into the report's preview.
  EXPECT_EQ(printed.substr(0, printed.find('|')), "Report Preview") << printed;
}

// The picker of printing one disk's files, from the Reports menu: every disk, no filter.
TEST_F(Browses, SelectADiskToPrint) {
  addDozenDisks();
  int32_t rows = 0;
  std::string printed, printedEmpty;
  run([&](uint64_t frame) {
    chooseMenuItem(frame, -28);  // Reports > Files for a Disk
    const uint64_t w = windowOf("SELECTADISK$QUICKWINDOW");
    ASSERT_NE(w, 0u);
    waitFor([&] { return au::rowCount(w, selectadisk_feq::List) == 12; });
    rows = au::rowCount(w, selectadisk_feq::List);
    shot("select-a-disk");
    doubleClickRow(w, 2, selectadisk_feq::List);
    printed = previewShown();
    EXPECT_TRUE(au::waitClosed(w, 10000));
    // A disk without files: no report.
    chooseMenuItem(frame, -28);
    const uint64_t again = windowOf("SELECTADISK$QUICKWINDOW");
    ASSERT_NE(again, 0u);
    waitFor([&] { return au::rowCount(again, selectadisk_feq::List) == 12; });
    doubleClickRow(again, 4, selectadisk_feq::List);
    EXPECT_TRUE(au::waitClosed(again, 10000));
    printedEmpty = previewShown(5000);
  });
  EXPECT_EQ(rows, 12);
  // The disk chosen (PHOTOS2019, two files), and no other, in the report's preview.
  EXPECT_EQ(printed.substr(0, printed.find('|')), "Report Preview") << printed;
  EXPECT_NE(printed.find("|PHOTOS2019|"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("|SYSTEM|"), std::string::npos) << printed;
  EXPECT_EQ(printedEmpty, "<no preview>");
}

// Two stations on one catalog: the test's program holds disk 1 in its form while another tarrow
// process changes the disk and saves. The first program's save then gets warning 15 and shows
// the other station's version; nothing is lost.
TEST_F(Browses, TwoStationsOnOneCatalog) {
  addDisk({1, "ORIGINAL", "WORK", "F", 100, 50, "", "", 2});
  std::string station, box, shownAfter;
  bool stillOpen = false;
  run([&](uint64_t frame) {
    const uint64_t w = openDiskBrowse(frame);
    ASSERT_NE(w, 0u);
    doubleClickRow(w, 1);
    const uint64_t form = windowOf("UPDATEDISKS$QUICKWINDOW");
    ASSERT_NE(form, 0u);
    typeInto(form, updatedisks_feq::Label, "FROMA");
    // The other station: the real program in a process of its own, on the same display.
    e2e::runProgram(
        {std::string(KIV_TEST_PROGRAMS_DIR) + "/tarrow_station", dir.path(), "form", "1", "FROMB"},
        &station);
    click(form, updatedisks_feq::Ok);
    box = answer(KIV_BUTTON_OK);
    stillOpen = au::isOpen(form);
    waitFor([&] { return trimmed(au::shown(form, updatedisks_feq::Label)) == "FROMB"; });
    shownAfter = trimmed(au::shown(form, updatedisks_feq::Label));
    shot("two-stations");
    click(form, updatedisks_feq::Cancel);
    ASSERT_TRUE(au::waitClosed(form, 10000));
    click(w, Close);
    ASSERT_TRUE(au::waitClosed(w, 10000));
  });
  EXPECT_EQ(station, "saved\n");
  EXPECT_EQ(box, "Update Operation Error|This record was changed by another station.");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(shownAfter, "FROMB");
  std::vector<DisksRecord> disks = apptest::storedDisks();
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].Label.str(), "FROMB");
  EXPECT_EQ(apptest::storedFiles().size(), 2u);
}

}  // namespace
