// The reports as a user meets them: on an X display with a window manager, menus opened and
// items chosen with the real pointer, numbers typed with real keys, the preview paged through,
// and each report printed into a PDF file whose text (pdftotext) and, for labels, whose layout
// (pdftotext -bbox, pdftoppm) are checked. Pictures of the screen and of the printed pages are
// kept in the shots folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QImage>

#include "tests/app/reports/report_test_support.h"
#include "tests/e2e/x_display.h"

namespace fs = std::filesystem;

namespace {

using namespace reporttest;
using S = std::vector<std::string>;

constexpr int32_t kExitMenu = -3, kDuplicatesMenu = -29, kIdLabelsMenu = -30;
constexpr int32_t kByLabelAscending = -20, kByLabelDescending = -21, kByIdAscending = -17;

std::string Trim(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// Chooses a menu item as a person does: the menu's title in the menu bar (once more when the
// first click only brought the window forward), then each submenu, then the item.
bool ChooseMenuItem(uint64_t window, int32_t item) {
  for (int attempt = 0; attempt < 3 && !au::menuOnScreen(); ++attempt) {
    if (!e2e::clickWhenShown([&] { return au::onScreen(window, item); }, 5000)) return false;
    waitFor([] { return au::menuOnScreen().has_value(); }, 1500);
  }
  for (int step = 0; step < 6 && au::menuOnScreen(); ++step) {
    if (!e2e::clickWhenShown([&] { return au::onScreen(window, item); }, 5000)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!au::menuOnScreen()) return true;  // the item was chosen and the menus closed
  }
  return false;
}

// Types into an entry or spin: a click into it, everything selected, the text, Return or Tab.
void TypeInto(uint64_t window, int32_t feq, const std::string& text, const char* end = "Return") {
  ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(window, feq); }));
  e2e::key("ctrl+a");
  e2e::typeText(text);
  e2e::key(end);
}

// Prints the preview's pages through the toolbar's Print into the PDF file `pdf`, as a computer
// without a printer offers it; waits until the file is written.
void PrintToPdf(uint64_t preview, const std::string& pdf) {
  // The preview has laid its pages out and the window manager has placed it.
  ASSERT_TRUE(waitFor([&] { return !au::statusText(preview, 2).empty(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(preview, kPrintButton); }));
  uint64_t file = findAnyWindow("PRINTTOFILE$WINDOW");
  if (!file) {
    if (auto screen = e2e::captureScreen())
      screen->savePng(e2e::shotsFolder() + "/no-print-window.png");
  }
  ASSERT_NE(file, 0u);
  TypeInto(file, 4, pdf, "Tab");
  ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(file, 5); }));
  ASSERT_TRUE(au::waitClosed(file, 10000));
  ASSERT_TRUE(waitFor([&] { return fs::exists(pdf) && fs::file_size(pdf) > 0; }, 20000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::string PdfText(const std::string& pdf) {
  return commandOutput("pdftotext -layout '" + pdf + "' -");
}

// The lines of a text that hold `word`, in order.
S LinesWith(const std::string& text, const std::string& word) {
  S out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find(word) != std::string::npos) out.push_back(line);
  return out;
}

// The lines that end in "Page n" (the page number line of page n).
size_t PageLines(const std::string& text, int n) {
  size_t count = 0;
  const std::string want = "Page " + std::to_string(n);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    line.erase(line.find_last_not_of(" \f") + 1);
    count += line.size() >= want.size() &&
             line.compare(line.size() - want.size(), want.size(), want) == 0 &&
             (line.size() == want.size() || line[line.size() - want.size() - 1] == ' ');
  }
  return count;
}

// Renders the first page of a PDF as a PNG into the shots folder, for a look.
void RenderPage(const std::string& pdf, const std::string& name, int page = 1) {
  const std::string out = e2e::shotsFolder() + "/" + name;
  commandOutput("pdftoppm -png -r 100 -f " + std::to_string(page) + " -l " + std::to_string(page) +
                " -singlefile '" + pdf + "' '" + out + "'");
  EXPECT_TRUE(fs::exists(out + ".png")) << out;
}

class ReportsOnScreen : public CatalogFolder {
 protected:
  void SetUp() override {
    ASSERT_TRUE(e2e::XDisplay::instance().ready())
        << "needs Xvfb, openbox and xdotool (scripts/install-deps.sh installs them)";
    CatalogFolder::SetUp();
  }
  e2e::Screen shot(const std::string& name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    std::optional<e2e::Screen> screen = e2e::captureScreen();
    EXPECT_TRUE(screen.has_value()) << "xwd -root failed";
    if (!screen) return {};
    screen->savePng(e2e::shotsFolder() + "/" + name + ".png");
    return *screen;
  }
  // Runs the program; `driver` gets the frame and must leave every report window closed.
  void RunTarrow(const std::function<void(uint64_t frame)>& driver) {
    apptest::runTarrow([&] {
      uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
      ASSERT_NE(frame, 0u);
      driver(frame);
      ASSERT_TRUE(ChooseMenuItem(frame, kExitMenu));
      EXPECT_TRUE(au::waitClosed(frame, 20000));
    });
  }
};

// Disks with labels that tie, so that the ID decides between them.
std::vector<Disk> LabelledDisks(int count) {
  std::vector<Disk> disks;
  const char* labels[] = {"ARCHIVE", "BACKUP", "CAMERA", "DOCS"};
  for (int id = 1; id <= count; ++id)
    disks.push_back({id, labels[id % 4], id % 3 ? "Work" : "Music", uint64_t(id) * 1000000000,
                     uint64_t(id) * 250000000, "00AA-" + std::to_string(1000 + id)});
  return disks;
}

TEST_F(ReportsOnScreen, TheDiskListByLabelBothWaysPrintedToPdf) {
  addDisks(LabelledDisks(60));  // two pages
  const std::string ascending = dir.path() + "/ascending.pdf";
  const std::string descending = dir.path() + "/descending.pdf";
  RunTarrow([&](uint64_t frame) {
    for (auto [item, pdf] :
         {std::pair{kByLabelAscending, ascending}, std::pair{kByLabelDescending, descending}}) {
      ASSERT_TRUE(ChooseMenuItem(frame, item));
      uint64_t preview = findAnyWindow(kPreview);
      ASSERT_NE(preview, 0u);
      ASSERT_TRUE(waitFor([&] { return au::statusText(preview, 2) == "Page 1 of 2"; }));
      if (item == kByLabelAscending) {
        shot("report-preview-disk-list");
        // 100 percent: the page as printed, sharp.
        ASSERT_TRUE(ChooseMenuItem(preview, kZoom100));
        waitFor([&] { return au::statusText(preview, 3) == "Zoom (100%)"; });
        shot("report-preview-100-percent");
      }
      PrintToPdf(preview, pdf);
      ASSERT_TRUE(au::waitClosed(preview, 10000));
    }
  });
  for (const std::string& pdf : {ascending, descending}) {
    const std::string text = PdfText(pdf);
    const bool up = pdf == ascending;
    EXPECT_NE(text.find(std::string("Disks in Catalog By Volume Label (") +
                        (up ? "Ascending" : "Descending") + " Order)"),
              std::string::npos)
        << text;
    const S headings = LinesWith(text, "Category");
    ASSERT_EQ(headings.size(), 2u) << text;  // on both pages
    for (const char* h : {"ID", "Label", "Total Bytes", "Free Bytes", "% Free", "Serial No"})
      EXPECT_NE(headings[0].find(h), std::string::npos) << h;
    EXPECT_EQ(PageLines(text, 1), 1u);
    EXPECT_EQ(PageLines(text, 2), 1u);
    // The BACKUP disks (IDs 1, 5, 9 ... 57) in ID order, reversed when descending.
    S ids;
    for (const std::string& line : LinesWith(text, "BACKUP")) {
      std::istringstream words(line);
      std::string id;
      words >> id;
      ids.push_back(id);
    }
    S expected;
    for (int id = 1; id <= 60; id += 4) expected.push_back(std::to_string(id));
    if (!up) std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(ids, expected) << pdf;
    // Disk 60: 60,000,000,000 bytes, a quarter free.
    const S sixty = LinesWith(text, "00AA-1060");
    ASSERT_EQ(sixty.size(), 1u);
    EXPECT_NE(sixty[0].find("60,000,000,000"), std::string::npos) << sixty[0];
    EXPECT_NE(sixty[0].find("15,000,000,000"), std::string::npos) << sixty[0];
    EXPECT_NE(sixty[0].find("25.00%"), std::string::npos) << sixty[0];
    // Label order: every ARCHIVE line before the first BACKUP line when ascending.
    const size_t archive = text.find("ARCHIVE"), backup = text.find("BACKUP");
    EXPECT_EQ(archive < backup, up);
  }
  RenderPage(ascending, "printed-disk-list");
}

TEST_F(ReportsOnScreen, PreviewEdgeCasesWithRealInput) {
  addDisks(LabelledDisks(340));  // 8 pages of 45
  S seen;
  bool nextOnLastScreen = true;
  std::string zoomedPage, spinAfter;
  RunTarrow([&](uint64_t frame) {
    ASSERT_TRUE(ChooseMenuItem(frame, kByIdAscending));
    uint64_t w = findAnyWindow(kPreview);
    ASSERT_NE(w, 0u);
    auto status = [&](const std::string& want) {
      waitFor([&] { return au::statusText(w, 2) == want; }, 8000);
      seen.push_back(au::statusText(w, 2) + " / " + au::statusText(w, 3));
    };
    status("Page 1 of 8");
    TypeInto(w, kAcrossSpin, "2");
    TypeInto(w, kDownSpin, "2");
    status("Pages 1-4 of 8");
    shot("report-preview-thumbnails");
    e2e::key("Next");  // Page Down
    status("Pages 5-8 of 8");
    nextOnLastScreen = au::shownEnabled(w, kNext);
    // The third thumbnail of the screen from page 5: page 7 at page width.
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kThumbnails + 2); }));
    status("Page 7 of 8");
    zoomedPage = au::shownImageName(w, kPageImage);
    shot("report-preview-page-width");
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kPageImage); }));
    status("Pages 7-8 of 8");
    // A page number above the range: the last page.
    TypeInto(w, kPageSpin, "99");
    status("Page 8 of 8");
    spinAfter = Trim(au::shown(w, kPageSpin));
    // Exit: nothing printed, no question asked.
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kExitButton); }));
    ASSERT_TRUE(au::waitClosed(w, 10000));
    EXPECT_EQ(findAnyWindow("PRINTTOFILE$WINDOW", 1000), 0u);
  });
  EXPECT_EQ(seen, (S{"Page 1 of 8 / No Zoom", "Pages 1-4 of 8 / No Zoom",
                     "Pages 5-8 of 8 / No Zoom", "Page 7 of 8 / Zoom (Page Width)",
                     "Pages 7-8 of 8 / No Zoom", "Page 8 of 8 / No Zoom"}));
  EXPECT_FALSE(nextOnLastScreen);
  EXPECT_NE(zoomedPage.find(".PAGE00007"), std::string::npos) << zoomedPage;
  EXPECT_EQ(spinAfter, "8");
  EXPECT_TRUE(pdfFiles(dir.path()).empty());
}

// Windows described as centred open over the middle of the program's frame (a progress window
// or the preview's jump window), not wherever the window manager finds room.
TEST_F(ReportsOnScreen, CentredWindowsOpenOverTheFrame) {
  addDisks(LabelledDisks(60));
  au::Geometry frameAt, jumpAt;
  RunTarrow([&](uint64_t frame) {
    ASSERT_TRUE(ChooseMenuItem(frame, kByIdAscending));
    uint64_t preview = findAnyWindow(kPreview);
    ASSERT_NE(preview, 0u);
    ASSERT_TRUE(waitFor([&] { return au::statusText(preview, 2) == "Page 1 of 2"; }));
    ASSERT_TRUE(ChooseMenuItem(preview, kJump));
    uint64_t jump = findAnyWindow("PREVIEW:JUMPTOPAGE$JUMPWINDOW");
    ASSERT_NE(jump, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // mapped and placed
    frameAt = au::geometry(frame);
    jumpAt = au::geometry(jump);
    shot("jump-window-over-the-frame");
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(jump, 4); }));  // Cancel
    ASSERT_TRUE(au::waitClosed(jump, 10000));
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(preview, kExitButton); }));
    ASSERT_TRUE(au::waitClosed(preview, 10000));
  });
  ASSERT_GT(frameAt.width, jumpAt.width);
  // The title bars of the two windows differ a little; nothing else does.
  EXPECT_NEAR(jumpAt.x + jumpAt.width / 2, frameAt.x + frameAt.width / 2, 30);
  EXPECT_NEAR(jumpAt.y + jumpAt.height / 2, frameAt.y + frameAt.height / 2, 30);
}

TEST_F(ReportsOnScreen, SixPagesTwoByTwoAndAOnePageReport) {
  addDisks(LabelledDisks(250));  // 6 pages
  S seen;
  bool shownSlots[4] = {}, nextEnabled = true;
  RunTarrow([&](uint64_t frame) {
    ASSERT_TRUE(ChooseMenuItem(frame, kByIdAscending));
    uint64_t w = findAnyWindow(kPreview);
    ASSERT_NE(w, 0u);
    waitFor([&] { return au::statusText(w, 2) == "Page 1 of 6"; });
    TypeInto(w, kAcrossSpin, "2");
    TypeInto(w, kDownSpin, "2");
    waitFor([&] { return au::statusText(w, 2) == "Pages 1-4 of 6"; });
    seen.push_back(au::statusText(w, 2));
    ASSERT_TRUE(ChooseMenuItem(w, kNext));
    waitFor([&] { return au::statusText(w, 2) == "Pages 5-6 of 6"; });
    seen.push_back(au::statusText(w, 2));
    for (int k = 0; k < 4; ++k) shownSlots[k] = au::shownVisible(w, kThumbnails + k);
    nextEnabled = au::shownEnabled(w, kNext);
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(w, kExitButton); }));
    ASSERT_TRUE(au::waitClosed(w, 10000));
  });
  EXPECT_EQ(seen, (S{"Pages 1-4 of 6", "Pages 5-6 of 6"}));
  EXPECT_TRUE(shownSlots[0] && shownSlots[1]);
  EXPECT_FALSE(shownSlots[2] || shownSlots[3]);
  EXPECT_FALSE(nextEnabled);
}

TEST_F(ReportsOnScreen, AOnePageReportLeavesThePageSpinsDisabled) {
  addDisks({{1, "ONLY", "Work", 1000, 10}});
  std::string status;
  bool enabled[3] = {true, true, true};
  RunTarrow([&](uint64_t frame) {
    ASSERT_TRUE(ChooseMenuItem(frame, kByIdAscending));
    uint64_t w = findAnyWindow(kPreview);
    ASSERT_NE(w, 0u);
    waitFor([&] { return !au::statusText(w, 2).empty(); });
    status = au::statusText(w, 2);
    for (int i = 0; i < 3; ++i) enabled[i] = au::shownEnabled(w, kPageSpin + i);
    ASSERT_TRUE(ChooseMenuItem(w, kExit));
    ASSERT_TRUE(au::waitClosed(w, 10000));
  });
  EXPECT_EQ(status, "Page 1 of 1");
  EXPECT_FALSE(enabled[0] || enabled[1] || enabled[2]);
}

// The procedures that take their disk or layout from a picker of the browse windows run here
// as those pickers will start them, on a thread of their own, on the real display.
TEST_F(ReportsOnScreen, TheFilesOfADiskPrintedToPdf) {
  addDisks({{3, "PHOTOS", "Pictures", 5368709120u, 1572864, "0BAD-F00D"}});
  std::vector<File> files;
  for (int i = 1; i <= 60; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "IMG%04d.JPG", i);
    files.push_back({3, name, uint64_t(i) * 4096, std::string("C:\\DCIM\\") + name});
  }
  files.push_back({4, "OTHER.TXT", 1});
  addFiles(files);
  DisksRecord disk;
  {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.IdNum = 3;
    Disks.get(Disks.ByIdNum);
    disk = Disks.rec;
  }
  const std::string pdf = dir.path() + "/files.pdf";
  runReport([disk] { PrintFilesForDisk(disk); },
            [&] {
              uint64_t preview = findAnyWindow(kPreview);
              ASSERT_NE(preview, 0u);
              PrintToPdf(preview, pdf);
            });
  const std::string text = PdfText(pdf);
  EXPECT_EQ(LinesWith(text, "Files for a Disk").size(), 2u) << text;
  for (const char* h : {"Disk ID:", "Label:", "Free Space:", "Total Space:", "Serial Number:"})
    EXPECT_EQ(LinesWith(text, h).size(), 2u) << h;
  EXPECT_NE(LinesWith(text, "Free Space:")[0].find("1.50MB"), std::string::npos);
  EXPECT_NE(LinesWith(text, "Total Space:")[0].find("5,120.00MB"), std::string::npos);
  EXPECT_NE(LinesWith(text, "Serial Number:")[0].find("0BAD-F00D"), std::string::npos);
  EXPECT_EQ(LinesWith(text, ".JPG").size(), 60u);
  EXPECT_EQ(LinesWith(text, "OTHER.TXT").size(), 0u);
  const S last = LinesWith(text, "IMG0060.JPG");
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(Trim(last[0]).rfind("60 ", 0), 0u) << last[0];  // the running count
  EXPECT_NE(last[0].find("245,760"), std::string::npos) << last[0];
  EXPECT_EQ(PageLines(text, 2), 1u);
}

// Words of `pdftotext -bbox`: their boxes in points and their text.
struct Word {
  double x0, y0, x1, y1;
  std::string text;
};
std::vector<Word> Words(const std::string& html) {
  std::vector<Word> out;
  auto attribute = [&](size_t from, const char* name) {
    size_t at = html.find(name, from);
    return at == std::string::npos ? 0.0 : std::atof(html.c_str() + at + std::strlen(name));
  };
  for (size_t at = html.find("<word "); at != std::string::npos; at = html.find("<word ", at + 1)) {
    size_t close = html.find('>', at), end = html.find("</word>", at);
    if (close == std::string::npos || end == std::string::npos) break;
    out.push_back({attribute(at, "xMin=\""), attribute(at, "yMin=\""), attribute(at, "xMax=\""),
                   attribute(at, "yMax=\""), html.substr(close + 1, end - close - 1)});
  }
  return out;
}

TEST_F(ReportsOnScreen, DiskLabelsLieInsideTheirLabelsWithFramesOnlyWhenAsked) {
  std::vector<Disk> disks;
  for (int id = 1; id <= 5; ++id)
    disks.push_back({id, "DISK" + std::to_string(id), "Backups", 30000000000000u, 12345678901234u,
                     "1111-222" + std::to_string(id), id == 3 ? "U" : "C", id * 100});
  addDisks(disks);
  LabelsRecord layout;
  layout.clear();
  layout.LabelType = "CD CASE";
  layout.PageWidth = 8.5;
  layout.PageHeight = 11;
  layout.LabelWidth = 4;
  layout.LabelHeight = 2.5;
  layout.TopMargin = 0.5;
  layout.LeftMargin = 0.25;
  layout.FontSize = 9;
  for (int borders : {1, 0}) {
    layout.Borders = uint8_t(borders);
    const std::string pdf = dir.path() + "/labels" + std::to_string(borders) + ".pdf";
    runReport([layout] { PrintLabels(layout); },
              [&] {
                uint64_t preview = findAnyWindow(kPreview);
                ASSERT_NE(preview, 0u);
                if (borders) shot("report-preview-labels");
                PrintToPdf(preview, pdf);
              });
    // Each label's rectangle in points: two across from the left margin, down from the top.
    struct Box {
      double x, y, w = 288, h = 180;
    };
    std::vector<Box> labels;
    for (int i = 0; i < 5; ++i) labels.push_back({18 + (i % 2) * 288.0, 36 + (i / 2) * 180.0});
    const std::vector<Word> words = Words(commandOutput("pdftotext -bbox '" + pdf + "' -"));
    int disksFound = 0;
    for (const Word& w : words) {
      if (w.text == "DISK#") ++disksFound;
      bool inside = false;
      for (const Box& b : labels)
        inside = inside || (w.x0 >= b.x && w.x1 <= b.x + b.w && w.y0 >= b.y && w.y1 <= b.y + b.h);
      EXPECT_TRUE(inside) << w.text << " at " << w.x0 << "," << w.y0;
    }
    EXPECT_EQ(disksFound, 5);
    const std::string text = PdfText(pdf);
    EXPECT_EQ(LinesWith(text, "30,000,000,000,000 bytes").size(), 3u);  // two labels a row
    EXPECT_EQ(LinesWith(text, "CD-ROM").size(), 3u);  // disk 3's type U shows no name
    // The frame lines, on the page drawn at 72 dots per inch: dark along each label's top edge
    // between its words, white without borders.
    commandOutput("pdftoppm -png -r 72 -singlefile '" + pdf + "' '" + dir.path() + "/sheet'");
    QImage sheet(QString::fromStdString(dir.path() + "/sheet.png"));
    ASSERT_FALSE(sheet.isNull());
    for (const Box& b : labels) {
      int dark = 0;
      for (int x = int(b.x) + 5; x < int(b.x + b.w) - 5; ++x)
        if (qGray(sheet.pixel(x, int(b.y + 0.5))) < 160) ++dark;
      if (borders)
        EXPECT_GT(dark, int(b.w) - 20) << "top edge of the label at " << b.x << "," << b.y;
      else
        EXPECT_EQ(dark, 0) << "top edge of the label at " << b.x << "," << b.y;
    }
    if (borders) RenderPage(pdf, "printed-disk-labels");
  }
}

TEST_F(ReportsOnScreen, DuplicatesOfTheCatalogAndOfOneCategoryPrintedToPdf) {
  addCategories({"Music", "Nothing", "Work"});
  addDisks({{1, "ONE", "Music", 10, 5}, {2, "TWO", "Music", 10, 5}, {3, "THREE", "Work", 10, 5}});
  std::vector<File> files = {{1, "README.TXT", 100, "C:\\ALPHA\\README.TXT"},
                             {2, "README.TXT", 200, "C:\\BETA\\README.TXT"},
                             {3, "README.TXT", 300, "C:\\GAMMA\\README.TXT"},
                             {1, "INDEX.HTM", 5, "C:\\INDEX.HTM"}};
  for (int i = 0; i < 1500; ++i)  // the Music disks hold more than the collector's 1000
    files.push_back({1 + i % 2, "SONG" + std::to_string(i / 2) + ".MP3", uint64_t(i)});
  addFiles(files);
  const std::string whole = dir.path() + "/duplicates.pdf";
  const std::string music = dir.path() + "/music.pdf";
  S percents;
  bool collectorSeen = false;
  std::string noneBox;
  RunTarrow([&](uint64_t frame) {
    // row 0: no category, the whole catalog; row 1 of the list: Music; row 2: Nothing
    for (int row : {0, 1, 2}) {
      ASSERT_TRUE(ChooseMenuItem(frame, kDuplicatesMenu));
      uint64_t wizard = findAnyWindow("GETRPTPARMSWIZ$WINDOW");
      ASSERT_NE(wizard, 0u);
      if (row) {
        ASSERT_TRUE(waitFor([&] { return au::rowCount(wizard, 4) == 3; }));
        ASSERT_TRUE(e2e::clickWhenShown([&] { return au::rowOnScreen(wizard, 4, row); }));
        waitFor([&] { return au::shownChoice(wizard, 4) == row; });
      }
      if (row == 1) shot("duplicates-wizard-step-1");
      ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(wizard, 8); }));
      ASSERT_TRUE(waitFor([&] { return au::shownVisible(wizard, 9); }));
      if (row == 1) shot("duplicates-wizard-step-2");
      ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(wizard, 9); }));
      if (row == 1) {
        // The collector may be through its 1,500 files before its window is looked for; its
        // percents are read while it shows (the unit tests check them on a larger catalog).
        uint64_t collector = findAnyWindow("GETDUPESCAT$PROGRESSWINDOW", 5000);
        collectorSeen = collector != 0;
        while (collector && au::isOpen(collector)) {
          std::string p = Trim(au::shown(collector, 3));
          if (!p.empty() && (percents.empty() || percents.back() != p)) percents.push_back(p);
        }
      }
      if (row == 2) {
        ASSERT_TRUE(waitFor([&] { return au::messageBox().has_value(); }, 20000));
        noneBox = au::messageBox()->text;
        ASSERT_TRUE(e2e::clickWhenShown([] { return au::messageBoxOnScreen(KIV_BUTTON_OK); }));
        continue;
      }
      uint64_t preview = findAnyWindow(kPreview, 30000);
      if (!preview) shot("duplicates-no-preview");
      ASSERT_NE(preview, 0u);
      if (row == 0) shot("report-preview-duplicates");
      PrintToPdf(preview, row == 0 ? whole : music);
      ASSERT_TRUE(au::waitClosed(preview, 10000));
    }
  });
  const std::string all = PdfText(whole);
  EXPECT_EQ(LinesWith(all, "Duplicate Files Report").size() >= 1, true) << all;
  const S headings = LinesWith(all, "FILE NAME");
  ASSERT_FALSE(headings.empty());
  for (const char* h : {"DISK ID#", "BYTES", "ATTRIB", "PATH", "DATE", "TIME"})
    EXPECT_NE(headings[0].find(h), std::string::npos) << h;
  EXPECT_EQ(LinesWith(all, "README.TXT").size(), 3u);
  EXPECT_EQ(LinesWith(all, "INDEX.HTM").size(), 0u);
  EXPECT_NE(LinesWith(all, "C:\\GAMMA\\README.TXT").size(), 0u);
  EXPECT_EQ(LinesWith(all, "SONG0.MP3").size(), 2u);
  EXPECT_EQ(PageLines(all, 1), 1u);
  EXPECT_EQ(PageLines(all, 2), 1u);
  RenderPage(whole, "printed-duplicates");

  const std::string cat = PdfText(music);
  EXPECT_EQ(LinesWith(cat, "Duplicate Files for a Specific Category").size() >= 1, true);
  EXPECT_EQ(LinesWith(cat, "Category: Music").size() >= 1, true);
  EXPECT_EQ(LinesWith(cat, "README.TXT").size(), 2u);  // disks 1 and 2 only
  EXPECT_EQ(LinesWith(cat, "C:\\GAMMA").size(), 0u);
  EXPECT_EQ(LinesWith(cat, ".MP3").size(), 1500u);
  if (collectorSeen) {
    EXPECT_FALSE(percents.empty());
  }
  for (const std::string& p : percents) {
    if (p == "Process Completed") continue;
    EXPECT_LE(std::atoi(p.c_str()), 100) << p;
  }
  EXPECT_EQ(noneBox, "No duplicate files were found.");
}

TEST_F(ReportsOnScreen, DiskIdLabelsFromTheParameterWindow) {
  const std::string pdf = dir.path() + "/idlabels.pdf";
  RunTarrow([&](uint64_t frame) {
    ASSERT_TRUE(ChooseMenuItem(frame, kIdLabelsMenu));
    uint64_t params = findAnyWindow("GETPARAMS$WINDOW");
    ASSERT_NE(params, 0u);
    TypeInto(params, 6, "7", "Tab");
    TypeInto(params, 8, "12", "Tab");
    ASSERT_TRUE(e2e::clickWhenShown([&] { return au::onScreen(params, 9); }));
    uint64_t preview = findAnyWindow(kPreview);
    ASSERT_NE(preview, 0u);
    PrintToPdf(preview, pdf);
    ASSERT_TRUE(au::waitClosed(preview, 10000));
  });
  const std::string text = PdfText(pdf);
  EXPECT_EQ(LinesWith(text, "Disk ID:").size(), 2u) << text;  // three labels a row
  for (int n = 7; n <= 12; ++n) {
    size_t count = 0;
    const std::string number = std::to_string(n);
    std::istringstream in(text);
    for (std::string w; in >> w;) count += w == number;
    EXPECT_EQ(count, 3u) << n;  // readable from three sides
  }
}

}  // namespace
