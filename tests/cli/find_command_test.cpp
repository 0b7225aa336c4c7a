// tarrow find and tarrow dupes: the real binary over a random catalog, against the Search
// Wizard's own scans run in this process and against the duplicates rule read off the records.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/search/search_scan.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"
#include "tests/app/app_test_support.h"
#include "tests/cli/cli_support.h"

namespace fs = std::filesystem;
using clitest::tarrow;

namespace {

// The command line's names of the fields, in the order of the wizard's lists.
const std::vector<std::string> kFileFieldNames = {"name", "attrib", "comment", "date", "disk",
                                                  "path", "long",   "size",    "time", "type"};
const std::vector<std::string> kDiskFieldNames = {"id",     "category", "comment", "files", "free",
                                                  "serial", "total",    "user",    "label"};
const std::vector<std::string> kOperatorNames = {"eq", "ne",     "gt",   "lt",       "ge",
                                                 "le", "begins", "ends", "contains", "excludes"};

struct Made {
  int32_t disk;
  std::string path;
};

class FindCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new kivtest::TempDir;
    const fs::path back = fs::current_path();
    fs::current_path(dir_->path());
    std::mt19937 rng(4711);
    const std::vector<std::string> names = {"README.TXT", "readme.txt", "READ.ME",
                                            "NOTES.TXT",  "A.TXT",      "TXT",
                                            "MUSIC.MP3",  "M",          "AUTOEXEC.BAT"};
    const std::vector<std::string> labels = {"MUSIC", "music", "WORK", "", "Backup", "M"};
    const std::vector<std::string> categories = {"", "Games", "GAMES", "Music"};
    const std::vector<uint64_t> counts = {
        0, 12, 4294967295ULL, 4294967296ULL, 4294967297ULL, 5368709120ULL, 30000000000000ULL};
    const std::vector<std::string> attribs = {"", "R", "A", "RA", "   H"};
    {
      CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
      for (int32_t id = 1; id <= 40; ++id) {
        Disks.rec.clear();
        Disks.rec.IdNum = id;
        Disks.rec.Label = labels[rng() % labels.size()];
        Disks.rec.Category = categories[rng() % categories.size()];
        Disks.rec.UserNum = rng() % 2 ? "" : "U" + std::to_string(id);
        Disks.rec.SerialNo = rng() % 2 ? "ABCD-1234" : "0a1b-ff00";
        Disks.rec.Comments = rng() % 2 ? "holiday photos" : "Old Backup";
        Disks.rec.TotalBytes.setWhole(counts[rng() % counts.size()]);
        Disks.rec.FreeSpace.setWhole(counts[rng() % counts.size()]);
        Disks.rec.Files = int32_t(rng() % 5);
        Disks.rec.Type = "F";
        Disks.add();
        ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
      }
      for (int32_t uid = 1; uid <= 500; ++uid) {
        Files.rec.clear();
        Files.rec.DiskId = int32_t(rng() % 42);  // some files of disks the catalog lacks
        const std::string name = names[rng() % names.size()];
        Files.rec.ShortName = name;
        Files.rec.LongName = rng() % 2 ? name : "Copy of " + name;
        Files.rec.Path = "C:\\D" + std::to_string(uid) + "\\" + name;  // who the record is
        Files.rec.Type =
            name.substr(name.find('.') == std::string::npos ? name.size() : name.find('.') + 1);
        Files.rec.Attrib = attribs[rng() % attribs.size()];
        Files.rec.Comment = rng() % 3 ? "" : "keep";
        Files.rec.Size.setWhole(counts[rng() % counts.size()]);
        Files.rec.DisplayDate = Kiv$DATE(12, int32_t(1 + rng() % 3), 2026);
        // 23:59:59.99, midnight's first hundredth, and noon.
        const int32_t times[] = {8640000, 1, 12 * 360000 + 1};
        Files.rec.DisplayTime = times[rng() % 3];
        Files.add();
        ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
      }
    }
    fs::current_path(back);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static clitest::Result run(std::vector<std::string> args) {
    args.push_back("--catalog");
    args.push_back(dir_->path());
    return tarrow(args, dir_->path());
  }

  // The records the wizard's scan finds, read from its result table in this process.
  static std::multiset<std::string> scanned(const SearchRequest& r) {
    const fs::path back = fs::current_path();
    fs::current_path(dir_->path());
    std::multiset<std::string> out;
    SearchCatalog(r);
    if (r.item == SearchItem::Files) {
      CatalogUse use(TempFiles, TempFilesUseCount);
      TempFiles.set(TempFiles.ByDiskId);
      for (TempFiles.next(); kiv::errorCode() == 0; TempFiles.next())
        out.insert(std::to_string(TempFiles.rec.DiskId) + " " + TempFiles.rec.Path.str());
    } else {
      CatalogUse use(TempDisk, TempDiskUseCount);
      TempDisk.set(TempDisk.ByIdNum);
      for (TempDisk.next(); kiv::errorCode() == 0; TempDisk.next())
        out.insert(std::to_string(TempDisk.rec.IdNum));
    }
    Kiv$clearerror();
    fs::current_path(back);
    return out;
  }

  // The records the command lists, read back from its CSV.
  static std::multiset<std::string> listed(const clitest::Result& r, bool disks) {
    std::multiset<std::string> out;
    const auto rows = clitest::readCsv(r.out);
    for (size_t i = 1; i < rows.size(); ++i)
      out.insert(disks ? rows[i][0] : rows[i][0] + " " + rows[i][2]);
    return out;
  }

  static kivtest::TempDir* dir_;
};
kivtest::TempDir* FindCommand::dir_ = nullptr;

// Every field and comparison, with and without case, agrees with the wizard's scans; the exit
// status tells whether anything was found.
TEST_F(FindCommand, AgreesWithTheWizardOnEveryFieldAndOperator) {
  // Values per field, as typed on the command line, and as the wizard's entry stores them.
  struct Value {
    std::string typed, stored;
  };
  auto text = [](std::string v) { return Value{v, v}; };
  const std::map<std::string, std::vector<Value>> fileValues = {
      {"name", {text("readme.txt"), text("READ")}},
      {"attrib", {text("RA"), text("r")}},
      {"comment", {text("keep"), text("KE")}},
      {"date",
       {{"2026-12-02", std::to_string(Kiv$DATE(12, 2, 2026))},
        {"2026-12-03", std::to_string(Kiv$DATE(12, 3, 2026))}}},
      {"disk", {text("7"), text("41")}},
      {"path", {text("c:\\d1"), text("TXT")}},
      {"long", {text("copy of"), text("Readme.txt")}},
      {"size", {text("4294967296"), text("12")}},
      {"time", {{"23:59:59.99", "8640000"}, {"00:00", "1"}}},
      {"type", {text("txt"), text("ME")}},
  };
  const std::map<std::string, std::vector<Value>> diskValues = {
      {"id", {text("20")}},
      {"category", {text("games")}},
      {"comment", {text("old")}},
      {"files", {text("2")}},
      {"free", {text("4294967296")}},
      {"serial", {text("ABCD")}},
      {"total", {text("5368709120")}},
      {"user", {text("U1")}},
      {"label", {text("music")}},
  };
  int checked = 0;
  for (bool disks : {false, true}) {
    const auto& names = disks ? kDiskFieldNames : kFileFieldNames;
    for (size_t f = 0; f < names.size(); ++f) {
      const SearchItem item = disks ? SearchItem::Disks : SearchItem::Files;
      const bool isText = SearchValueKindOf(item, int32_t(f + 1)) == SearchValueKind::Text &&
                          names[f] != "size" && names[f] != "disk" && names[f] != "id";
      for (size_t op = 0; op < kOperatorNames.size(); ++op) {
        for (const Value& v : (disks ? diskValues : fileValues).at(names[f])) {
          for (bool caseOn : {false, true}) {
            if (caseOn && !isText) continue;
            std::vector<std::string> args = {"find", names[f], kOperatorNames[op], v.typed,
                                             "--csv"};
            if (disks) args.push_back("--disks");
            if (caseOn) args.push_back("--case");
            const clitest::Result r = run(args);
            const std::multiset<std::string> expected =
                scanned({item, int32_t(f + 1), int32_t(op + 1), v.stored, caseOn});
            const std::string what = names[f] + " " + kOperatorNames[op] + " " + v.typed +
                                     (disks ? " (disks)" : "") + (caseOn ? " (case)" : "");
            ASSERT_EQ(r.status, expected.empty() ? 1 : 0) << what << "\n" << r.err;
            EXPECT_EQ(listed(r, disks), expected) << what;
            ++checked;
          }
        }
      }
    }
  }
  EXPECT_GT(checked, 300);
}

TEST_F(FindCommand, TextAloneIsALongNameThatContainsIt) {
  const clitest::Result r = run({"find", "COPY OF read", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::multiset<std::string> expected = scanned(
      {SearchItem::Files, search_field::FileLongName, search_op::Contains, "COPY OF read", false});
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(listed(r, false), expected);
  // The text format: each hit shows its disk, path, size and date.
  const clitest::Result t = run({"find", "size", "eq", "30000000000000"});
  ASSERT_EQ(t.status, 0) << t.err;
  EXPECT_NE(t.out.find("30000000000000"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("2026-12-0"), std::string::npos) << t.out;
}

TEST_F(FindCommand, BadSearchesAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"find"}, "give FIELD OPERATOR VALUE"},
      {{"find", "name", "eq"}, "give FIELD OPERATOR VALUE"},
      {{"find", "colour", "eq", "red"}, "no field colour"},
      {{"find", "label", "eq", "X"}, "no field label"},  // a disk field, without --disks
      {{"find", "name", "like", "X"}, "no operator like"},
      {{"find", "name", "eq", ""}, "cannot be empty"},
      {{"find", "date", "eq", "2026-02-29"}, "is not a date"},  // not a leap year
      {{"find", "date", "eq", "12/08/2026"}, "is not a date"},
      {{"find", "time", "eq", "24:00"}, "is not a time"},
      {{"find", "time", "eq", "12:60"}, "is not a time"},
      {{"find", "x", "--csv", "--json"}, "one output format"},
  };
  for (const Case& c : cases) {
    const clitest::Result r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.args.size() << " " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  // The last valid moments of their ranges are taken.
  EXPECT_NE(run({"find", "date", "eq", "2028-02-29"}).status, 2);
  EXPECT_NE(run({"find", "time", "eq", "23:59:59.99"}).status, 2);
  // A folder without a catalog: a clear message, nothing created there.
  kivtest::TempDir empty;
  const clitest::Result r = tarrow({"find", "x", "--catalog", empty.path()}, empty.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no catalog"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(empty.path()));
}

// The duplicates: short names alike (case aside) on neighbouring records of the name order,
// numbered in groups; one category's disks only; none at all.
TEST_F(FindCommand, DupesGroupTheShortNamesAsTheReportsDo) {
  // The reference: every file of a catalogued disk, grouped by its upper-cased short name; a
  // group counts when it holds two files or more.
  std::map<int32_t, std::string> categoryOf;
  std::map<std::string, std::multiset<std::string>> byName, byNameInGames;
  {
    const fs::path back = fs::current_path();
    fs::current_path(dir_->path());
    CatalogUse disks(Disks, DisksUseCount), files(Files, FilesUseCount);
    Disks.set(Disks.ByIdNum);
    for (Disks.next(); kiv::errorCode() == 0; Disks.next())
      categoryOf[Disks.rec.IdNum] = kiv::upper(Disks.rec.Category.clipped());
    Kiv$clearerror();
    Files.set(Files.ByDiskId);
    for (Files.next(); kiv::errorCode() == 0; Files.next()) {
      const std::string key = kiv::upper(Files.rec.ShortName.clipped());
      const std::string who = std::to_string(Files.rec.DiskId) + " " + Files.rec.Path.str();
      byName[key].insert(who);
      auto c = categoryOf.find(Files.rec.DiskId);
      if (c != categoryOf.end() && c->second == "GAMES") byNameInGames[key].insert(who);
    }
    Kiv$clearerror();
    fs::current_path(back);
  }
  auto check = [&](const std::vector<std::string>& extra,
                   const std::map<std::string, std::multiset<std::string>>& reference) {
    std::vector<std::string> args = {"dupes", "--csv"};
    args.insert(args.end(), extra.begin(), extra.end());
    const clitest::Result r = run(args);
    std::map<std::string, std::multiset<std::string>> groups;  // group number -> files
    const auto rows = clitest::readCsv(r.out);
    for (size_t i = 1; i < rows.size(); ++i)
      groups[rows[i][0]].insert(rows[i][1] + " " + rows[i][3]);
    std::set<std::multiset<std::string>> got, want;
    for (const auto& [n, files] : groups) got.insert(files);
    for (const auto& [name, files] : reference)
      if (files.size() > 1) want.insert(files);
    EXPECT_EQ(got, want);
    EXPECT_EQ(r.status, want.empty() ? 1 : 0) << r.err;
    return groups.size();
  };
  EXPECT_GT(check({}, byName), 3u);
  // Files of disks the catalog lacks are not in a category's list.
  check({"--category", "games"}, byNameInGames);
  EXPECT_EQ(check({"--category", "No Such Category"}, {}), 0u);
}

}  // namespace
