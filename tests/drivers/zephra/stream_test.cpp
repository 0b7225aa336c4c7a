// STREAM mode of the keyed-table driver: adds keep the entries of keys with duplicates back, and
// every other operation, the FLUSH and the CLOSE find every key whole. Checked against a list of
// the records added, sorted as the keys sort them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"

using namespace kivtest;

namespace {

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

class ZephraStream : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<TableDecl> disks = makeDisks();
  std::unique_ptr<TableDecl> files = makeFiles();
  // The short names added, in the order added (the order of their record pointers).
  std::vector<std::string> added;

  void TearDown() override {
    if (disks->table.openFile) Kiv$FILE_CLOSE(&disks->table);
    if (files->table.openFile) Kiv$FILE_CLOSE(&files->table);
  }
  void createOpen(TableDecl& t, int32_t mode) {
    Kiv$FILE_CREATE(&t.table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    Kiv$FILE_OPEN(&t.table, mode);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  // Adds a file whose short name is `name` and whose path is blank every fourth time (the
  // run-time index, optional, leaves those out).
  void addFile(const std::string& name) {
    fillFile(*files, 1, static_cast<int32_t>(added.size()) + 1);
    files->setText(FIL_SHORTNAME, name);
    if (added.size() % 4 == 3) files->setText(FIL_PATH, "");
    Kiv$FILE_ADDf(&files->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    added.push_back(name);
  }
  // The names in the order of BYNAME: case-blind, equal names by the order added.
  std::vector<std::string> expectedByName() const {
    std::vector<std::string> names = added;
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return upperAscii(a) < upperAscii(b);
    });
    return names;
  }
  int32_t withPath() const { return static_cast<int32_t>(added.size() - added.size() / 4); }
  std::vector<std::string> readByName(TableDecl& t) {
    std::vector<std::string> names;
    Kiv$FILE_SETk(t.key(FIL_BYNAME));
    EXPECT_EQ(Kiv$ERRCODE, 0);
    for (Kiv$FILE_NEXT(&t.table); Kiv$ERRCODE == 0; Kiv$FILE_NEXT(&t.table))
      names.push_back(t.text(FIL_SHORTNAME));
    EXPECT_EQ(Kiv$ERRCODE, 33);
    return names;
  }
  // Every count and the BYNAME order of `t` against the records added.
  void expectWhole(TableDecl& t, const std::string& when) {
    SCOPED_TRACE(when);
    const auto n = static_cast<int32_t>(added.size());
    EXPECT_EQ(Kiv$FILE_RECORDSf(&t.table), n);
    for (size_t k : {FIL_BYDISKID, FIL_BYNAME, FIL_BYDATE, FIL_BYSIZE, FIL_BYTYPE})
      EXPECT_EQ(Kiv$FILE_RECORDSk(t.key(k)), n) << "key " << k;
    EXPECT_EQ(readByName(t), expectedByName());
  }
};

// Reads, counts and key lookups between adds see every record added so far, in key order; the
// adds after them are deferred again. Checked after the first add, at uneven steps, after the
// FLUSH and after opening the table again.
TEST_F(ZephraStream, EveryOperationBetweenAddsSeesTheKeysWhole) {
  createOpen(*files, 0x12);
  Kiv$PushString("+FIL:Path", 9);
  Kiv$FILE_BUILDks(files->key(FIL_DYNNDX));
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_STREAM(&files->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  std::mt19937 rng(5);
  const char* const pool[] = {"readme.txt", "README.TXT", "a.exe", "Zeta.doc", "b", "ReadMe.Txt"};
  for (int i = 1; i <= 240; ++i) {
    addFile(i % 3 ? pool[rng() % std::size(pool)] : "F" + std::to_string(rng() % 50));
    if (i == 1 || i % 37 == 0) {
      expectWhole(*files, "after add " + std::to_string(i));
      EXPECT_EQ(Kiv$FILE_RECORDSk(files->key(FIL_DYNNDX)), withPath());
      // A lookup by key finds the first record of the name added.
      files->clear();
      files->setText(FIL_SHORTNAME, upperAscii(added.back()));
      Kiv$FILE_GETfk(&files->table, files->key(FIL_BYNAME));
      EXPECT_EQ(Kiv$ERRCODE, 0);
      EXPECT_EQ(upperAscii(files->text(FIL_SHORTNAME)), upperAscii(added.back()));
    }
  }
  Kiv$FILE_FLUSH(&files->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  expectWhole(*files, "after the flush");
  EXPECT_EQ(Kiv$FILE_RECORDSk(files->key(FIL_DYNNDX)), withPath());
  Kiv$FILE_CLOSE(&files->table);
  Kiv$FILE_OPEN(&files->table, 0x42);
  ASSERT_EQ(Kiv$ERRCODE, 0);  // not 46: the stored keys are whole
  expectWhole(*files, "opened again");
}

// A batch closed without FLUSH is kept with its keys.
TEST_F(ZephraStream, CloseWithoutFlushKeepsTheKeys) {
  createOpen(*files, 0x12);
  Kiv$FILE_STREAM(&files->table);
  for (int i = 0; i < 25; ++i) addFile("N" + std::to_string(24 - i));
  Kiv$FILE_CLOSE(&files->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_OPEN(&files->table, 0x42);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  expectWhole(*files, "opened again");
}

// Another open of the table sees none of the batch before the FLUSH and all of it, keys
// included, after it.
TEST_F(ZephraStream, AnotherOpenSeesTheBatchWholeAfterTheFlush) {
  createOpen(*files, 0x42);
  auto other = makeFiles();
  Kiv$FILE_OPEN(&other->table, 0x42);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_STREAM(&files->table);
  for (int i = 0; i < 60; ++i) addFile(i % 2 ? "odd" + std::to_string(i) : "EVEN");
  EXPECT_EQ(Kiv$FILE_RECORDSf(&other->table), 0);
  EXPECT_EQ(Kiv$FILE_RECORDSk(other->key(FIL_BYNAME)), 0);
  Kiv$FILE_FLUSH(&files->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  expectWhole(*other, "the other open");
  Kiv$FILE_CLOSE(&other->table);
}

// Unique keys take their entries at once: a later add with the same value is refused while the
// batch runs, and the refused add leaves nothing in any key.
TEST_F(ZephraStream, UniqueKeysRefuseDuplicatesWithinTheBatch) {
  createOpen(*disks, 0x12);
  Kiv$FILE_STREAM(&disks->table);
  auto addDisk = [&](int32_t id, const std::string& label, const std::string& user) {
    disks->clear();
    disks->setLong(DIS_IDNUM, id);
    disks->setText(DIS_LABEL, label);
    disks->setText(DIS_USERNUM, user);
    Kiv$FILE_ADDf(&disks->table);
    return Kiv$ERRCODE;
  };
  for (int32_t id = 1; id <= 5; ++id) ASSERT_EQ(addDisk(id, "L" + std::to_string(id), ""), 0);
  EXPECT_EQ(addDisk(3, "again", ""), 40);
  EXPECT_EQ(addDisk(6, "user", "u7"), 0);
  EXPECT_EQ(addDisk(7, "user", "U7"), 40);  // case-blind
  EXPECT_EQ(addDisk(7, "last", ""), 0);
  Kiv$FILE_FLUSH(&disks->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(Kiv$FILE_RECORDSf(&disks->table), 7);
  EXPECT_EQ(Kiv$FILE_RECORDSk(disks->key(DIS_BYLABEL)), 7);
  EXPECT_EQ(Kiv$FILE_RECORDSk(disks->key(DIS_BYUSERNUM)), 1);
  std::vector<std::string> labels;
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));
  for (Kiv$FILE_NEXT(&disks->table); Kiv$ERRCODE == 0; Kiv$FILE_NEXT(&disks->table))
    labels.push_back(disks->text(DIS_LABEL));
  EXPECT_EQ(labels, (std::vector<std::string>{"L1", "L2", "L3", "L4", "L5", "last", "user"}));
}

}  // namespace
