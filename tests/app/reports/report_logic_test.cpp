// The rules of the preview, the progress percent, the duplicate groups and the number texts of
// the reports, row by row with the boundaries of each rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/duplicates/duplicates.h"
#include "app/browse/disk_text.h"
#include "app/reports/preview_layout.h"
#include "app/reports/report_run.h"
#include "app/reports/report_text.h"
#include "app/reports/reports.h"
#include "include/kvrun32/core.h"
#include "tests/app/app_test_support.h"

namespace {

// Moves through a preview and records the status line after each move.
std::vector<std::string> Walk(PreviewLayout& p, const std::string& moves) {
  std::vector<std::string> seen{p.pageStatus()};
  for (char m : moves) {
    if (m == 'n') p.next();
    if (m == 'p') p.previous();
    seen.push_back(p.pageStatus());
  }
  return seen;
}

TEST(PreviewLayout, OnePageShowsPageOneOfOneAndGoesNowhere) {
  PreviewLayout p(1);
  EXPECT_EQ(Walk(p, "npn"),
            (std::vector<std::string>{"Page 1 of 1", "Page 1 of 1", "Page 1 of 1", "Page 1 of 1"}));
  EXPECT_FALSE(p.canGoNext());
  EXPECT_FALSE(p.canGoBack());
}

TEST(PreviewLayout, TwoByTwoOverSixPagesEndsOnAScreenOfTwo) {
  PreviewLayout p(6);
  p.setGrid(2, 2);
  EXPECT_EQ(Walk(p, "nnp"), (std::vector<std::string>{"Pages 1-4 of 6", "Pages 5-6 of 6",
                                                      "Pages 5-6 of 6", "Pages 1-4 of 6"}));
  p.next();
  EXPECT_EQ(p.first(), 5);
  EXPECT_EQ(p.last(), 6);
  EXPECT_FALSE(p.canGoNext());  // "Next" is disabled on the last screen
  EXPECT_TRUE(p.canGoBack());
}

TEST(PreviewLayout, NextAndPreviousAtTheirBoundaries) {
  struct Row {
    int32_t pages, across, down, first;
    Zoom zoom;
    int32_t afterNext, afterPrevious;
  };
  const Row rows[] = {
      // thumbnails: a screen on only when its first page exists; back not below page 1
      {9, 2, 2, 5, Zoom::None, 9, 1},  // page 9 exists: the last screen holds it alone
      {8, 2, 2, 5, Zoom::None, 5, 1},  // page 9 does not: no change
      {8, 3, 1, 2, Zoom::None, 5, 1},  // from page 2, back stops at 1
      {8, 1, 1, 8, Zoom::None, 8, 7},
      // zoomed: one page either way, unless at the end
      {8, 2, 2, 7, Zoom::Percent100, 8, 6},
      {8, 2, 2, 8, Zoom::PageWidth, 8, 7},
      {8, 2, 2, 1, Zoom::Percent50, 2, 1},
  };
  for (const Row& r : rows) {
    PreviewLayout p(r.pages);
    p.setGrid(r.across, r.down);
    p.goTo(r.first);
    p.setZoom(r.zoom);
    PreviewLayout q = p;
    p.next();
    q.previous();
    EXPECT_EQ(p.first(), r.afterNext) << r.pages << " pages from " << r.first;
    EXPECT_EQ(q.first(), r.afterPrevious) << r.pages << " pages from " << r.first;
  }
}

TEST(PreviewLayout, StatusTexts) {
  PreviewLayout p(6);
  p.setGrid(3, 1);
  p.goTo(6);
  EXPECT_EQ(p.pageStatus(), "Page 6 of 6");  // the first page on show is the last
  p.goTo(5);
  EXPECT_EQ(p.pageStatus(), "Pages 5-6 of 6");
  p.setZoom(Zoom::Percent200);
  EXPECT_EQ(p.pageStatus(), "Page 5 of 6");  // one page zoomed
  const std::pair<Zoom, const char*> zooms[] = {
      {Zoom::None, "No Zoom"},           {Zoom::PageWidth, "Zoom (Page Width)"},
      {Zoom::Percent50, "Zoom (50%)"},   {Zoom::Percent75, "Zoom (75%)"},
      {Zoom::Percent100, "Zoom (100%)"}, {Zoom::Percent200, "Zoom (200%)"},
      {Zoom::Percent300, "Zoom (300%)"}};
  for (auto [zoom, text] : zooms) {
    p.setZoom(zoom);
    EXPECT_EQ(p.zoomStatus(), text);
  }
}

TEST(PreviewLayout, AThumbnailClickedShowsItsPageAtPageWidth) {
  PreviewLayout p(8);
  p.setGrid(2, 2);
  p.next();
  p.thumbnailClicked(2);  // the third thumbnail of the screen from page 5
  EXPECT_EQ(p.first(), 7);
  EXPECT_EQ(p.zoom(), Zoom::PageWidth);
  PreviewLayout q(6);
  q.setGrid(2, 2);
  q.next();
  q.thumbnailClicked(2);  // a hidden slot: page 7 does not exist
  EXPECT_EQ(q.first(), 5);
  EXPECT_EQ(q.zoom(), Zoom::None);
}

TEST(PreviewLayout, AGridChangeGoesBackToThumbnailsAndGoToStaysWithinThePages) {
  PreviewLayout p(6);
  p.setZoom(Zoom::Percent300);
  p.setGrid(0, 4);
  EXPECT_EQ(p.zoom(), Zoom::None);
  EXPECT_EQ(p.across(), 1);
  EXPECT_EQ(p.down(), 4);
  for (auto [asked, got] : {std::pair{0, 1}, {1, 1}, {6, 6}, {7, 6}, {-3, 1}}) {
    p.goTo(asked);
    EXPECT_EQ(p.first(), got) << asked;
  }
}

TEST(PreviewLayout, ThumbnailSlotsFollowThePageShape) {
  // 1000 x 800 pixels, 2 x 2: cells (1000 - 5) / 2 = 497 wide and (800 - 5) / 2 = 397 high.
  // A letter page (11 / 8.5) is taller than a cell's 397 / 497: as high as the cell, and
  // 397 / 1.294 = 306.8 wide.
  std::vector<Slot> s = ThumbnailSlots(1000, 800, 2, 2, 11.0 / 8.5);
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].x, 1);
  EXPECT_EQ(s[0].y, 1);
  EXPECT_EQ(s[0].height, 397);
  EXPECT_EQ(s[0].width, 306);
  EXPECT_EQ(s[1].x, 1 + 306 + 3);  // the next column 3 pixels right of the last
  EXPECT_EQ(s[1].y, 1);
  EXPECT_EQ(s[2].x, 1);
  EXPECT_EQ(s[2].y, 1 + 397 + 3);  // the next row 3 pixels below
  // A landscape page (8.5 / 11) is flatter than the cell: as wide as the cell, 384 high.
  s = ThumbnailSlots(1000, 800, 2, 2, 8.5 / 11.0);
  EXPECT_EQ(s[0].width, 497);
  EXPECT_EQ(s[0].height, 384);
  // A page exactly of the cell's shape (400 x 200) fills it.
  s = ThumbnailSlots(402, 202, 1, 1, 0.5);
  EXPECT_EQ(s[0].width, 400);
  EXPECT_EQ(s[0].height, 200);
  // Any grid stays on screen, however small the window.
  for (const Slot& slot : ThumbnailSlots(10, 10, 10, 10, 1.3)) {
    EXPECT_GE(slot.width, 1);
    EXPECT_GE(slot.height, 1);
  }
}

TEST(PreviewLayout, ZoomFactorsAndTheZoomMenu) {
  EXPECT_DOUBLE_EQ(ZoomFactor(Zoom::PageWidth, 1632, 816), 2.0);
  EXPECT_DOUBLE_EQ(ZoomFactor(Zoom::Percent50, 1632, 816), 0.5);
  EXPECT_DOUBLE_EQ(ZoomFactor(Zoom::Percent75, 1632, 816), 0.75);
  EXPECT_DOUBLE_EQ(ZoomFactor(Zoom::Percent300, 1632, 816), 3.0);
  EXPECT_EQ(ZoomMenu(Zoom::None), "+No Zoom|-|-Page Width|-50%|-75%|-100%|-200%|-300%");
  EXPECT_EQ(ZoomMenu(Zoom::Percent100), "-No Zoom|-|-Page Width|-50%|-75%|+100%|-200%|-300%");
  EXPECT_EQ(ZoomMenu(Zoom::Percent300), "-No Zoom|-|-Page Width|-50%|-75%|-100%|-200%|+300%");
}

TEST(PreviewLayout, ARefusedNumberTakesTheNearerBound) {
  EXPECT_EQ(IntoRange(7, 1, 6), 6);
  EXPECT_EQ(IntoRange(6, 1, 6), 6);
  EXPECT_EQ(IntoRange(1, 1, 6), 1);
  EXPECT_EQ(IntoRange(0, 1, 6), 1);
  EXPECT_EQ(IntoRange(9999, 1, 1), 1);
}

TEST(ProgressPercent, NeverAbove100AndRedrawnOnlyWhenTheWholeNumberChanges) {
  ProgressPercent p(1000);  // the collector's fixed estimate
  std::vector<int32_t> shown;
  for (int i = 0; i < 2500; ++i)
    if (p.add(1)) shown.push_back(p.percent());
  ASSERT_EQ(shown.size(), 100u);  // 1% to 100%, each once
  EXPECT_EQ(shown.front(), 1);
  EXPECT_EQ(shown.back(), 100);
  EXPECT_EQ(p.text(), "100% Completed");

  ProgressPercent q(3);
  EXPECT_TRUE(q.add(1));
  EXPECT_EQ(q.text(), " 33% Completed");
  EXPECT_FALSE(q.add(0));
  EXPECT_TRUE(q.add(2));
  EXPECT_EQ(q.percent(), 100);

  ProgressPercent bytes(200);  // the label report counts bytes: one step may pass 100
  EXPECT_TRUE(bytes.add(350));
  EXPECT_EQ(bytes.percent(), 100);
  EXPECT_FALSE(bytes.add(1));
  EXPECT_EQ(ProgressPercent(0).text(), "  0% Completed");
}

// A report reads until its table ends (error 33), quietly; any other read error is told once,
// naming the table, and ends the run as failed. A view that would not open is told, not fatal.
TEST(RecordReading, TheEndOfTheTableIsQuietAndAnyOtherErrorIsToldAndFails) {
  apptest::Boxes boxes;
  RecordReading reading("Files");
  Kiv$clearerror();
  EXPECT_TRUE(reading.found());
  Kiv$seterror(33);
  EXPECT_FALSE(reading.found());
  EXPECT_EQ(reading.ended(), Step::End);
  EXPECT_TRUE(boxes.shown.empty());
  for (int32_t code : {32, 34, 5}) {
    RecordReading failing("TempFile");
    Kiv$seterror(code);
    EXPECT_FALSE(failing.found()) << code;
    EXPECT_EQ(failing.ended(), Step::Failed) << code;
    EXPECT_TRUE(failing.failed());
  }
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].caption, "Record Retrieval Error");
  EXPECT_NE(boxes.shown[0].text.find("record from the TempFile file."), std::string::npos)
      << boxes.shown[0].text;

  Kiv$clearerror();
  TellViewFailure();
  EXPECT_EQ(boxes.shown.size(), 3u);
  Kiv$seterror(47);
  TellViewFailure();
  ASSERT_EQ(boxes.shown.size(), 4u);
  EXPECT_EQ(boxes.shown[3].caption, "View Open Error");
  Kiv$clearerror();
}

// The names a duplicates report prints from a list in short-name order, a separator as "--".
std::vector<std::string> Printed(const std::vector<std::string>& names) {
  DuplicateGroups groups;
  std::vector<std::string> out;
  for (size_t i = 0; i < names.size(); ++i) {
    std::optional<std::string_view> next;
    if (i + 1 < names.size()) next = names[i + 1];
    DuplicateGroups::Print p = groups.take(names[i], next);
    if (p.detail) out.push_back(names[i]);
    if (p.separator) out.push_back("--");
  }
  return out;
}

TEST(DuplicateGroups, GroupsOfAlikeNamesPrintWithASeparatorAfterEach) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Printed({"INDEX.HTM", "README.TXT", "README.TXT", "README.TXT"}),
            (V{"README.TXT", "README.TXT", "README.TXT", "--"}));
  EXPECT_EQ(Printed({"A.TXT", "A.TXT", "B.TXT", "C.TXT", "C.TXT", "D.TXT"}),
            (V{"A.TXT", "A.TXT", "--", "C.TXT", "C.TXT", "--"}));
  // The last record prints only when the one before it has its name.
  EXPECT_EQ(Printed({"A.TXT", "B.TXT"}), V{});
  EXPECT_EQ(Printed({"A.TXT", "B.TXT", "B.TXT"}), (V{"B.TXT", "B.TXT", "--"}));
  EXPECT_EQ(Printed({"ONLY.TXT"}), V{});
  EXPECT_EQ(Printed({}), V{});
  // Names alike but for letter case and trailing blanks are one group, as the key orders them.
  EXPECT_EQ(Printed({"read.me", "READ.ME   "}), (V{"read.me", "READ.ME   ", "--"}));
  EXPECT_FALSE(SameShortName("README.TX", "README.TXT"));
}

TEST(ReportTexts, ByteCountsInFullAndTheirMegabytes) {
  ByteCount b;
  const std::pair<uint64_t, const char*> bytes[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {4294967295u, "4,294,967,295"},
      {4294967296u, "4,294,967,296"},
      {30000000000000u, "30,000,000,000,000"},
      {18446744073709551615u, "18,446,744,073,709,551,615"},
  };
  for (auto [value, text] : bytes) {
    b.setWhole(value);
    EXPECT_EQ(BytesText(b), text) << value;
  }
  const std::pair<uint64_t, const char*> megabytes[] = {
      {0, "0.00MB"},
      {1048576, "1.00MB"},
      {1572864, "1.50MB"},
      {1048575, "1.00MB"},                   // 0.999999 rounds up
      {5368709120u, "5,120.00MB"},           // 5 GiB
      {30000000000000u, "28,610,229.49MB"},  // a 30 TB volume
      {18446744073709551615u, "17,592,186,044,416.00MB"},
  };
  for (auto [value, text] : megabytes) {
    b.setWhole(value);
    EXPECT_EQ(MegabyteText(b), text) << value;
  }
}

TEST(ReportTexts, PercentFreeWithTwoPlacesAndNoneForAnEmptyDisk) {
  ByteCount free, total;
  struct Row {
    uint64_t free, total;
    const char* text;
  };
  const Row rows[] = {
      {0, 0, "n/a"},  // no bytes at all: no share
      {5, 0, "n/a"},
      {0, 100, "0.00%"},
      {1, 3, "33.33%"},
      {2, 3, "66.67%"},  // rounded to two places
      {100, 100, "100.00%"},
      {12345678901234u, 30000000000000u, "41.15%"},
      {18446744073709551615u, 18446744073709551615u, "100.00%"},
  };
  for (const Row& r : rows) {
    free.setWhole(r.free);
    total.setWhole(r.total);
    EXPECT_EQ(PercentFreeText(free, total), r.text) << r.free << " of " << r.total;
  }
}

TEST(ReportTexts, DriveTypeNamesAndDiskLabelLines) {
  const std::pair<const char*, const char*> types[] = {
      {"R", "Removable"}, {"F", "Fixed"}, {"V", "Ram"}, {"N", "Network"},
      {"C", "CD-ROM"},    {"U", ""},      {"X", ""},    {"", ""}};
  for (auto [letter, name] : types) EXPECT_EQ(DriveTypeName(letter), name) << letter;

  DisksRecord d;
  d.clear();
  d.IdNum = 42;
  d.Label = "ARCHIVE30TB";
  d.SerialNo = "1A2B-3C4D";
  d.Files = 123456;
  d.TotalBytes.setWhole(30000000000000u);
  d.FreeSpace.setWhole(12345678901234u);
  d.Type = "U";
  d.Category = "Backups";
  DiskLabelLines l = DiskLabelText(d);
  EXPECT_EQ(l.lines[0], "DISK# : 42");
  EXPECT_EQ(l.lines[1], "LABEL : ARCHIVE30TB");
  EXPECT_EQ(l.lines[2], "SER#  : 1A2B-3C4D");
  EXPECT_EQ(l.lines[3], "#FILES: 123,456");
  EXPECT_EQ(l.lines[4], "TOTAL : 30,000,000,000,000 bytes");
  EXPECT_EQ(l.lines[5], "FREE  : 12,345,678,901,234 bytes");
  EXPECT_EQ(l.lines[6], "TYPE  : ");
  EXPECT_EQ(l.lines[7], "Backups");
  d.Type = "C";
  EXPECT_EQ(DiskLabelText(d).lines[6], "TYPE  : CD-ROM");
}

}  // namespace
