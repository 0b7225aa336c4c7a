// LOGOUT transactions of the keyed-table driver, watched from a second program: a transaction
// takes in exactly the tables it lists and commits or rolls them back together, and every other
// write (of this thread or another, to a table in stream mode or a line-text table) is committed
// on its own as if no transaction were open.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"
#include "tests/support/peer_program.h"

using namespace kivtest;

namespace {

using Clock = std::chrono::steady_clock;

// One line of text per record, as the catalog's TEMPFILE.
std::unique_ptr<TableDecl> makeLines() {
  return std::make_unique<TableDecl>("TEMPFILE.TXT", ASCII,
                                     std::vector<FieldDecl>{{KIV_STRING, 20, "TEM:LINE"}},
                                     std::vector<KeyDecl>{}, 0x10);
}

class Transactions : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<TableDecl> disks = makeDisks();
  std::unique_ptr<TableDecl> files = makeFiles();

  void SetUp() override {
    createOpen(*disks);
    createOpen(*files);
  }
  void TearDown() override {
    Kiv$ROLLBACK();
    for (TableDecl* t : {disks.get(), files.get()})
      if (t->table.openFile) Kiv$FILE_CLOSE(&t->table);
  }
  static void createOpen(TableDecl& t) {
    Kiv$FILE_CREATE(&t.table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    Kiv$FILE_OPEN(&t.table, 0x42);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  static void addDisk(TableDecl& t, int32_t id) {
    t.clear();
    t.setLong(DIS_IDNUM, id);
    t.setText(DIS_LABEL, "DISK" + std::to_string(id));
    Kiv$FILE_ADDf(&t.table);
  }
  void addFile(int32_t disk, int32_t n) {
    fillFile(*files, disk, n);
    Kiv$FILE_ADDf(&files->table);
  }
  // What the second program finds.
  std::string peer(std::vector<std::string> args) { return run(dir.path(), std::move(args)); }
  std::string peerHasDisk(int32_t id) { return peer({"has-disk", std::to_string(id)}); }
  std::string peerHasFile(int32_t disk, int32_t n) {
    return peer({"has-file", std::to_string(disk), std::to_string(n)});
  }
};

// Every record of a table, in record order.
std::vector<std::string> contents(TableDecl& t) {
  std::vector<std::string> records;
  Kiv$FILE_SETf(&t.table);
  for (;;) {
    Kiv$FILE_NEXT(&t.table);
    if (Kiv$ERRCODE) break;
    records.push_back(t.record());
  }
  EXPECT_EQ(Kiv$ERRCODE, 33);
  return records;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The exact fault as reported: with DISKS and FILES open, LOGOUT over DISKS alone, an ADD to each,
// then ROLLBACK.
TEST_F(Transactions, WriteToAnUnlistedTableIsNotTakenIn) {
  Kiv$LOGOUT(2, &disks->table, nullptr);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  addDisk(*disks, 1);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  addFile(1, 1);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasFile(1, 1), "1") << "the FILES record is not committed at once";
  EXPECT_EQ(peerHasDisk(1), "0");
  Kiv$ROLLBACK();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasFile(1, 1), "1") << "ROLLBACK undid a table it did not list";
  EXPECT_EQ(peerHasDisk(1), "0");
  EXPECT_EQ(Kiv$FILE_RECORDSf(&disks->table), 0);
  EXPECT_EQ(Kiv$FILE_RECORDSk(files->key(FIL_BYDISKID)), 1);

  // The lock time stays: a LOGOUT waits 2 seconds for a writer elsewhere, and only on the table
  // that writer holds.
  Peer writer(dir.path(), {"stream-hold"});
  ASSERT_EQ(writer.line(), "ready");
  auto start = Clock::now();
  Kiv$LOGOUT(2, &disks->table, nullptr);
  auto waited = Clock::now() - start;
  EXPECT_EQ(Kiv$ERRCODE, 48);
  EXPECT_GE(waited, std::chrono::milliseconds(1900));
  EXPECT_LT(waited, std::chrono::milliseconds(4500));
  Kiv$LOGOUT(2, &files->table, nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 0) << "a LOGOUT over FILES waited for a writer of DISKS";
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  writer.say("go\n");
  EXPECT_EQ(writer.line(), "0");
}

TEST_F(Transactions, UnlistedWriteThenCommit) {
  Kiv$LOGOUT(2, &disks->table, nullptr);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  addFile(1, 1);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasFile(1, 1), "1");
  addDisk(*disks, 1);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  addFile(1, 2);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasDisk(1), "0");
  EXPECT_EQ(peerHasFile(1, 2), "1");
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasDisk(1), "1");
  EXPECT_EQ(peer({"count"}), "2");
  // A later transaction over the other table: the same rule the other way round.
  Kiv$LOGOUT(2, &files->table, nullptr);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  addDisk(*disks, 2);
  addFile(2, 1);
  EXPECT_EQ(peerHasDisk(2), "1");
  EXPECT_EQ(peerHasFile(2, 1), "0");
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasFile(2, 1), "1");
}

TEST_F(Transactions, RollbackUndoesExactlyTheListedTables) {
  struct Row {
    const char* what;
    bool disksListed;
    bool streamListed;    // the listed table is in stream mode
    bool streamUnlisted;  // the other table is
  } rows[] = {
      {"DISKS listed", true, false, false},
      {"FILES listed", false, false, false},
      {"DISKS listed, both tables in stream mode", true, true, true},
      {"FILES listed, the unlisted DISKS in stream mode", false, false, true},
  };
  auto lines = makeLines();
  auto scratch = makeFiles("SCRATCH", nullptr);
  // The records the changes below make, built apart from the tables.
  auto diskImage = [](int32_t id, const std::string& comment) {
    auto d = makeDisks("IMAGE", nullptr);
    d->setLong(DIS_IDNUM, id);
    d->setText(DIS_LABEL, "DISK" + std::to_string(id));
    d->setText(DIS_COMMENTS, comment);
    return d->record();
  };
  auto fileImage = [&](int32_t n, const std::string& comment) {
    fillFile(*scratch, 1, n);
    scratch->setText(FIL_COMMENT, comment);
    return scratch->record();
  };
  // The numbers of a table's records in the order of its run-time index: descending numbers
  // (FILES: sizes, which grow with the file number).
  auto byRunTimeIndex = [&](TableDecl& t) {
    bool isDisks = &t == disks.get();
    std::vector<int32_t> numbers;
    Kiv$FILE_SETk(isDisks ? t.key(DIS_DYNNDX) : t.key(FIL_DYNNDX));
    for (;;) {
      Kiv$FILE_NEXT(&t.table);
      if (Kiv$ERRCODE) break;
      numbers.push_back(isDisks ? t.getLong(DIS_IDNUM) : t.getLong(FIL_SIZE) / 104729);
    }
    EXPECT_EQ(Kiv$ERRCODE, 33);
    return numbers;
  };
  const std::vector<int32_t> seeded{3, 2, 1}, changedOrder{4, 3, 1};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TearDown();
    SetUp();
    Kiv$FILE_CREATE(&lines->table);
    Kiv$FILE_OPEN(&lines->table, 0x42);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    for (int32_t n = 1; n <= 3; ++n) {
      addDisk(*disks, n);
      addFile(1, n);
    }
    TableDecl& listed = r.disksListed ? *disks : *files;
    TableDecl& unlisted = r.disksListed ? *files : *disks;
    const std::vector<std::string> before = sorted(contents(listed));
    ASSERT_EQ(before.size(), 3u);
    for (auto [table, components] :
         {std::pair{disks.get(), "-DIS:IDNum"}, std::pair{files.get(), "-FIL:Size"}}) {
      Kiv$PushCString(components);
      Kiv$FILE_BUILDks(table == disks.get() ? table->key(DIS_DYNNDX) : table->key(FIL_DYNNDX));
      ASSERT_EQ(Kiv$ERRCODE, 0);
    }
    if (r.streamListed) Kiv$FILE_STREAM(&listed.table);
    if (r.streamUnlisted) Kiv$FILE_STREAM(&unlisted.table);

    Kiv$LOGOUT(2, &listed.table, nullptr);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    // On each table: ADD record 4, PUT a comment into record 1, DELETE record 2.
    for (TableDecl* t : {disks.get(), files.get()}) {
      bool isDisks = t == disks.get();
      if (isDisks)
        addDisk(*t, 4);
      else
        addFile(1, 4);
      ASSERT_EQ(Kiv$ERRCODE, 0);
      for (int32_t n : {1, 2}) {
        t->setRecord(isDisks ? diskImage(n, "") : fileImage(n, ""));
        Kiv$FILE_GETfk(&t->table, isDisks ? t->key(DIS_BYIDNUM) : t->key(FIL_BYDISKID));
        ASSERT_EQ(Kiv$ERRCODE, 0);
        if (n == 1) {
          t->setText(isDisks ? int{DIS_COMMENTS} : int{FIL_COMMENT}, "changed");
          Kiv$FILE_PUTf(&t->table);
        } else {
          Kiv$FILE_DELETE(&t->table);
        }
        ASSERT_EQ(Kiv$ERRCODE, 0);
      }
    }
    lines->setText(1, "a line");
    Kiv$FILE_APPENDf(&lines->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    if (r.streamListed) {
      Kiv$FILE_FLUSH(&listed.table);  // ends stream mode, not the transaction
      EXPECT_EQ(Kiv$ERRCODE, 0);
    }
    // Inside the transaction each table reads its own changes through its run-time index.
    EXPECT_EQ(byRunTimeIndex(*disks), changedOrder);
    EXPECT_EQ(byRunTimeIndex(*files), changedOrder);
    const std::string newInUnlisted =
        r.disksListed ? peerHasFile(1, 4) : peerHasDisk(4);  // seen by the other program
    EXPECT_EQ(newInUnlisted, r.streamUnlisted ? "0" : "1");
    EXPECT_EQ(r.disksListed ? peerHasDisk(4) : peerHasFile(1, 4), "0");

    Kiv$ROLLBACK();
    EXPECT_EQ(Kiv$ERRCODE, 0);
    EXPECT_EQ(sorted(contents(listed)), before);
    std::vector<std::string> changed =
        r.disksListed
            ? std::vector<std::string>{fileImage(1, "changed"), fileImage(3, ""), fileImage(4, "")}
            : std::vector<std::string>{diskImage(1, "changed"), diskImage(3, ""), diskImage(4, "")};
    EXPECT_EQ(sorted(contents(unlisted)), sorted(changed));
    EXPECT_EQ(Kiv$FILE_RECORDSk(disks->key(DIS_BYIDNUM)),
              static_cast<int32_t>(r.disksListed ? before.size() : changed.size()));
    EXPECT_EQ(Kiv$FILE_RECORDSk(files->key(FIL_BYNAME)),
              static_cast<int32_t>(r.disksListed ? changed.size() : before.size()));
    EXPECT_EQ(byRunTimeIndex(listed), seeded);
    EXPECT_EQ(byRunTimeIndex(unlisted), changedOrder);
    if (r.streamUnlisted) {
      // Stream mode holds the batch back as it would without the transaction, until FLUSH.
      Kiv$FILE_FLUSH(&unlisted.table);
      EXPECT_EQ(Kiv$ERRCODE, 0);
    }
    EXPECT_EQ(r.disksListed ? peerHasFile(1, 4) : peerHasDisk(4), "1");
    EXPECT_EQ(peer({"count", r.disksListed ? "FILES" : "DISKS"}), "3");
    Kiv$FILE_SETf(&lines->table);
    Kiv$FILE_NEXT(&lines->table);
    EXPECT_EQ(Kiv$ERRCODE, 0);
    EXPECT_EQ(lines->text(1), "a line");

    // A line-text table cannot take part: the LOGOUT fails and includes nothing.
    Kiv$LOGOUT(2, &listed.table, &lines->table, nullptr);
    EXPECT_EQ(Kiv$ERRCODE, 48);
    if (r.disksListed)
      addDisk(*disks, 5);
    else
      addFile(1, 5);
    EXPECT_EQ(Kiv$ERRCODE, 0);
    EXPECT_EQ(r.disksListed ? peerHasDisk(5) : peerHasFile(1, 5), "1");
    Kiv$FILE_CLOSE(&lines->table);
  }
}

TEST_F(Transactions, ListedTablesCommitTogether) {
  constexpr int kRounds = 25;
  auto tempDisk = makeDisks("TEMPDISK");
  createOpen(*tempDisk);
  Kiv$PushCString("-DIS:IDNum");
  Kiv$FILE_BUILDks(disks->key(DIS_DYNNDX));
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Peer watcher(dir.path(), {"watch-pair", std::to_string(kRounds)});
  ASSERT_EQ(watcher.line(), "ready");

  Kiv$LOGOUT(2, &disks->table, &files->table, nullptr);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  addDisk(*disks, 1);
  addFile(1, 1);
  addDisk(*tempDisk, 1);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasDisk(1), "0");
  EXPECT_EQ(peerHasFile(1, 1), "0");
  EXPECT_EQ(peer({"count", "TEMPDISK"}), "1") << "an unlisted table waited for the COMMIT";
  Kiv$COMMIT();
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(peerHasDisk(1), "1");
  EXPECT_EQ(peerHasFile(1, 1), "1");

  // More transactions while the other program keeps counting files, then disks.
  for (int32_t d = 2; d <= kRounds; ++d) {
    Kiv$LOGOUT(2, &disks->table, &files->table, nullptr);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    addDisk(*disks, d);
    addFile(d, 1);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    Kiv$COMMIT();
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  EXPECT_EQ(watcher.line(), "0") << "the other program saw a file before its disk";
  EXPECT_EQ(watcher.wait(), 0);
  // The run-time index kept every committed disk, the last first.
  EXPECT_EQ(Kiv$FILE_RECORDSk(disks->key(DIS_DYNNDX)), kRounds);
  Kiv$FILE_SETk(disks->key(DIS_DYNNDX));
  Kiv$FILE_NEXT(&disks->table);
  EXPECT_EQ(disks->getLong(DIS_IDNUM), kRounds);
  Kiv$FILE_CLOSE(&tempDisk->table);
}

// What the started thread is asked to do, and what came of it.
struct OtherThread {
  TableDecl* shared = nullptr;  // write this table, else open one of the thread's own
  int32_t file = 0;
  int32_t error = -1;
  std::atomic<bool> done{false};
};
OtherThread gOther;

void writeFilesOnOtherThread() {
  std::unique_ptr<TableDecl> own;
  TableDecl* t = gOther.shared;
  if (!t) {
    own = makeFiles();
    t = own.get();
    Kiv$FILE_OPEN(&t->table, 0x42);
  }
  fillFile(*t, 2, gOther.file);
  if (!Kiv$ERRCODE) Kiv$FILE_ADDf(&t->table);
  gOther.error = Kiv$ERRCODE;
  if (own) Kiv$FILE_CLOSE(&own->table);
  gOther.done = true;
}

TEST_F(Transactions, AnotherThreadWritesAnUnlistedTable) {
  struct Row {
    const char* what;
    bool perThread;
  } rows[] = {
      {"the thread's own instance of a per-thread table", true},
      {"the program's one instance of a table", false},
  };
  int32_t file = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ++file;
    if (!r.perThread) {
      Kiv$FILE_CLOSE(&files->table);
      files->table.attributes &= static_cast<uint8_t>(~KIV_TABLE_THREADED);
      Kiv$FILE_OPEN(&files->table, 0x42);
      ASSERT_EQ(Kiv$ERRCODE, 0);
    }
    Kiv$LOGOUT(2, &disks->table, nullptr);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    addDisk(*disks, file);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    gOther.shared = r.perThread ? nullptr : files.get();
    gOther.file = file;
    gOther.error = -1;
    gOther.done = false;
    ASSERT_NE(Kiv$START(writeFilesOnOtherThread, 0), 0);
    auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!gOther.done && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(gOther.done);
    EXPECT_EQ(gOther.error, 0);
    EXPECT_EQ(peerHasFile(2, file), "1");
    EXPECT_EQ(peerHasDisk(file), "0");
    Kiv$ROLLBACK();
    EXPECT_EQ(Kiv$ERRCODE, 0);
    EXPECT_EQ(peerHasFile(2, file), "1");
    EXPECT_EQ(peerHasDisk(file), "0");
  }
}

}  // namespace
