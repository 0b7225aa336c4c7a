// tarrow report: the real binary prints the desktop program's reports into PDF files without a
// display; the files are read back with pdftotext.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"
#include "tests/app/app_test_support.h"
#include "tests/cli/cli_support.h"

namespace fs = std::filesystem;
using clitest::tarrow;

namespace {

std::string pdfText(const fs::path& pdf) {
  std::string out;
  if (FILE* p = popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");  // no display: the command must not need one
    const fs::path back = fs::current_path();
    fs::current_path(dir.path());
    {
      CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
      struct D {
        int32_t id;
        const char* label;
        const char* category;
        uint64_t total, free;
      };
      // Free space ties between disks 2 and 4; disk 3 is above 4 GiB on both counts.
      const D made[] = {{1, "ALPHA", "Music", 1000, 100},
                        {2, "BRAVO", "Games", 2000, 500},
                        {3, "CHARLIE", "Music", 30000000000000ULL, 5368709120ULL},
                        {4, "DELTA", "", 4000, 500}};
      for (const D& d : made) {
        Disks.rec.clear();
        Disks.rec.IdNum = d.id;
        Disks.rec.Label = d.label;
        Disks.rec.Category = d.category;
        Disks.rec.TotalBytes.setWhole(d.total);
        Disks.rec.FreeSpace.setWhole(d.free);
        Disks.rec.Type = "F";
        Disks.add();
      }
      struct F {
        int32_t disk;
        const char* name;
        uint64_t size;
      };
      const F filesMade[] = {{1, "README.TXT", 10},
                             {2, "README.TXT", 20},
                             {3, "readme.txt", 5368709120ULL},
                             {3, "INDEX.HTM", 7},
                             {1, "SONG.MP3", 99}};
      for (const F& f : filesMade) {
        Files.rec.clear();
        Files.rec.DiskId = f.disk;
        Files.rec.ShortName = f.name;
        Files.rec.LongName = f.name;
        Files.rec.Path = std::string("C:\\") + f.name;
        Files.rec.Size.setWhole(f.size);
        Files.rec.DisplayDate = Kiv$DATE(12, 8, 2026);
        Files.add();
      }
      CatalogUse labels(Labels, LabelsUseCount);
      Labels.rec.clear();
      Labels.rec.LabelType = "Avery Test";
      Labels.rec.PageWidth = 8.5;
      Labels.rec.PageHeight = 11;
      Labels.rec.LabelWidth = 4;
      Labels.rec.LabelHeight = 2.5;
      Labels.rec.TopMargin = 0.5;
      Labels.rec.LeftMargin = 0.25;
      Labels.rec.FontSize = 9;
      Labels.rec.Borders = 1;
      Labels.add();
    }
    Kiv$clearerror();
    fs::current_path(back);
  }

  clitest::Result run(std::vector<std::string> args) {
    args.push_back("--catalog");
    args.push_back(dir.path());
    return tarrow(args, dir.path());
  }
  // The PDF of a report, as text; empty when the command failed.
  std::string report(std::vector<std::string> args) {
    const fs::path pdf = fs::path(dir.path()) / "out.pdf";
    fs::remove(pdf);
    args.insert(args.begin(), "report");
    args.push_back("-o");
    args.push_back(pdf.string());
    const clitest::Result r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return pdfText(pdf);
  }
  // Where each of the words shows up in the text, in their order; npos for one missing.
  static std::vector<size_t> at(const std::string& text, const std::vector<std::string>& words) {
    std::vector<size_t> out;
    for (const std::string& w : words) out.push_back(text.find(w));
    return out;
  }

  kivtest::TempDir dir;
};

TEST_F(ReportCommand, TheDiskListInItsOrders) {
  const std::vector<std::string> labels = {"ALPHA", "BRAVO", "CHARLIE", "DELTA"};
  std::string byId = report({"disks"});
  EXPECT_NE(byId.find("Disks in Catalog"), std::string::npos) << byId;
  std::vector<size_t> p = at(byId, labels);
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()) && p.back() != std::string::npos) << byId;
  // Whole byte counts and the percent free.
  EXPECT_NE(byId.find("30,000,000,000,000"), std::string::npos) << byId;
  EXPECT_NE(byId.find("5,368,709,120"), std::string::npos) << byId;
  EXPECT_NE(byId.find("10.00%"), std::string::npos) << byId;
  // Descending ID: the other way round.
  p = at(report({"disks", "--order", "id-desc"}), labels);
  EXPECT_TRUE(std::is_sorted(p.rbegin(), p.rend())) << p[0] << " " << p[3];
  // Free space ascending: 100, then the tie of 500 by ID (2 before 4), then 5 GiB; descending
  // reverses the tie as well.
  p = at(report({"disks", "--order", "free"}), {"ALPHA", "BRAVO", "DELTA", "CHARLIE"});
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
  p = at(report({"disks", "--order", "free-desc"}), {"CHARLIE", "DELTA", "BRAVO", "ALPHA"});
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
}

TEST_F(ReportCommand, FilesDupesAndLabels) {
  const std::string files = report({"files", "charlie"});
  EXPECT_NE(files.find("Files for a Disk"), std::string::npos) << files;
  EXPECT_NE(files.find("5,368,709,120"), std::string::npos) << files;
  EXPECT_EQ(files.find("SONG.MP3"), std::string::npos) << files;  // another disk's file

  // README.TXT on three disks (case aside); INDEX.HTM and SONG.MP3 alone: three lines, each
  // with its path.
  const std::string all = report({"dupes"});
  EXPECT_EQ(all.find("INDEX.HTM"), std::string::npos) << all;
  size_t readmes = 0;
  for (size_t i = 0; (i = all.find("C:\\", i)) != std::string::npos; ++i) ++readmes;
  EXPECT_EQ(readmes, 3u) << all;
  // The Music category: disks 1 and 3, so two of them.
  const std::string music = report({"dupes", "--category", "music"});
  readmes = 0;
  for (size_t i = 0; (i = music.find("C:\\", i)) != std::string::npos; ++i) ++readmes;
  EXPECT_EQ(readmes, 2u) << music;
  EXPECT_FALSE(fs::exists(fs::path(dir.path()) / "SORTFILES.ZPH"));

  const std::string sheet = report({"labels", "avery test"});
  for (const char* label : {"ALPHA", "BRAVO", "CHARLIE", "DELTA"})
    EXPECT_NE(sheet.find(label), std::string::npos) << label << "\n" << sheet;
  const std::string ids = report({"idlabels", "98", "100"});
  for (const char* id : {"98", "99", "100"}) EXPECT_NE(ids.find(id), std::string::npos) << ids;
  EXPECT_FALSE(fs::exists(fs::path(dir.path()) / "TEMPFILE"));
}

TEST_F(ReportCommand, NothingToPrintAndBadRequests) {
  const fs::path pdf = fs::path(dir.path()) / "none.pdf";
  // A category without disks has no duplicates: exit 1, no file.
  clitest::Result r = run({"report", "dupes", "--category", "Nothing", "-o", pdf.string()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_FALSE(fs::exists(pdf));
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"report", "disks"}, "-o FILE.pdf"},
      {{"report", "disks", "--order", "size", "-o", pdf.string()}, "no order size"},
      {{"report", "invoices", "-o", pdf.string()}, "no report invoices"},
      {{"report", "files", "-o", pdf.string()}, "name one disk"},
      {{"report", "files", "NOSUCH", "-o", pdf.string()}, "NOSUCH"},
      {{"report", "labels", "Other", "-o", pdf.string()}, "no label layout"},
      {{"report", "idlabels", "5", "4", "-o", pdf.string()}, "above the last"},
      {{"report", "idlabels", "0", "100000", "-o", pdf.string()}, "at most 100000"},  // 100,001
      {{"report", "idlabels", "-1", "3", "-o", pdf.string()}, "unknown option -1"},
  };
  for (const Case& c : cases) {
    r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.args[1] << " " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(pdf)) << c.args[1];
  }
  // A range whose first number is its last, at the lowest number.
  r = run({"report", "idlabels", "0", "0", "-o", pdf.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(pdfText(pdf).find("0"), std::string::npos);
}

}  // namespace
