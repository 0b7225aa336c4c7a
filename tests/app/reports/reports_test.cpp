// The catalog's reports run as procedures on their own threads, their previews driven through
// the automation interface, and their recorded pages read back: what each control printed, in
// which order, on which page.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/tables/globals.h"
#include "report_test_support.h"

namespace {

using namespace reporttest;
using S = std::vector<std::string>;

// Controls of the disks report: the title and the detail's columns.
enum : int32_t { kTitle = 2, kId = 14, kLabelColumn = 15, kPercentFree = 19 };
// Controls of the files report.
enum : int32_t {
  kDiskId = 4,
  kFreeSpace = 6,
  kDiskLabel = 8,
  kTotalSpace = 11,
  kSerial = 13,
  kCount = 23,
  kFileName = 24,
  kBytes = 27,
  kFilesPageNo = 34
};

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The disk IDs of the report of `order`, found by sorting the disks independently: by the
// order's field (labels and categories without regard to case), then by ID, both reversed for
// the descending orders.
std::vector<std::string> ExpectedIds(std::vector<Disk> disks, int32_t order) {
  const int field = (order - 1) / 2;
  const bool descending = order % 2 == 0;
  std::stable_sort(disks.begin(), disks.end(), [&](const Disk& a, const Disk& b) {
    auto key = [&](const Disk& d) {
      switch (field) {
        case 1:
          return std::make_pair(Upper(d.label), uint64_t(d.id));
        case 2:
          return std::make_pair(Upper(d.category), uint64_t(d.id));
        case 3: {
          char padded[24];
          std::snprintf(padded, sizeof padded, "%020llu", (unsigned long long)d.free);
          return std::make_pair(std::string(padded), uint64_t(d.id));
        }
        default:
          return std::make_pair(std::string(), uint64_t(d.id));
      }
    };
    return descending ? key(b) < key(a) : key(a) < key(b);
  });
  std::vector<std::string> ids;
  for (const Disk& d : disks) ids.push_back(std::to_string(d.id));
  return ids;
}

class Reports : public ReportTest {};

TEST_F(Reports, TheDiskListInEachOfItsEightOrdersWithItsTitle) {
  const std::vector<Disk> disks = {
      {1, "BETA", "Music", 1000, 500}, {2, "alpha", "Work", 0, 0},
      {3, "BETA", "Music", 4000, 100}, {4, "GAMMA", "", 3000, 500},
      {5, "Alpha", "work", 2000, 500}, {6, "delta", "Music", 30000000000000u, 12345678901234u},
  };
  addDisks(disks);
  const char* titles[] = {"By ID (Ascending Order)",           "By ID (Descending Order)",
                          "By Volume Label (Ascending Order)", "By Volume Label (Descending Order)",
                          "By Category (Ascending Order)",     "By Category (Descending Order)",
                          "By Free Space (Ascending Order)",   "By Free Space (Descending Order)"};
  for (int32_t order = 1; order <= 8; ++order) {
    std::vector<kiv::report::PagePtr> pages;
    S ids, titleSeen, percent;
    runReport([order] { PrtDisksInCat(order); },
              [&] {
                uint64_t preview = findAnyWindow(kPreview);
                ASSERT_NE(preview, 0u);
                pages = pagesOf(preview);
                ASSERT_EQ(pages.size(), 1u);
                ids = textsOf(pages, kId);
                titleSeen = textsOf(pages, kTitle);
                percent = textsOf(pages, kPercentFree);
                exitPreview(preview);
              });
    EXPECT_EQ(ids, ExpectedIds(disks, order)) << "order " << order;
    EXPECT_EQ(titleSeen, S{std::string("Disks in Catalog ") + titles[order - 1]});
    if (order == 1) {
      // Free over total with two places; a disk of no bytes has no share free.
      EXPECT_EQ(percent, (S{"50.00%", "n/a", "2.50%", "16.67%", "25.00%", "41.15%"}));
      EXPECT_EQ(textsOf(pages, 17).back(), "30,000,000,000,000");  // Total Bytes in full
      EXPECT_EQ(textsOf(pages, 18).back(), "12,345,678,901,234");
    }
  }
}

TEST_F(Reports, TheFilesOfOneDiskWithTheDiskInTheHeaderOnEveryPage) {
  std::vector<File> files;
  for (int i = 120; i >= 1; --i) {  // added backwards: the report reads them by name
    char name[16];
    std::snprintf(name, sizeof name, "F%03d.TXT", i);
    files.push_back({7, name, uint64_t(i) * 1000});
  }
  files.push_back({8, "OTHER.TXT", 5});
  files.push_back({6, "BEFORE.TXT", 5});
  addFiles(files);
  addDisks({{7, "PHOTOS", "Pictures", 5368709120u, 1572864, "0BAD-F00D"}});

  DisksRecord disk;
  {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.IdNum = 7;
    Disks.get(Disks.ByIdNum);
    ASSERT_EQ(kiv::errorCode(), 0);
    disk = Disks.rec;
  }
  std::vector<kiv::report::PagePtr> pages;
  runReport([disk] { PrintFilesForDisk(disk); },
            [&] {
              uint64_t preview = findAnyWindow(kPreview);
              ASSERT_NE(preview, 0u);
              pages = pagesOf(preview);
              exitPreview(preview);
            });
  ASSERT_EQ(pages.size(), 3u);  // 42 lines a page
  S counts, names;
  for (int i = 1; i <= 120; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "F%03d.TXT", i);
    counts.push_back(std::to_string(i));
    names.push_back(name);
  }
  EXPECT_EQ(textsOf(pages, kCount), counts);
  EXPECT_EQ(textsOf(pages, kFileName), names);
  EXPECT_EQ(textsOf(pages, kBytes).back(), "120,000");
  for (const auto& page : pages) {
    EXPECT_EQ(textsOf(*page, kDiskId), S{"7"});
    EXPECT_EQ(textsOf(*page, kDiskLabel), S{"PHOTOS"});
    EXPECT_EQ(textsOf(*page, kFreeSpace), S{"1.50MB"});
    EXPECT_EQ(textsOf(*page, kTotalSpace), S{"5,120.00MB"});
    EXPECT_EQ(textsOf(*page, kSerial), S{"0BAD-F00D"});
  }
  EXPECT_EQ(textsOf(pages, kFilesPageNo), (S{"1", "2", "3"}));
}

TEST_F(Reports, AResultDiskListsItsFilesAndADiskWithoutFilesMakesNoReport) {
  addFiles({{8, "B.TXT", 2}, {8, "A.TXT", 1}, {9, "C.TXT", 3}});
  TempDiskRecord result;
  result.clear();
  result.IdNum = 8;
  result.Label = "RESULT";
  S names;
  runReport([result] { PrintFilesForResult(result); },
            [&] {
              uint64_t preview = findAnyWindow(kPreview);
              ASSERT_NE(preview, 0u);
              names = textsOf(pagesOf(preview), kFileName);
              exitPreview(preview);
            });
  EXPECT_EQ(names, (S{"A.TXT", "B.TXT"}));

  DisksRecord empty;
  empty.clear();
  empty.IdNum = 10;
  uint64_t preview = 1;
  runReport([empty] { PrintFilesForDisk(empty); },
            [&] { preview = findAnyWindow(kPreview, 1500); });
  EXPECT_EQ(preview, 0u);
}

TEST_F(Reports, LabelsGoAcrossAndDownTheSheetInsideTheirFrames) {
  std::vector<Disk> disks;
  for (int id = 1; id <= 5; ++id)
    disks.push_back({id, "DISK" + std::to_string(id), "Backups", 1000, 400, "1111-2222",
                     id == 2 ? "U" : "F", id * 10});
  addDisks(disks);
  LabelsRecord layout;
  layout.clear();
  layout.LabelType = "TEST";
  layout.PageWidth = 8.5;
  layout.PageHeight = 11;
  layout.LabelWidth = 4;
  layout.LabelHeight = 2.5;
  layout.TopMargin = 0.5;
  layout.LeftMargin = 0.25;
  layout.FontSize = 9;
  layout.Borders = 1;
  for (int borders : {1, 0}) {
    layout.Borders = uint8_t(borders);
    std::vector<kiv::report::PagePtr> pages;
    runReport([layout] { PrintLabels(layout); },
              [&] {
                uint64_t preview = findAnyWindow(kPreview);
                ASSERT_NE(preview, 0u);
                pages = pagesOf(preview);
                exitPreview(preview);
              });
    ASSERT_EQ(pages.size(), 1u);
    const kiv::report::RecordedPage& page = *pages[0];
    EXPECT_EQ(page.paperWidth, 8500);
    EXPECT_EQ(page.paperHeight, 11000);
    // Two labels a row from the left margin, then down from the top margin.
    std::vector<std::pair<int32_t, int32_t>> at;
    for (const auto& b : page.bands) at.emplace_back(b.at.x, b.at.y);
    EXPECT_EQ(at, (std::vector<std::pair<int32_t, int32_t>>{
                      {250, 500}, {4250, 500}, {250, 3000}, {4250, 3000}, {250, 5500}}));
    // Each label's lines are stacked by the font size (9 x 16) from its top, inside its frame.
    int lines = 0;
    for (const auto& r : page.records) {
      if (r.kind == kiv::report::DrawRecord::Kind::Line) ++lines;
      if (r.kind != kiv::report::DrawRecord::Kind::Text) continue;
      const auto band = std::find_if(page.bands.begin(), page.bands.end(), [&](const auto& b) {
        return r.at.x >= b.at.x && r.at.x < b.at.right() && r.at.y >= b.at.y &&
               r.at.y < b.at.bottom();
      });
      ASSERT_NE(band, page.bands.end()) << r.text;
      EXPECT_EQ(r.at.y - band->at.y, 60 + (r.feq - 2) * 144) << r.text;
      EXPECT_LE(r.at.bottom(), band->at.bottom()) << r.text;
      EXPECT_EQ(r.font.size, 9);
    }
    EXPECT_EQ(lines, borders ? 5 * 4 : 0);
    const S types = textsOf(page, 8);
    EXPECT_EQ(types,
              (S{"TYPE  : Fixed", "TYPE  :", "TYPE  : Fixed", "TYPE  : Fixed", "TYPE  : Fixed"}));
    EXPECT_EQ(textsOf(page, 2).front(), "DISK# : 1");
    EXPECT_EQ(textsOf(page, 9).front(), "Backups");
  }
}

TEST_F(Reports, LinesALabelHasNoRoomForAreLeftOut) {
  addDisks({{1, "ONE", "Cat", 1000, 10}});
  LabelsRecord layout;
  layout.clear();
  layout.PageWidth = 8.5;
  layout.PageHeight = 11;
  layout.LabelWidth = 3;
  layout.LabelHeight = 1;
  layout.TopMargin = 0.5;
  layout.LeftMargin = 0.5;
  layout.FontSize = 11;  // lines 176 high from 60: the fifth ends at 940, the sixth at 1116
  S texts;
  runReport([layout] { PrintLabels(layout); },
            [&] {
              uint64_t preview = findAnyWindow(kPreview);
              ASSERT_NE(preview, 0u);
              for (int32_t feq = 2; feq <= 9; ++feq)
                for (const std::string& t : textsOf(pagesOf(preview), feq)) texts.push_back(t);
              exitPreview(preview);
            });
  EXPECT_EQ(texts, (S{"DISK# : 1", "LABEL : ONE", "SER#  : 1234-ABCD", "#FILES: 0",
                      "TOTAL : 1,000 bytes"}));
}

// A disk list of `disks` disks (45 a page).
void AddManyDisks(int disks) {
  std::vector<Disk> list;
  for (int id = 1; id <= disks; ++id)
    list.push_back({id, "D" + std::to_string(id), "Cat", 1000, 500});
  addDisks(list);
}

TEST_F(Reports, PreviewOfSixPagesTwoByTwo) {
  AddManyDisks(250);
  S seen;
  bool nextAtEnd = true, slotsShown[4] = {};
  runReport([] { PrtDisksInCat(1); },
            [&] {
              uint64_t w = findAnyWindow(kPreview);
              ASSERT_NE(w, 0u);
              ASSERT_TRUE(waitFor([&] { return au::statusText(w, 2) == "Page 1 of 6"; }));
              seen.push_back(au::statusText(w, 2));
              au::type(w, kAcrossSpin, "2");
              au::type(w, kDownSpin, "2");
              waitFor([&] { return au::statusText(w, 2) == "Pages 1-4 of 6"; });
              seen.push_back(au::statusText(w, 2));
              au::press(w, kNext);
              waitFor([&] { return au::statusText(w, 2) == "Pages 5-6 of 6"; });
              seen.push_back(au::statusText(w, 2));
              nextAtEnd = au::shownEnabled(w, kNext);
              for (int k = 0; k < 4; ++k) slotsShown[k] = au::shownVisible(w, kThumbnails + k);
              exitPreview(w);
            });
  EXPECT_EQ(seen, (S{"Page 1 of 6", "Pages 1-4 of 6", "Pages 5-6 of 6"}));
  EXPECT_FALSE(nextAtEnd);
  EXPECT_TRUE(slotsShown[0]);
  EXPECT_TRUE(slotsShown[1]);
  EXPECT_FALSE(slotsShown[2]);
  EXPECT_FALSE(slotsShown[3]);
}

TEST_F(Reports, PreviewPagingZoomJumpAndTheSpinsRangeCheck) {
  AddManyDisks(340);  // 8 pages
  S seen;
  std::string zoomed, popup;
  runReport([] { PrtDisksInCat(1); },
            [&] {
              uint64_t w = findAnyWindow(kPreview);
              ASSERT_NE(w, 0u);
              auto status = [&](const std::string& want) {
                waitFor([&] { return au::statusText(w, 2) == want; }, 5000);
                seen.push_back(au::statusText(w, 2) + " / " + au::statusText(w, 3));
              };
              status("Page 1 of 8");
              au::type(w, kAcrossSpin, "2");
              au::type(w, kDownSpin, "2");
              status("Pages 1-4 of 8");
              au::pressKey(w, 34);  // Page Down
              status("Pages 5-8 of 8");
              au::click(w, kThumbnails + 2);  // the third thumbnail: page 7 at page width
              status("Page 7 of 8");
              zoomed = au::shownImageName(w, kPageImage);
              au::pressKey(w, 33);  // Page Up: one page back when zoomed
              status("Page 6 of 8");
              au::press(w, kZoomButton);
              popup = au::popupItems();
              au::answerPopup(6);  // 200%
              waitFor([&] { return au::statusText(w, 3) == "Zoom (200%)"; });
              status("Page 6 of 8");
              au::click(w, kPageImage);  // back to the thumbnails
              waitFor([&] { return au::statusText(w, 3) == "No Zoom"; });
              status("Pages 6-8 of 8");
              au::type(w, kPageSpin, "99");  // above the range: the last page
              status("Page 8 of 8");
              EXPECT_EQ(au::shown(w, kPageSpin), "8");
              au::press(w, kJump);
              uint64_t jump = findAnyWindow("PREVIEW:JUMPTOPAGE$JUMPWINDOW");
              ASSERT_NE(jump, 0u);
              au::type(jump, 2, "3");
              au::press(jump, 3);
              status("Pages 3-6 of 8");
              au::press(w, kChangeDisplay);
              uint64_t display = findAnyWindow("PREVIEW:SELECTDISPLAY$SELECTWINDOW");
              ASSERT_NE(display, 0u);
              au::type(display, 3, "3");
              au::type(display, 5, "1");
              au::press(display, 6);
              status("Pages 3-5 of 8");
              au::press(w, kZoom100);
              status("Page 3 of 8");
              exitPreview(w);
            });
  EXPECT_EQ(
      seen,
      (S{"Page 1 of 8 / No Zoom", "Pages 1-4 of 8 / No Zoom", "Pages 5-8 of 8 / No Zoom",
         "Page 7 of 8 / Zoom (Page Width)", "Page 6 of 8 / Zoom (Page Width)",
         "Page 6 of 8 / Zoom (200%)", "Pages 6-8 of 8 / No Zoom", "Page 8 of 8 / No Zoom",
         "Pages 3-6 of 8 / No Zoom", "Pages 3-5 of 8 / No Zoom", "Page 3 of 8 / Zoom (100%)"}));
  EXPECT_NE(zoomed.find(".PAGE00007"), std::string::npos) << zoomed;
  EXPECT_EQ(popup, "No Zoom|-|Page Width|50%|75%|100%|200%|300%");
}

TEST_F(Reports, AOnePageReportDisablesThePageControlsAndExitPrintsNothing) {
  addDisks({{1, "ONE", "Cat", 1000, 10}});
  bool spins[3] = {true, true, true}, pagesMenu = true;
  std::string status;
  runReport([] { PrtDisksInCat(1); },
            [&] {
              uint64_t w = findAnyWindow(kPreview);
              ASSERT_NE(w, 0u);
              waitFor([&] { return !au::statusText(w, 2).empty(); });
              status = au::statusText(w, 2);
              for (int i = 0; i < 3; ++i) spins[i] = au::shownEnabled(w, kPageSpin + i);
              pagesMenu = au::shownEnabled(w, kPagesMenu);
              exitPreview(w);
            });
  EXPECT_EQ(status, "Page 1 of 1");
  for (bool enabled : spins) EXPECT_FALSE(enabled);
  EXPECT_FALSE(pagesMenu);
  EXPECT_EQ(GlobalResponse, 2);  // cancelled
  EXPECT_TRUE(pdfFiles(dir.path()).empty());
}

TEST_F(Reports, PrintWithoutAPrinterWritesThePagesIntoAPdfFile) {
  addDisks({{1, "ONE", "Cat", 1000, 10}, {2, "TWO", "Cat", 1000, 999}});
  const std::string pdf = dir.path() + "/disks.pdf";
  std::string offered;
  runReport([] { PrtDisksInCat(2); },
            [&] {
              uint64_t w = findAnyWindow(kPreview);
              ASSERT_NE(w, 0u);
              au::press(w, kPrintButton);
              uint64_t file = findAnyWindow("PRINTTOFILE$WINDOW");
              ASSERT_NE(file, 0u);
              waitFor([&] { return !au::shown(file, 4).empty(); });
              offered = au::shown(file, 4);
              au::type(file, 4, pdf);
              au::press(file, 5);
            });
  EXPECT_EQ(offered, dir.path() + "/Disks in Catalog.pdf");
  ASSERT_TRUE(std::filesystem::exists(pdf));
  std::string text = commandOutput("pdftotext -layout '" + pdf + "' -");
  EXPECT_NE(text.find("Disks in Catalog By ID (Descending Order)"), std::string::npos) << text;
  EXPECT_LT(text.find("TWO"), text.find("ONE")) << text;
  EXPECT_NE(text.find("99.90%"), std::string::npos) << text;
}

TEST_F(Reports, CancelEndsTheReportWithoutAPreview) {
  AddManyDisks(6000);
  uint64_t preview = 1;
  runReport([] { PrtDisksInCat(1); },
            [&] {
              uint64_t progress = findAnyWindow("PRTDISKSINCAT$PROGRESSWINDOW");
              ASSERT_NE(progress, 0u);
              au::press(progress, 4);
              preview = findAnyWindow(kPreview, 3000);
            });
  EXPECT_EQ(preview, 0u);
}

}  // namespace
