// For random filters over random tables a view delivers exactly the records a plain loop over
// the table with the same filter delivers, in key order, forward and backward, and again after
// RESET to a position taken midway.
#include <gtest/gtest.h>

#include <random>

#include "tests/runtime/view/view_support.h"

using namespace viewtest;

namespace {

class ViewProperty : public CatalogViews {
 protected:
  ViewDecl filesView{primaryWhole(0), {&files->table}};
  ViewDecl joined{cat(primaryWhole(1), joinByField(DIS_IDNUM)),
                  {&disks->table, files->key(FIL_BYDISKID)}};
  std::mt19937 rng{20240611};

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  void fillRandom(int disksCount, int filesCount) {
    static const char* const kNames[] = {"README.TXT", "readme.txt", "SETUP.EXE", "A.DOC",
                                         "ZED.BAT",    "PIC.JPG",    "NOTES.TXT", "Data.Zip"};
    bool haveDisks = Kiv$FILE_RECORDSf(&disks->table) > 0;
    for (int d = 1; d <= disksCount && !haveDisks; ++d)
      addDisk(d, "L" + std::to_string(pick(5)), pick(2) ? "Audio" : "Work",
              static_cast<uint32_t>(pick(1000)));
    for (int i = 0; i < filesCount; ++i) {
      files->clear();
      files->setLong(FIL_DISKID, 1 + pick(disksCount + 2));  // some files of no disk
      files->setText(FIL_SHORTNAME, kNames[pick(8)]);
      files->setLong(FIL_SIZE, pick(100000));
      files->setLong(FIL_DISPLAYDATE, 70000 + pick(50));
      files->setText(FIL_PATH, std::string("C:\\DIR") + char('A' + pick(4)) + "\\" +
                                   files->text(FIL_SHORTNAME));
      Kiv$FILE_ADDf(&files->table);
      ASSERT_EQ(Kiv$ERRCODE, 0);
    }
  }

  std::string comparison() {
    static const char* const kOps[] = {"=", "<>", "<", ">", "<=", ">="};
    switch (pick(6)) {
      case 0:
        return "FIL:Size " + std::string(kOps[pick(6)]) + " " + std::to_string(pick(100000));
      case 1:
        return "FIL:DiskID " + std::string(kOps[pick(6)]) + " " + std::to_string(pick(8));
      case 2:
        return "UPPER(FIL:ShortName) = 'README.TXT'";
      case 3:
        return "INSTRING('DIR" + std::string(1, char('A' + pick(4))) + "', FIL:Path, 1, 1)";
      case 4:
        return "FIL:ShortName " + std::string(kOps[pick(6)]) + " 'N'";
      default:
        return "FIL:DisplayDate - 70000 " + std::string(kOps[pick(6)]) + " " +
               std::to_string(pick(50));
    }
  }
  std::string randomFilter(int depth = 0) {
    int kind = depth > 2 ? 0 : pick(5);
    if (kind == 1) return randomFilter(depth + 1) + " AND " + randomFilter(depth + 1);
    if (kind == 2) return "(" + randomFilter(depth + 1) + " OR " + randomFilter(depth + 1) + ")";
    if (kind == 3) return "NOT (" + randomFilter(depth + 1) + ")";
    return comparison();
  }

  int32_t filePointer() { return Kiv$FILE_POINTERf(&files->table); }

  // The primary table's sequence: SET of the chosen key (or of the table, key < 0).
  void setPrimary(int key) {
    if (key < 0)
      Kiv$FILE_SETf(&files->table);
    else
      Kiv$FILE_SETk(files->key(static_cast<size_t>(key)));
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }

  // What a plain loop over FILES delivers with the filter evaluated on every record.
  std::vector<std::string> plainLoop(int key, const std::string& filter, bool backward) {
    KivExpr* tree = filter.empty() ? nullptr : Kiv$ParseCString(filter.c_str());
    EXPECT_TRUE(filter.empty() || tree) << filter;
    setPrimary(key);
    std::vector<std::string> out;
    for (;;) {
      if (backward)
        Kiv$FILE_PREV(&files->table);
      else
        Kiv$FILE_NEXT(&files->table);
      if (Kiv$ERRCODE) break;
      if (!tree || Kiv$EvalR(tree)) out.push_back(std::to_string(filePointer()));
    }
    EXPECT_EQ(Kiv$ERRCODE, 33);
    Kiv$FreeParsed(tree);
    return out;
  }
};

TEST_F(ViewProperty, FilteredViewMatchesPlainLoop) {
  const int kKeys[] = {-1, FIL_BYDISKID, FIL_BYNAME, FIL_BYDATE, FIL_BYSIZE};
  for (int round = 0; round < 6; ++round) {
    // A fresh FILES table each round.
    Kiv$FILE_CLOSE(&files->table);
    Kiv$FILE_REMOVE(&files->table);
    Kiv$FILE_CREATE(&files->table);
    Kiv$FILE_OPEN(&files->table, 0x42);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    fillRandom(6, 40 + pick(80));
    open(filesView);
    for (int trial = 0; trial < 8; ++trial) {
      std::string filter = trial == 0 ? "" : randomFilter();
      int key = kKeys[pick(5)];
      SCOPED_TRACE("filter " + filter + ", key " + std::to_string(key));
      std::vector<std::string> forward = plainLoop(key, filter, false);
      std::vector<std::string> backward = plainLoop(key, filter, true);
      ASSERT_EQ(std::vector<std::string>(backward.rbegin(), backward.rend()), forward);

      setPrimary(key);
      setFilter(filesView.t(), filter);
      ASSERT_EQ(Kiv$ERRCODE, 0);
      int32_t last = 0;
      auto item = [&] { return std::to_string(filePointer()); };
      EXPECT_EQ(readAll(filesView.t(), false, item, &last), forward);
      EXPECT_EQ(last, 33);
      setPrimary(key);
      EXPECT_EQ(readAll(filesView.t(), true, item), backward);

      // RESET to a position taken midway: reading on delivers the rest from that record.
      if (forward.size() < 2) continue;
      size_t mid = forward.size() / 2;
      setPrimary(key);
      for (size_t i = 0; i <= mid; ++i) Kiv$FILE_NEXT(filesView.t());
      ASSERT_EQ(item(), forward[mid]);
      std::string pos = position(filesView.t());
      ASSERT_EQ(Kiv$ERRCODE, 0);
      readAll(filesView.t(), false, item);  // runs off the end
      reset(filesView.t(), pos);
      ASSERT_EQ(Kiv$ERRCODE, 0);
      EXPECT_EQ(readAll(filesView.t(), false, item),
                std::vector<std::string>(forward.begin() + long(mid), forward.end()));
      reset(filesView.t(), pos);
      std::vector<std::string> back = readAll(filesView.t(), true, item);
      EXPECT_EQ(std::vector<std::string>(back.rbegin(), back.rend()),
                std::vector<std::string>(forward.begin(), forward.begin() + long(mid) + 1));
    }
    Kiv$FILE_CLOSE(filesView.t());
  }
}

// The join of DISKS and FILES against nested plain loops, with filters over both tables.
TEST_F(ViewProperty, FilteredJoinMatchesNestedLoops) {
  fillRandom(8, 60);
  open(joined);
  KivKey* byDisk = files->key(FIL_BYDISKID);
  for (int trial = 0; trial < 12; ++trial) {
    std::string filter = trial == 0 ? "" : randomFilter();
    if (pick(2)) filter = (filter.empty() ? "" : filter + " AND ") + "DIS:Category = 'Audio'";
    SCOPED_TRACE(filter);
    KivExpr* tree = filter.empty() ? nullptr : Kiv$ParseCString(filter.c_str());
    ASSERT_TRUE(filter.empty() || tree);
    // Nested loops: every disk by ID, then its files by FIL:BYDISKID (or none).
    std::vector<std::string> expected;
    for (int32_t id = 1; id <= 8; ++id) {
      disks->clear();
      disks->setLong(DIS_IDNUM, id);
      Kiv$FILE_GETfk(&disks->table, disks->key(DIS_BYIDNUM));
      ASSERT_EQ(Kiv$ERRCODE, 0);
      files->clear();
      files->setLong(FIL_DISKID, id);
      std::memset(files->field(FIL_SHORTNAME), 0, files->fieldSize(FIL_SHORTNAME));
      Kiv$FILE_SETkk(byDisk, byDisk);
      bool any = false;
      for (;;) {
        Kiv$FILE_NEXT(&files->table);
        if (Kiv$ERRCODE || files->getLong(FIL_DISKID) != id) break;
        any = true;
        if (!tree || Kiv$EvalR(tree))
          expected.push_back(std::to_string(id) + ":" + std::to_string(filePointer()));
      }
      if (!any) {
        files->clear();
        files->setLong(FIL_DISKID, 0);
        if (!tree || Kiv$EvalR(tree)) expected.push_back(std::to_string(id) + ":-");
      }
    }
    Kiv$FreeParsed(tree);

    auto item = [&] {
      bool lonely = files->getLong(FIL_DISKID) == 0;
      return std::to_string(disks->getLong(DIS_IDNUM)) + ":" +
             (lonely ? std::string("-") : std::to_string(filePointer()));
    };
    Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
    setFilter(joined.t(), filter);
    EXPECT_EQ(readAll(joined.t(), false, item), expected);
    Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
    std::vector<std::string> back = readAll(joined.t(), true, item);
    EXPECT_EQ(std::vector<std::string>(back.rbegin(), back.rend()), expected);
  }
}

}  // namespace
