// The file layer on its own: dispatch, the operation state table, the active-file registry, the
// transaction frame, shutdown and the driver support functions, through a recording driver.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"

using namespace kivtest;

namespace {

// A driver that keeps the state discipline and records what reaches it.
struct FakeFile {
  KivDrvFileHead head{};
};

struct FakeConfig {
  bool canBegin = true, canRollback = true, canCommit = true;
  bool lockBefore = false, unlockAfter = false;
  int32_t mode = 0x42;
  int32_t logoutError = 0;  // what DRV_LOGOUT reports
  int32_t lockError = 0;    // what LOCK reports
};

std::vector<std::string> gCalls;
FakeConfig gConfig;

std::string callName(int32_t op, KivTable* table) {
  std::string name(table ? std::string(table->name, table->nameLen) : "-");
  return name + ":" + std::to_string(op);
}

int32_t FAKE(int32_t op, KivTable* table, intptr_t* args) {
  Kiv$clearerror();
  gCalls.push_back(callName(op, table));
  auto* f = static_cast<FakeFile*>(table->openFile);
  std::string pos;
  if (op == KIV_DRV_RESETFILE || op == KIV_DRV_REGETFILE) {
    KivHeapStr s{};
    Kiv$PopTemp(&s);
    pos.assign(s.addr ? s.addr : "", s.len);
    Kiv$freestr(&s);
  }
  int32_t err = _drv_check_state(f, nullptr, op, pos.data(), static_cast<uint32_t>(pos.size()));
  int32_t result = 0;
  if (!err) {
    switch (op) {
      case KIV_DRV_OPEN:
        f = new FakeFile;
        table->openFile = f;
        if (args[0] & 0x0F) f->head.state |= KIV_STATE_WRITE;
        Kiv$activate_drv(table, gConfig.mode, gConfig.canBegin, gConfig.canRollback,
                         gConfig.unlockAfter, gConfig.lockBefore, gConfig.canCommit);
        break;
      case KIV_DRV_CLOSE:
        Kiv$deactivate_drv(table);
        delete f;
        table->openFile = f = nullptr;
        break;
      case KIV_DRV_LOGOUT:
        err = gConfig.logoutError;
        break;
      case KIV_DRV_LOCK:
      case KIV_DRV_LOCKSECS:
        err = gConfig.lockError;
        gCalls.back() += "/" + std::to_string(args[0]);
        break;
      case KIV_DRV_RESETFILE:
      case KIV_DRV_REGETFILE:
        gCalls.back() += "/read:" + pos;
        break;
      case KIV_DRV_GETKEY:
      case KIV_DRV_GETKEYPTR:
        gCalls.back() += "/" + std::string(reinterpret_cast<KivKey*>(args[0])->name);
        if (op == KIV_DRV_GETKEYPTR) gCalls.back() += "/" + std::to_string(args[1]);
        break;
      case KIV_DRV_RECORDSFILE:
        result = 42;
        break;
      default:
        break;
    }
  }
  if (op == KIV_DRV_CLOSE || op == KIV_DRV_ROLLBACK) {
    std::fprintf(stderr, "%s ", callName(op, table).c_str());
    std::fflush(stderr);
  }
  _drv_update_state(table->openFile, nullptr, op, err);
  if (err) Kiv$seterror(err);
  return result;
}

std::unique_ptr<TableDecl> fakeTable(const char* name) {
  return std::make_unique<TableDecl>(name, FAKE, std::vector<FieldDecl>{{KIV_LONG, 4, "F:ID"}},
                                     std::vector<KeyDecl>{{"F:BYID", {1}, 0x10}}, 0x10);
}

class FileLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    gConfig = FakeConfig{};
  }
  void TearDown() override {
    Kiv$ROLLBACK();
    for (auto* t : {a.get(), b.get()})
      if (t->table.openFile) Kiv$FILE_CLOSE(&t->table);
  }
  std::unique_ptr<TableDecl> a = fakeTable("A");
  std::unique_ptr<TableDecl> b = fakeTable("B");
};

TEST_F(FileLayer, DispatchPassesArgumentsAndNamesTheErrorFile) {
  Kiv$FILE_OPEN(&a->table, 0x42);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_GETfk(&a->table, a->key(0));
  Kiv$FILE_GETkl(a->key(0), 17);
  EXPECT_EQ(Kiv$FILE_RECORDSf(&a->table), 42);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"A:25", "A:15/F:BYID", "A:17/F:BYID/17", "A:32"}));
  Kiv$FILE_NEXT(&a->table);  // no sequence set
  EXPECT_EQ(Kiv$ERRCODE, 33);
  Kiv$ERRORFILE();
  EXPECT_EQ(popString(), "A");
  Kiv$FILE_SETf(&a->table);
  Kiv$FILE_NEXT(&a->table);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  KivTable noDriver{};
  Kiv$FILE_NEXT(&noDriver);
  EXPECT_EQ(Kiv$ERRCODE, 80);
}

TEST_F(FileLayer, RegistryModes) {
  EXPECT_EQ(Kiv$getfilemode(&a->table), 0);
  gConfig.mode = 0;
  Kiv$FILE_OPEN(&a->table, 0x42);
  EXPECT_EQ(Kiv$getfilemode(&a->table), 0x40);
  gConfig.mode = 0x12;
  Kiv$FILE_OPEN(&b->table, 0x12);
  EXPECT_EQ(Kiv$getfilemode(&b->table), 0x12);
  Kiv$FILE_CLOSE(&b->table);
  EXPECT_EQ(Kiv$getfilemode(&b->table), 0);
  Kiv$activate_drv(&a->table, 0x22, 0, 0, 0, 0, 0);  // already registered: unchanged
  EXPECT_EQ(Kiv$getfilemode(&a->table), 0x40);
}

TEST_F(FileLayer, RegetAndResetWithBlankPositionNeverReachStorage) {
  Kiv$FILE_OPEN(&a->table, 0x42);
  for (const char* pos : {"", "   "}) {
    Kiv$PushCString(pos);
    Kiv$FILE_REGETf(&a->table);
    EXPECT_EQ(Kiv$ERRCODE, 35);
    Kiv$PushCString(pos);
    Kiv$FILE_RESETf(&a->table);
    EXPECT_EQ(Kiv$ERRCODE, 35);
  }
  Kiv$PushCString("P1");
  Kiv$FILE_REGETf(&a->table);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(gCalls.back(), "A:66/read:P1");
  for (const auto& c : gCalls) EXPECT_EQ(c.find("read:  "), std::string::npos);
}

TEST_F(FileLayer, LogoutIncludesTablesAndEndsTheTransaction) {
  gConfig.lockBefore = true;
  gConfig.unlockAfter = true;
  Kiv$FILE_OPEN(&a->table, 0x42);
  Kiv$FILE_OPEN(&b->table, 0x42);
  gCalls.clear();
  Kiv$LOGOUT(2, &a->table, &b->table, nullptr);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"A:21/2", "A:22", "B:21/2", "B:22"}));
  gCalls.clear();
  Kiv$LOGOUT(2, &a->table, nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 56);
  EXPECT_TRUE(gCalls.empty());
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  // Newest first: commit then unlock, per table.
  EXPECT_EQ(gCalls, (std::vector<std::string>{"B:8", "B:50", "A:8", "A:50"}));
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 91);
  Kiv$ROLLBACK();
  EXPECT_EQ(Kiv$ERRCODE, 91);
}

TEST_F(FileLayer, FailedLogoutUndoesTablesAlreadyIncluded) {
  gConfig.unlockAfter = true;
  Kiv$FILE_OPEN(&a->table, 0x42);
  gCalls.clear();
  Kiv$LOGOUT(2, &a->table, &b->table, nullptr);  // B is closed
  EXPECT_EQ(Kiv$ERRCODE, 37);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"A:22", "A:40", "A:50"}));
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 91);  // nothing stayed open

  struct Row {
    const char* what;
    FakeConfig config;
    int32_t expected;
  } rows[] = {
      {"no transaction support", {false, true, true, false, false, 0x42, 0, 0}, 48},
      {"DRV_LOGOUT fails", {true, true, true, false, false, 0x42, 90, 0}, 48},
      {"LOCK fails", {true, true, true, true, false, 0x42, 0, 32}, 48},
      {"driver without locking", {true, true, true, true, false, 0x42, 0, 80}, 0},
  };
  Kiv$FILE_CLOSE(&a->table);
  for (const Row& r : rows) {
    gConfig = r.config;
    Kiv$FILE_OPEN(&a->table, 0x42);
    Kiv$LOGOUT(2, &a->table, nullptr);
    EXPECT_EQ(Kiv$ERRCODE, r.expected) << r.what;
    Kiv$ROLLBACK();
    Kiv$FILE_CLOSE(&a->table);
  }
  auto unregistered = fakeTable("U");
  FakeFile object;
  unregistered->table.openFile = &object;  // open, but its driver never registered it
  Kiv$LOGOUT(2, &unregistered->table, nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 48);
  unregistered->table.openFile = nullptr;
}

// A per-thread table opened and included by a started thread; the test's thread ends the
// transaction.
KivTable* gStartedTable = nullptr;
std::atomic<int32_t> gStartedDone{0};

void runStarted(void (*procedure)()) {
  gStartedDone = 0;
  ASSERT_NE(Kiv$START(procedure, 0), 0);
  for (int i = 0; i < 3000 && !gStartedDone; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(gStartedDone);
}

TEST_F(FileLayer, TransactionEndsFromAnotherThread) {
  gStartedTable = &a->table;
  runStarted([] {
    Kiv$FILE_OPEN(gStartedTable, 0x42);
    Kiv$LOGOUT(2, gStartedTable, nullptr);
    gStartedDone = Kiv$ERRCODE == 0 ? 1 : -1;
  });
  ASSERT_EQ(gStartedDone, 1);
  EXPECT_EQ(Kiv$getfilemode(&a->table), 0);  // registered for the started thread only
  gCalls.clear();
  Kiv$COMMIT();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"A:8"}));
  // The started thread's table left the transaction: the next one ends B alone.
  Kiv$FILE_OPEN(&b->table, 0x42);
  Kiv$LOGOUT(2, &b->table, nullptr);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  gCalls.clear();
  Kiv$ROLLBACK();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"B:40"}));
  // Slots are taken lowest first, so this thread has the number the first one had.
  runStarted([] {
    Kiv$FILE_CLOSE(gStartedTable);
    gStartedDone = Kiv$ERRCODE == 0 && Kiv$getfilemode(gStartedTable) == 0 ? 1 : -1;
  });
  EXPECT_EQ(gStartedDone, 1);
}

TEST_F(FileLayer, ShutdownRollsBackAndClosesEverything) {
  EXPECT_EXIT(
      {
        Kiv$FILE_OPEN(&a->table, 0x42);
        Kiv$FILE_OPEN(&b->table, 0x42);
        Kiv$LOGOUT(1, &a->table, nullptr);
        _exit(3);
      },
      ::testing::ExitedWithCode(3), "A:40 B:7 A:7");
}

TEST(StateTable, ChecksInOrder) {
  uint32_t pending = 7;
  struct Row {
    int32_t op;
    uint32_t state;
    int32_t expected;
  } rows[] = {
      {0, 0, 80},
      {82, 0xFFFF, 80},
      {KIV_DRV_NEXT, 0, 37},
      {KIV_DRV_NEXT, 0x01, 33},
      {KIV_DRV_NEXT, 0x21, 0},
      {KIV_DRV_ADD, 0x01, 5},
      {KIV_DRV_BUILDFILE, 0x41, 63},
      {KIV_DRV_BUILDFILE, 0x01, 63},
      {KIV_DRV_BUILDFILE, 0xC1, 0},
      {KIV_DRV_BUILDFILE, 0xC5, 56},
      {KIV_DRV_OPEN, 0x01, 52},
      {KIV_DRV_CREATE, 0x01, 52},
      {KIV_DRV_PUT, 0x41, 33},
      {KIV_DRV_LOCK, 0x11, -1},
      {KIV_DRV_UNLOCK, 0x01, -1},
      {KIV_DRV_CLOSE, 0x05, 56},
      {KIV_DRV_GETKEY, 0x01, 0},  // the key bit counts only for run-time keys
      {KIV_DRV_SEND, 0, 0},
      {KIV_DRV_NOMEMO, 0, 37},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(_drv_check_any_state(nullptr, r.state, &pending, r.op, nullptr, 0), r.expected)
        << "op " << r.op << " state " << r.state;
    EXPECT_EQ(pending, 0u);
    pending = 7;
  }
  KivDrvKeyHead key{};
  key.attributes = KIV_DRVKEY_RUNTIME;
  EXPECT_EQ(_drv_check_any_state(&key, 0x21, &pending, KIV_DRV_SETKEY, nullptr, 0), 46);
  key.state = KIV_STATE_KEYBUILT;
  EXPECT_EQ(_drv_check_any_state(&key, 0x21, &pending, KIV_DRV_SETKEY, nullptr, 0), 0);
  // RESET and REGET with blank positions, after the state has passed.
  EXPECT_EQ(_drv_check_any_state(nullptr, 0x01, &pending, KIV_DRV_RESETFILE, "  ", 2), 35);
  EXPECT_EQ(_drv_check_any_state(nullptr, 0x00, &pending, KIV_DRV_RESETFILE, "  ", 2), 37);
  EXPECT_EQ(_drv_check_any_state(nullptr, 0x01, &pending, KIV_DRV_RESETFILE, " x", 2), 0);
}

TEST(StateTable, UpdatesWords) {
  uint32_t state = 0x01, pending = 0;
  KivDrvKeyHead key{};
  key.attributes = KIV_DRVKEY_RUNTIME;
  _drv_update_any_state(&key, &state, &pending, KIV_DRV_SETKEY, 0);
  EXPECT_EQ(state, 0x221u);
  EXPECT_EQ(pending, 0x5u);
  _drv_update_any_state(&key, &state, &pending, KIV_DRV_BUILDDYN, 0);
  uint32_t keyState = key.state;
  EXPECT_EQ(keyState, uint32_t(KIV_STATE_KEYBUILT));
  EXPECT_EQ(state, 0x221u);  // the key bit goes to the key's own word only
  pending = 0;
  _drv_update_any_state(&key, &state, &pending, KIV_DRV_NEXT, 33);
  EXPECT_EQ(state, 0x01u);
  EXPECT_EQ(pending, 0x0u);
  _drv_update_any_state(nullptr, &state, &pending, KIV_DRV_CLOSE, 52);
  EXPECT_EQ(pending, 0x0u);  // 52 never marks the pending record
  _drv_update_any_state(nullptr, &state, &pending, KIV_DRV_CLOSE, 37);
  EXPECT_EQ(pending, 0x2u);
  _drv_update_any_state(&key, &state, &pending, KIV_DRV_CLOSE, 0);
  EXPECT_EQ(state, 0x0u);
  keyState = key.state;
  EXPECT_EQ(keyState, 0u);
  // The object form finds its words at bytes 57 and 61.
  std::vector<uint8_t> object(80, 0);
  uint32_t open = 0x01;
  std::memcpy(object.data() + 57, &open, 4);
  EXPECT_EQ(_drv_check_state(object.data(), nullptr, KIV_DRV_NEXT, nullptr, 0), 33);
  _drv_update_state(object.data(), nullptr, KIV_DRV_SETFILE, 0);
  std::memcpy(&open, object.data() + 57, 4);
  uint32_t pend;
  std::memcpy(&pend, object.data() + 61, 4);
  EXPECT_EQ(open, 0x221u);
  EXPECT_EQ(pend, 0x5u);
}

TEST(DriverSupport, ReservedWords) {
  for (const char* w : {"ACCEPT", "xor", "Procedure", "OROF", "to"})
    EXPECT_EQ(_drv_IsReservedWord(w), 1) << w;
  for (const char* w : {"", "ACCEPTS", "DISKS", "ZZZ", "A", "ORO"})
    EXPECT_EQ(_drv_IsReservedWord(w), 0) << w;
}

TEST(DriverSupport, DriverOptionStrings) {
  KivTable t{};
  t.driverOptions = "/QUICKSCAN=on/Name=\"a/b\"//Last";
  char buf[64];
  std::vector<std::string> got;
  for (;;) {
    uint32_t len = sizeof buf;
    ASSERT_EQ(_drv_NextDrvStr(&t, &len, buf), 0);
    if (len == 0) break;
    got.push_back(std::string(buf, len));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"QUICKSCAN=on", "Name=\"a/b\"", "Last"}));
  t.driverOptions = "A=1,B/C,D";
  got.clear();
  for (;;) {
    uint32_t len = sizeof buf;
    _drv_NextDrvStr(&t, &len, buf);
    if (len == 0) break;
    got.push_back(buf);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"A=1", "B/C", "D"}));
  t.driverOptions = "LONGOPTION";
  uint32_t len = 4;
  EXPECT_EQ(_drv_NextDrvStr(&t, &len, buf), 8);
  EXPECT_EQ(len, 11u);
  len = sizeof buf;
  EXPECT_EQ(_drv_NextDrvStr(&t, &len, buf), 0);
  EXPECT_STREQ(buf, "LONGOPTION");
}

TEST(DriverSupport, TextHelpers) {
  char text[] = " a b\tc1 ";
  _drv_Strup(text);
  EXPECT_STREQ(text, "ABC1");
  struct Row {
    const char* in;
    int32_t len;
    const char* out;
  } rows[] = {{"abc  ", 5, "abc"}, {"abc", -1, "abc"}, {"\x02xyz", -2, "xy"}, {"   ", 3, ""}};
  for (const Row& r : rows) {
    char* c = _drv_MakeCSTRING(r.in, r.len);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c, r.out);
    std::free(c);
  }
  EXPECT_EQ(_drv_MakeCSTRING(nullptr, 3), nullptr);
  EXPECT_EQ(_drv_MakeCSTRING("abc", 0), nullptr);
}

TEST(DriverSupport, NamesAndFiles) {
  TempDir dir;
  ASSERT_EQ(mkdir("sub", 0777), 0);
  char out[KIV_DRV_NAME_MAX];
  ASSERT_EQ(_drv_ChkName("sub/table", 1, out), 0);
  EXPECT_EQ(std::string(out), dir.path() + "/sub/TABLE.DAT");
  ASSERT_EQ(_drv_ChkName("data.", 1, out), 0);
  EXPECT_EQ(std::string(out), dir.path() + "/DATA");
  ASSERT_EQ(_drv_ChkName("/abs/x.txt", 0, out), 0);
  EXPECT_STREQ(out, "/abs/X.TXT");
  EXPECT_EQ(_drv_ChkName(std::string(144, 'a').c_str(), 0, out), 45);
  EXPECT_EQ(_drv_ChkName("missing/x", 0, out), 3);

  { std::ofstream("src.txt") << std::string(40000, 'q'); }
  EXPECT_EQ(_drv_CopyFile("src.txt", "dst.txt"), 0);
  std::ifstream in("dst.txt");
  std::string copied((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(copied, std::string(40000, 'q'));
  EXPECT_EQ(_drv_CopyFile("src.txt", "SRC.TXT"), 0);  // the same name: nothing to do
  EXPECT_EQ(_drv_CopyFile("none.txt", "x.txt"), 2);
  EXPECT_EQ(_drv_CopyFile("src.txt", "nodir/x.txt"), 3);
  EXPECT_EQ(access("nodir/x.txt", F_OK), -1);

  EXPECT_EQ(_drv_PathIsDirectory("sub"), 1);
  EXPECT_EQ(_drv_PathIsDirectory("whatever/"), 1);
  EXPECT_EQ(_drv_PathIsDirectory("c:"), 1);
  EXPECT_EQ(_drv_PathIsDirectory("src.txt"), 0);
  EXPECT_EQ(_drv_PathIsDirectory("newfile"), 0);
  EXPECT_EQ(access("newfile", F_OK), -1);  // the test file is removed again

  EXPECT_EQ(_drv_CopyOrRenameFile("src.txt", "sub", 1), 0);
  EXPECT_EQ(access("sub/src.txt", F_OK), 0);
  { std::ofstream("BASE.AA") << "1"; }
  { std::ofstream("BASE.BB") << "2"; }
  EXPECT_EQ(_drv_CopyOrRenameFiles("base", "copy", ".AA.BB", 0), 0);  // names are completed
  EXPECT_EQ(access("COPY.AA", F_OK), 0);
  EXPECT_EQ(access("COPY.BB", F_OK), 0);
  EXPECT_EQ(_drv_CopyOrRenameFiles("BASE", "MOVED", ".AA.CC.BB", 1), 2);  // stops at .CC
  EXPECT_EQ(access("MOVED.AA", F_OK), 0);
  EXPECT_EQ(access("BASE.BB", F_OK), 0);
}

}  // namespace
