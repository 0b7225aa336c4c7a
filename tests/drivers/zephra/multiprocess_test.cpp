// Two programs on one catalog: sharing, deny-write, changed records, and tables left behind by
// a program killed in the middle of its work.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"
#include "tests/support/peer_program.h"

using namespace kivtest;

namespace {

class Processes : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<TableDecl> files = makeFiles();
  std::unique_ptr<TableDecl> disks = makeDisks();
  void SetUp() override {
    Kiv$FILE_CREATE(&files->table);
    Kiv$FILE_CREATE(&disks->table);
  }
  void TearDown() override {
    if (files->table.openFile) Kiv$FILE_CLOSE(&files->table);
    if (disks->table.openFile) Kiv$FILE_CLOSE(&disks->table);
  }
  // Opens a table as the program does after a crash: 46 is repaired by BUILD.
  void openAfterCrash(TableDecl& t) {
    Kiv$FILE_OPEN(&t.table, 0x42);
    if (Kiv$ERRCODE == 46) {
      Kiv$FILE_BUILDf(&t.table);
      ASSERT_EQ(Kiv$ERRCODE, 0);
      Kiv$FILE_OPEN(&t.table, 0x42);
    }
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
};

TEST_F(Processes, SharedOpensSeeEachOthersRecords) {
  Kiv$FILE_OPEN(&files->table, 0x42);
  fillFile(*files, 1, 1);
  Kiv$FILE_ADDf(&files->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(run(dir.path(), {"add", "2", "5"}), "0");
  EXPECT_EQ(run(dir.path(), {"count"}), "2");
  EXPECT_EQ(Kiv$FILE_RECORDSf(&files->table), 2);
  files->clear();
  files->setLong(FIL_DISKID, 2);
  Kiv$FILE_SETkk(files->key(FIL_BYDISKID), files->key(FIL_BYDISKID));
  Kiv$FILE_NEXT(&files->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(files->getLong(FIL_DISKID), 2);
}

TEST_F(Processes, DenyWriteRefusesTheOtherProgramsWrites) {
  Kiv$FILE_OPEN(&files->table, 0x42);
  Peer holder(dir.path(), {"hold", "0x12"});
  ASSERT_EQ(holder.line(), "ready");
  fillFile(*files, 1, 1);
  Kiv$FILE_ADDf(&files->table);
  EXPECT_EQ(Kiv$ERRCODE, 32);
  Kiv$StackErrstr();
  EXPECT_EQ(popString().substr(0, 22), "File Is Already Locked");
  Kiv$FILEERRORMSG();
  EXPECT_EQ(popString(), "Another program holds the table with writing denied");
  EXPECT_EQ(Kiv$FILE_RECORDSf(&files->table), 0);           // reading goes on
  EXPECT_EQ(run(dir.path(), {"hold", "0x22"}), "open 32");  // a second deny-write open
  holder.say("done\n");
  EXPECT_EQ(holder.wait(), 0);
  Kiv$FILE_ADDf(&files->table);
  EXPECT_EQ(Kiv$ERRCODE, 0);
}

TEST_F(Processes, RecordChangedElsewhereFailsWatchedPut) {
  Kiv$FILE_OPEN(&files->table, 0x42);
  fillFile(*files, 1, 1);
  Kiv$FILE_ADDf(&files->table);
  int32_t ptr = Kiv$FILE_POINTERf(&files->table);
  Kiv$FILE_WATCH(&files->table);
  Kiv$FILE_GETfl(&files->table, ptr);
  EXPECT_EQ(run(dir.path(), {"change", std::to_string(ptr)}), "0");
  files->setText(FIL_COMMENT, "mine");
  Kiv$FILE_PUTf(&files->table);
  EXPECT_EQ(Kiv$ERRCODE, 89);
  Kiv$FILE_GETfl(&files->table, ptr);
  EXPECT_EQ(files->text(FIL_COMMENT), "changed by the peer");
}

TEST_F(Processes, KilledDuringAppendKeepsEveryFlushedRecord) {
  Peer writer(dir.path(), {"append-run"});
  int flushed = 0;
  while (flushed < 3000) {
    std::string s = writer.line();
    ASSERT_NE(s, "<eof>");
    flushed = std::stoi(s);
  }
  writer.killNow();
  openAfterCrash(*files);
  int32_t count = Kiv$FILE_RECORDSf(&files->table);
  EXPECT_GE(count, flushed);
  EXPECT_EQ(count % 100, 0) << "an unflushed batch was kept in part";
  auto expected = makeFiles("EXPECTED", nullptr);
  Kiv$FILE_SETf(&files->table);
  for (int n = 1; n <= count; ++n) {
    Kiv$FILE_NEXT(&files->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    fillFile(*expected, 1, n);
    ASSERT_EQ(files->record(), expected->record()) << "record " << n;
  }
  Kiv$FILE_NEXT(&files->table);
  EXPECT_EQ(Kiv$ERRCODE, 33);
  EXPECT_EQ(Kiv$FILE_RECORDSk(files->key(FIL_BYNAME)), count);
}

TEST_F(Processes, KilledDuringLogoutKeepsWholeTransactionsOnly) {
  Peer writer(dir.path(), {"logout-run"});
  int committed = 0;
  while (committed < 15) {
    std::string s = writer.line();
    ASSERT_NE(s, "<eof>");
    committed = std::stoi(s);
  }
  writer.killNow();
  openAfterCrash(*disks);
  openAfterCrash(*files);
  int32_t diskCount = Kiv$FILE_RECORDSf(&disks->table);
  EXPECT_GE(diskCount, committed);
  EXPECT_EQ(Kiv$FILE_RECORDSf(&files->table), diskCount * 20);
  EXPECT_EQ(Kiv$FILE_RECORDSk(files->key(FIL_BYDISKID)), diskCount * 20);
  for (int d = 1; d <= diskCount; ++d) {
    disks->setLong(DIS_IDNUM, d);
    Kiv$FILE_GETfk(&disks->table, disks->key(DIS_BYIDNUM));
    ASSERT_EQ(Kiv$ERRCODE, 0) << "disk " << d;
    files->clear();
    files->setLong(FIL_DISKID, d);
    Kiv$FILE_SETkk(files->key(FIL_BYDISKID), files->key(FIL_BYDISKID));
    int n = 0;
    for (;;) {
      Kiv$FILE_NEXT(&files->table);
      if (Kiv$ERRCODE || files->getLong(FIL_DISKID) != d) break;
      ++n;
    }
    EXPECT_EQ(n, 20) << "disk " << d;
  }
}

}  // namespace
