// The rules of the update forms against the catalog: the disk delete cascade, a disk's new ID
// taking its files along, the category rename cascade and the restricted category delete,
// transactions that cannot be framed, and a record changed by another station meanwhile.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/browse/rules.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"
#include "tests/app/app_test_support.h"
#include "tests/support/peer_program.h"

namespace {

using apptest::Boxes;

// The disks of the catalog and how many files each has, read straight from the tables.
std::map<int32_t, int32_t> filesPerDisk() {
  std::map<int32_t, int32_t> n;
  for (const DisksRecord& d : apptest::storedDisks()) n[d.IdNum] = 0;
  CatalogUse files(Files, FilesUseCount);
  Files.set(Files.ByDiskId);
  for (Files.next(); kiv::errorCode() == 0; Files.next()) ++n[Files.rec.DiskId];
  Kiv$clearerror();
  return n;
}

std::map<int32_t, std::string> categories() {
  std::map<int32_t, std::string> c;
  for (const DisksRecord& d : apptest::storedDisks()) c[d.IdNum] = d.Category.str();
  return c;
}

class Rules : public ::testing::Test {
 protected:
  static void addDisk(int32_t id, const std::string& label, const std::string& cat, int nFiles) {
    Disks.rec.clear();
    Disks.rec.IdNum = id;
    Disks.rec.Label = label;
    Disks.rec.Category = cat;
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0);
    for (int f = 0; f < nFiles; ++f) {
      Files.rec.clear();
      Files.rec.DiskId = id;
      Files.rec.ShortName = "F" + std::to_string(f) + ".TXT";
      Files.rec.Path = "X:\\" + label + "\\F" + std::to_string(f) + ".TXT";
      Files.add();
      ASSERT_EQ(kiv::errorCode(), 0);
    }
  }
  static void addCategory(const std::string& name) {
    Category.rec.Name = name;
    Category.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  // The disk in the buffer and as the current record, as a form finds it.
  static void current(int32_t id) {
    Disks.rec.clear();
    Disks.rec.IdNum = id;
    Disks.get(Disks.ByIdNum);
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  static void currentCategory(const std::string& name) {
    Category.rec.Name = name;
    Category.get(Category.ByName);
    ASSERT_EQ(kiv::errorCode(), 0);
  }

  kivtest::TempDir dir;
  Boxes boxes;
  // Held from after the folder is made until before it goes.
  CatalogUse disks{Disks, DisksUseCount}, files{Files, FilesUseCount},
      category{Category, CategoryUseCount};
};

TEST_F(Rules, DeletingADiskDeletesItsFilesOnly) {
  addDisk(1, "ONE", "", 3);
  addDisk(2, "TWO", "", 4);
  addDisk(3, "THREE", "", 2);
  current(2);
  EXPECT_EQ(DeleteDiskRule(), RuleResult::Done);
  EXPECT_EQ(filesPerDisk(), (std::map<int32_t, int32_t>{{1, 3}, {3, 2}}));
  // The first and the last disk of the key, and a disk without files.
  current(1);
  EXPECT_EQ(DeleteDiskRule(), RuleResult::Done);
  current(3);
  EXPECT_EQ(DeleteDiskRule(), RuleResult::Done);
  addDisk(4, "FOUR", "", 0);
  current(4);
  EXPECT_EQ(DeleteDiskRule(), RuleResult::Done);
  EXPECT_TRUE(filesPerDisk().empty());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Rules, ANewIdTakesTheDisksFilesAlong) {
  addDisk(1, "ONE", "", 2);
  addDisk(2, "TWO", "", 5);
  addDisk(3, "THREE", "", 1);
  struct Move {
    int32_t from, to;
    RuleResult result;
    std::map<int32_t, int32_t> after;
  };
  const Move moves[] = {
      // Up past another disk, down below every other, to the ID it had (nothing moves).
      {2, 7, RuleResult::Done, {{1, 2}, {3, 1}, {7, 5}}},
      {7, 0, RuleResult::Done, {{0, 5}, {1, 2}, {3, 1}}},
      {0, 0, RuleResult::Done, {{0, 5}, {1, 2}, {3, 1}}},
      // Onto an ID in use: refused as a whole, the files stay where they were.
      {0, 3, RuleResult::Failed, {{0, 5}, {1, 2}, {3, 1}}},
      // The refused move left no transaction behind: the next one goes through.
      {0, 4, RuleResult::Done, {{1, 2}, {3, 1}, {4, 5}}},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(std::to_string(m.from) + " to " + std::to_string(m.to));
    current(m.from);
    const DisksRecord before = Disks.rec;
    Disks.rec.IdNum = m.to;
    EXPECT_EQ(UpdateDiskRule(before), m.result);
    EXPECT_EQ(filesPerDisk(), m.after);
  }
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Update Operation Error");
  EXPECT_NE(boxes.shown[0].text.find("Probable Cause: Disks."), std::string::npos);
}

TEST_F(Rules, RenamingACategoryRenamesItOnItsDisks) {
  addCategory("MUSIC");
  addCategory("JAZZ");
  addDisk(1, "A", "MUSIC", 0);
  addDisk(2, "B", "Music", 0);  // the same category in other letter case
  addDisk(3, "C", "MUSICAL", 0);
  addDisk(4, "D", "JAZZ", 0);
  addDisk(5, "E", "", 0);
  // A disk form on this thread shows disk 2 while the category is renamed.
  current(2);
  currentCategory("MUSIC");
  const CategoryRecord before = Category.rec;
  Category.rec.Name = "AUDIO";
  EXPECT_EQ(UpdateCategoryRule(before), RuleResult::Done);
  // The form's disk is still its own, under the new name (looked at before the disks are read
  // back through the same buffer).
  EXPECT_EQ(Disks.rec.IdNum, 2);
  EXPECT_EQ(Disks.rec.Category.str(), "AUDIO");
  EXPECT_EQ(Disks.pointer(), 2);
  EXPECT_EQ(categories(), (std::map<int32_t, std::string>{
                              {1, "AUDIO"}, {2, "AUDIO"}, {3, "MUSICAL"}, {4, "JAZZ"}, {5, ""}}));
  // A rename to a name in use is refused; the disks keep theirs.
  currentCategory("JAZZ");
  const CategoryRecord jazz = Category.rec;
  Category.rec.Name = "AUDIO";
  EXPECT_EQ(UpdateCategoryRule(jazz), RuleResult::Failed);
  EXPECT_EQ(categories()[4], "JAZZ");
  EXPECT_TRUE(boxes.shown.size() == 1 && boxes.shown[0].caption == "Update Operation Error");
}

TEST_F(Rules, ACategoryInUseIsNotDeleted) {
  addCategory("USED");
  addCategory("UNUSED");
  addCategory("USEDTOO");
  addDisk(1, "A", "usedtoo", 0);  // in use in other letter case
  addDisk(2, "B", "USED", 0);
  struct Delete {
    const char* name;
    RuleResult result;
  };
  for (const Delete& d :
       {Delete{"USED", RuleResult::Refused}, Delete{"USEDTOO", RuleResult::Refused},
        Delete{"UNUSED", RuleResult::Done}}) {
    SCOPED_TRACE(d.name);
    boxes.shown.clear();
    currentCategory(d.name);
    EXPECT_EQ(DeleteCategoryRule(), d.result);
    Category.rec.Name = d.name;
    Category.get(Category.ByName);
    EXPECT_EQ(kiv::errorCode() == 0, d.result != RuleResult::Done);
    if (d.result == RuleResult::Refused) {
      ASSERT_EQ(boxes.shown.size(), 1u);
      EXPECT_EQ(boxes.shown[0].caption, "Referential Integrity Delete Error");
      EXPECT_EQ(boxes.shown[0].text,
                "This record is referenced from the file Disks.  This record cannot be deleted "
                "while these references exist.");
    } else {
      EXPECT_TRUE(boxes.shown.empty());
    }
  }
}

// A transaction that cannot be framed (another program holds FILES, denying writes) writes
// nothing and says so.
TEST_F(Rules, ATransactionThatCannotBeFramedWritesNothing) {
  addDisk(1, "ONE", "", 2);
  addDisk(2, "TWO", "", 1);
  kivtest::Peer holder(dir.path(), {"hold", "FILES", "0x22"}, "tarrow_station");
  ASSERT_EQ(holder.line(), "ready");
  current(1);
  const DisksRecord before = Disks.rec;
  Disks.rec.IdNum = 9;
  EXPECT_EQ(UpdateDiskRule(before), RuleResult::Failed);
  current(2);
  EXPECT_EQ(DeleteDiskRule(), RuleResult::Failed);
  holder.say("\n");
  holder.wait();
  EXPECT_EQ(filesPerDisk(), (std::map<int32_t, int32_t>{{1, 2}, {2, 1}}));
  ASSERT_EQ(boxes.shown.size(), 2u);
  for (const auto& box : boxes.shown) EXPECT_EQ(box.caption, "Transaction Framing Error");
  EXPECT_NE(boxes.shown[0].text.find("attempting to frame the update transaction on Disks."),
            std::string::npos)
      << boxes.shown[0].text;
  EXPECT_NE(boxes.shown[1].text.find("the delete transaction on Disks.  Delete transaction "
                                     "cancelled."),
            std::string::npos)
      << boxes.shown[1].text;
}

// Another station changes the disk a form holds: the save is refused with warning 15 (or 38),
// the buffer shows the other station's version, and a second save goes through.
TEST_F(Rules, ARecordChangedByAnotherStation) {
  addDisk(1, "ORIGINAL", "", 0);
  for (bool with38 : {false, true}) {
    SCOPED_TRACE(with38);
    boxes.shown.clear();
    current(1);
    WatchCurrentRecord(Disks);
    const DisksRecord before = Disks.rec;
    const std::string theirs = with38 ? "STATION38" : "STATION15";
    const std::string station = std::string(KIV_TEST_PROGRAMS_DIR) + "/tarrow_station";
    std::string out;
    {
      FILE* p = popen((station + " " + dir.path() + " set-label 1 " + theirs).c_str(), "r");
      ASSERT_NE(p, nullptr);
      char line[128] = {};
      if (fgets(line, sizeof line, p)) out = line;
      pclose(p);
    }
    ASSERT_EQ(out, "saved\n");
    Disks.rec.Label = "MINE";
    EXPECT_EQ(UpdateDiskRule(before, with38), RuleResult::ChangedElsewhere);
    EXPECT_EQ(Disks.rec.Label.str(), theirs);
    ASSERT_EQ(boxes.shown.size(), 1u);
    if (with38) {
      EXPECT_EQ(boxes.shown[0].caption, "Record Was Not Updated");
    } else {
      EXPECT_EQ(boxes.shown[0].caption, "Update Operation Error");
      EXPECT_EQ(boxes.shown[0].text, "This record was changed by another station.");
    }
    // Saved again over the version now shown.
    const DisksRecord shown = Disks.rec;
    Disks.rec.Label = "MINE";
    EXPECT_EQ(UpdateDiskRule(shown), RuleResult::Done);
    EXPECT_EQ(apptest::storedDisks().at(0).Label.str(), "MINE");
  }
}

}  // namespace
