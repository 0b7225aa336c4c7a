// The view engine over DISKS and FILES: reading, joins, positioning, filters, orders, errors.
#include <gtest/gtest.h>

#include "tests/runtime/view/view_support.h"

using namespace viewtest;

namespace {

class Views : public CatalogViews {
 protected:
  // DISKS alone, and DISKS joined to FILES through FIL:BYDISKID.
  ViewDecl disksView{primaryWhole(0), {&disks->table}};
  ViewDecl joined{cat(primaryWhole(1), joinByField(DIS_IDNUM)),
                  {&disks->table, files->key(FIL_BYDISKID)}};
  ViewDecl filesView{primaryWhole(0), {&files->table}};

  void fill() {
    addDisk(1, "Music", "Audio");
    addDisk(2, "Backup", "Work");
    addDisk(3, "Empty", "Work");
    addDisk(4, "Photos", "Audio");
    addFile(1, "SONG1.MP3", 100);
    addFile(1, "SONG2.MP3", 5000);
    addFile(2, "DATA.ZIP", 90000);
    addFile(4, "IMG.JPG", 50);
    addFile(4, "README.TXT", 10);
  }
  std::string diskItem() { return std::to_string(disks->getLong(DIS_IDNUM)); }
  std::string pairItem() {
    return std::to_string(disks->getLong(DIS_IDNUM)) + ":" + files->text(FIL_SHORTNAME);
  }
  std::vector<std::string> readDisks(KivTable* v, bool backward, int32_t* last = nullptr) {
    return readAll(
        v, backward, [&] { return diskItem(); }, last);
  }
  std::vector<std::string> readPairs(KivTable* v, bool backward, int32_t* last = nullptr) {
    return readAll(
        v, backward, [&] { return pairItem(); }, last);
  }
};

using V = std::vector<std::string>;

TEST_F(Views, EmptyFilterDeliversEveryRecordInKeyOrder) {
  fill();
  open(disksView);
  setFilter(disksView.t(), "");
  EXPECT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));
  int32_t last = 0;
  EXPECT_EQ(readDisks(disksView.t(), false, &last), (V{"2", "3", "1", "4"}));
  EXPECT_EQ(last, 33);
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));
  EXPECT_EQ(readDisks(disksView.t(), true), (V{"4", "1", "3", "2"}));
  // Record order after SET of the table.
  Kiv$FILE_SETf(&disks->table);
  EXPECT_EQ(readDisks(disksView.t(), false), (V{"1", "2", "3", "4"}));
  EXPECT_EQ(Kiv$FILE_RECORDSf(disksView.t()), 4);
}

TEST_F(Views, NotPositionedEndAndStartOver) {
  fill();
  open(disksView);
  Kiv$FILE_NEXT(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 33);  // neither the view nor its primary table was SET
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readDisks(disksView.t(), false).size(), 4u);
  Kiv$FILE_NEXT(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 33);  // again at the end
  Kiv$FILE_PREV(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 33);
  Kiv$ERRORFILE();
  EXPECT_EQ(popString(), "DISKS");
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));  // a new SET starts over
  Kiv$FILE_NEXT(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(disks->getLong(DIS_IDNUM), 1);
}

TEST_F(Views, SetByKeyValueContinuesFromThere) {
  fill();
  open(disksView);
  disks->clear();
  disks->setText(DIS_LABEL, "F");
  Kiv$FILE_SETkk(disks->key(DIS_BYLABEL), disks->key(DIS_BYLABEL));
  EXPECT_EQ(readDisks(disksView.t(), false), (V{"1", "4"}));
  disks->setText(DIS_LABEL, "F");
  Kiv$FILE_SETkk(disks->key(DIS_BYLABEL), disks->key(DIS_BYLABEL));
  EXPECT_EQ(readDisks(disksView.t(), true), (V{"3", "2"}));
}

TEST_F(Views, JoinDeliversEveryCombinationAndLonelyParents) {
  fill();
  open(joined);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  V forward = readPairs(joined.t(), false);
  EXPECT_EQ(forward,
            (V{"1:SONG1.MP3", "1:SONG2.MP3", "2:DATA.ZIP", "3:", "4:IMG.JPG", "4:README.TXT"}));
  // After SET by key, PREVIOUS delivers the last combination first.
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  V backward = readPairs(joined.t(), true);
  EXPECT_EQ(V(backward.rbegin(), backward.rend()), forward);
  // Turning around in the middle.
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  for (int i = 0; i < 3; ++i) Kiv$FILE_NEXT(joined.t());
  EXPECT_EQ(pairItem(), "2:DATA.ZIP");
  Kiv$FILE_PREV(joined.t());
  EXPECT_EQ(pairItem(), "1:SONG2.MP3");
  Kiv$FILE_NEXT(joined.t());
  Kiv$FILE_NEXT(joined.t());
  EXPECT_EQ(pairItem(), "3:");
  EXPECT_EQ(files->getLong(FIL_DISKID), 0);  // the lonely parent's child is cleared
}

TEST_F(Views, JoinByConditionReadsTheChildInRecordOrder) {
  fill();
  addFile(1, "AAA.TXT", 7);  // added last: last in record order, first in key order
  std::string condition = "FIL:DiskID = DIS:IDNum AND FIL:Size > 60";
  std::vector<uint8_t> join{0xFF};
  join.insert(join.end(), condition.begin(), condition.end());
  join.insert(join.end(), {0x00, 0xFF, 0xFF, 0x00});
  ViewDecl byCondition{cat(primaryWhole(1), join), {&disks->table, &files->table}};
  open(byCondition);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readPairs(byCondition.t(), false),
            (V{"1:SONG1.MP3", "1:SONG2.MP3", "2:DATA.ZIP", "3:", "4:"}));
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readPairs(byCondition.t(), true),
            (V{"4:", "3:", "2:DATA.ZIP", "1:SONG2.MP3", "1:SONG1.MP3"}));
  Kiv$FILE_CLOSE(byCondition.t());
  // A condition naming an unknown field keeps the view from opening.
  std::vector<uint8_t> bad{0x00, 0xFF, 0xFF, 0x01, 0xFF, 'X', ':', 'Y', 0x00, 0xFF, 0xFF, 0x00};
  ViewDecl badView{bad, {&disks->table, &files->table}};
  Kiv$FILE_OPEN(badView.t(), 0x22);
  EXPECT_EQ(Kiv$ERRCODE, 801);
  EXPECT_EQ(badView.view.engine, nullptr);
}

TEST_F(Views, FilterOnJoinedFieldDropsParentsWhoseChildrenAllFail) {
  fill();
  open(joined);
  setFilter(joined.t(), "FIL:Size >= 100 AND UPPER(DIS:Category) = 'AUDIO'");
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readPairs(joined.t(), false), (V{"1:SONG1.MP3", "1:SONG2.MP3"}));
  setFilter(joined.t(), "FIL:Size < 60");
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readPairs(joined.t(), false), (V{"3:", "4:IMG.JPG", "4:README.TXT"}));
  setFilter(joined.t(), "");
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readPairs(joined.t(), false).size(), 6u);
}

TEST_F(Views, BadFiltersLeaveTheViewUnfiltered) {
  fill();
  open(disksView);
  struct Row {
    const char* filter;
    int32_t error;
  };
  for (Row row : {Row{"DIS:Nothing = 1", 801}, Row{"DIS:IDNum = ", 0}, Row{"(DIS:IDNum", 0},
                  Row{"'open", 0}}) {
    setFilter(disksView.t(), "DIS:IDNum = 2");
    setFilter(disksView.t(), row.filter);
    EXPECT_EQ(Kiv$ERRCODE, row.error) << row.filter;
    Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
    EXPECT_EQ(readDisks(disksView.t(), false).size(), 4u) << row.filter;
  }
  setOrder(disksView.t(), "DIS:Nothing");
  EXPECT_EQ(Kiv$ERRCODE, 801);
}

TEST_F(Views, PositionResetAndReget) {
  fill();
  open(joined);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  for (int i = 0; i < 2; ++i) Kiv$FILE_NEXT(joined.t());
  std::string pos = position(joined.t());
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(readPairs(joined.t(), false).size(), 4u);
  reset(joined.t(), pos);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(readPairs(joined.t(), false),
            (V{"1:SONG2.MP3", "2:DATA.ZIP", "3:", "4:IMG.JPG", "4:README.TXT"}));
  reset(joined.t(), pos);
  EXPECT_EQ(readPairs(joined.t(), true), (V{"1:SONG2.MP3", "1:SONG1.MP3"}));
  // The lonely parent's combination has a position too.
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  for (int i = 0; i < 4; ++i) Kiv$FILE_NEXT(joined.t());
  std::string lonely = position(joined.t());
  reget(joined.t(), pos);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(pairItem(), "1:SONG2.MP3");
  reget(joined.t(), lonely);
  EXPECT_EQ(pairItem(), "3:");
  reset(joined.t(), lonely);
  Kiv$FILE_NEXT(joined.t());
  EXPECT_EQ(pairItem(), "3:");
  for (const char* bad : {"", "   ", "V\x01garbage"}) {
    reset(joined.t(), bad);
    EXPECT_EQ(Kiv$ERRCODE, 35) << bad;
    reget(joined.t(), bad);
    EXPECT_EQ(Kiv$ERRCODE, 35) << bad;
  }
}

TEST_F(Views, SkipMovesWithoutDelivering) {
  fill();
  open(joined);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  Kiv$FILE_SKIP(joined.t(), 2);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_NEXT(joined.t());
  EXPECT_EQ(pairItem(), "2:DATA.ZIP");
  Kiv$FILE_SKIP(joined.t(), -2);
  Kiv$FILE_PREV(joined.t());
  EXPECT_EQ(Kiv$ERRCODE, 33);  // SKIP stopped at the beginning, leaving the view unset
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  Kiv$FILE_SKIP(joined.t(), 10);
  EXPECT_EQ(Kiv$ERRCODE, 33);
}

TEST_F(Views, SetByOrderValuesStartsAtTheKeyValues) {
  fill();
  open(disksView);
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));  // the view reads DIS:BYLABEL
  Kiv$FILE_NEXT(disksView.t());
  disks->setText(DIS_LABEL, "M");
  Kiv$VIEW_SETvl(disksView.t(), 1);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(readDisks(disksView.t(), false), (V{"1", "4"}));
  disks->setText(DIS_LABEL, "M");
  Kiv$VIEW_SETvl(disksView.t(), 5);  // capped at the key's one component
  EXPECT_EQ(readDisks(disksView.t(), true), (V{"3", "2"}));
  Kiv$VIEW_SETvl(disksView.t(), 0);  // no values: from the beginning
  EXPECT_EQ(readDisks(disksView.t(), false), (V{"2", "3", "1", "4"}));
}

TEST_F(Views, RunTimeOrders) {
  fill();
  open(filesView);
  auto name = [&] { return files->text(FIL_SHORTNAME); };
  setOrder(filesView.t(), "-FIL:Size");
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$VIEW_SETvl(filesView.t(), 0);
  EXPECT_EQ(readAll(filesView.t(), false, name),
            (V{"DATA.ZIP", "SONG2.MP3", "SONG1.MP3", "IMG.JPG", "README.TXT"}));
  Kiv$VIEW_SETvl(filesView.t(), 0);
  EXPECT_EQ(readAll(filesView.t(), true, name),
            (V{"README.TXT", "IMG.JPG", "SONG1.MP3", "SONG2.MP3", "DATA.ZIP"}));
  // Two components; the second an expression with a comma inside.
  setOrder(filesView.t(), " +FIL:DiskID , -SUB(FIL:ShortName, 1, 4)");
  ASSERT_EQ(Kiv$ERRCODE, 0);
  setFilter(filesView.t(), "FIL:Size > 20");
  Kiv$VIEW_SETvl(filesView.t(), 0);
  EXPECT_EQ(readAll(filesView.t(), false, name),
            (V{"SONG1.MP3", "SONG2.MP3", "DATA.ZIP", "IMG.JPG"}));
  // Start values of the first order component; positions in the ordered view.
  files->setLong(FIL_DISKID, 2);
  Kiv$VIEW_SETvl(filesView.t(), 1);
  Kiv$FILE_NEXT(filesView.t());
  EXPECT_EQ(name(), "DATA.ZIP");
  std::string pos = position(filesView.t());
  EXPECT_EQ(readAll(filesView.t(), false, name), (V{"IMG.JPG"}));
  reset(filesView.t(), pos);
  EXPECT_EQ(readAll(filesView.t(), true, name), (V{"DATA.ZIP", "SONG2.MP3", "SONG1.MP3"}));
  // An order the key delivers by itself.
  setOrder(filesView.t(), "FIL:DiskID");
  setFilter(filesView.t(), "");
  Kiv$VIEW_SETvl(filesView.t(), 0);
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return std::to_string(files->getLong(1)); }),
            (V{"1", "1", "2", "4", "4"}));
}

TEST_F(Views, WritesPassToThePrimaryTable) {
  fill();
  open(disksView);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  Kiv$FILE_NEXT(disksView.t());
  disks->setText(DIS_LABEL, "Renamed");
  Kiv$FILE_PUTf(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_NEXT(disksView.t());
  Kiv$FILE_DELETE(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_DELETE(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 33);  // no current record any more
  EXPECT_EQ(Kiv$FILE_RECORDSf(&disks->table), 3);
  disks->clear();
  disks->setLong(DIS_IDNUM, 1);
  Kiv$FILE_GETfk(&disks->table, disks->key(DIS_BYIDNUM));
  EXPECT_EQ(disks->text(DIS_LABEL), "Renamed");
}

TEST_F(Views, UnsupportedOperationsAndClosedViews) {
  fill();
  Kiv$FILE_NEXT(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 37);
  open(disksView);
  Kiv$FILE_OPEN(disksView.t(), 0x22);
  EXPECT_EQ(Kiv$ERRCODE, 52);
  int depth = Kiv$StackDepth();
  Kiv$FILE_SETf(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  Kiv$FILE_ADDf(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  Kiv$FILE_NAME(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  EXPECT_EQ(popString(), "");
  Kiv$PushCString("QUICKSCAN=on");
  Kiv$FILE_SEND(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  popString();
  EXPECT_EQ(Kiv$StackDepth(), depth);
  setProperty(disksView.t(), 12345, "whatever");  // other properties have no effect
  EXPECT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_CLOSE(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(disksView.view.engine, nullptr);
  EXPECT_EQ(disksView.view.driver, &VIEWDRIVER);
  Kiv$FILE_CLOSE(disksView.t());
  EXPECT_EQ(Kiv$ERRCODE, 37);
  // A view over a table that is not open cannot open.
  Kiv$FILE_CLOSE(&disks->table);
  Kiv$FILE_OPEN(disksView.t(), 0x22);
  EXPECT_EQ(Kiv$ERRCODE, 37);
}

TEST_F(Views, FilterSetBeforeOpenIsTakenOver) {
  fill();
  setFilter(disksView.t(), "DIS:IDNum > 2");
  EXPECT_EQ(Kiv$ERRCODE, 0);
  open(disksView);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  EXPECT_EQ(readDisks(disksView.t(), false), (V{"3", "4"}));
}

TEST_F(Views, MalformedStructureDescriptions) {
  struct Row {
    std::vector<uint8_t> structure;
    const char* what;
  };
  std::vector<Row> rows = {
      {{0x01, 0x01, 0x00, 0xFF, 0xFF, 0x00}, "a primary with a link"},
      {{0x00, 0xFF, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0x00}, "a join without a link"},
  };
  // Twenty levels of nesting are one too many.
  std::vector<uint8_t> deep = primaryWhole(1);
  for (int i = 0; i < 19; ++i) deep = cat(deep, {0x01, 0x01, 0x00, 0xFF, 0xFF, uint8_t(i < 18)});
  rows.push_back({deep, "twenty levels"});
  for (const Row& row : rows) {
    std::vector<void*> comps(21, files->key(FIL_BYDISKID));
    comps[0] = &disks->table;
    ViewDecl v{row.structure, comps};
    Kiv$FILE_OPEN(v.t(), 0x22);
    EXPECT_EQ(Kiv$ERRCODE, 75) << row.what;
    EXPECT_EQ(v.view.engine, nullptr);
  }
}

// A driver that offers a native view driver of its own.
int32_t gNativeCalls = 0;
int32_t gNativeOp = 0;
int32_t nativeView(int32_t op, KivTable*, intptr_t*) {
  ++gNativeCalls;
  gNativeOp = op;
  return 7;
}
int32_t offeringDriver(int32_t op, KivTable* table, intptr_t* args) {
  if (op == KIV_DRV_GETVIEWDRIVER) {
    args[0] = reinterpret_cast<intptr_t>(&nativeView);
    return 1;
  }
  return ZEPHRA(op, table, args);
}

TEST_F(Views, NativeViewDriverTakesOverWhenOffered) {
  EXPECT_EQ(VIEWDRIVER(KIV_DRV_GETVIEWDRIVER, nullptr, nullptr), 0);
  fill();
  open(disksView);  // ZEPHRA offers none
  EXPECT_EQ(disksView.view.driver, &VIEWDRIVER);
  Kiv$FILE_CLOSE(disksView.t());
  disks->table.driver = &offeringDriver;
  EXPECT_EQ(Kiv$FILE_RECORDSf(disksView.t()), 7);
  EXPECT_EQ(gNativeCalls, 1);
  EXPECT_EQ(gNativeOp, KIV_DRV_RECORDSFILE);
  EXPECT_EQ(disksView.view.driver, &nativeView);
  Kiv$FILE_NEXT(disksView.t());
  EXPECT_EQ(gNativeCalls, 2);
  disks->table.driver = &ZEPHRA;
}

}  // namespace
