// Views whose filter holds the key's first field to one value: they start at that value and end
// where the key leaves it. Each row reads the view both ways and compares with what the filter
// picks from the records themselves, so a bound that cut the view short, or one taken from a
// filter that allows more, shows.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/runtime/view/view_support.h"

using namespace viewtest;

namespace {

struct FileSpec {
  int32_t disk;
  const char* name;
  uint32_t size;
};
// Disk 3 has no files; disks 0 and 9 do not exist.
constexpr FileSpec kFiles[] = {{1, "A.TXT", 10},  {1, "B.TXT", 20},  {2, "C.TXT", 100},
                               {2, "D.TXT", 200}, {2, "E.TXT", 300}, {4, "F.TXT", 40},
                               {5, "G.TXT", 50},  {5, "H.TXT", 60}};

class BoundViews : public CatalogViews {
 protected:
  ViewDecl filesView{primaryWhole(0), {&files->table}};
  ViewDecl disksView{primaryWhole(0), {&disks->table}};

  void SetUp() override {
    CatalogViews::SetUp();
    for (const FileSpec& f : kFiles) addFile(f.disk, f.name, f.size);
  }
  std::string name() { return trimmed(files->text(FIL_SHORTNAME)); }
  static std::string trimmed(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
  }
  // The reference: the records the filter picks, evaluated on each record outside any view,
  // in key order (kFiles is in it).
  std::vector<std::string> picked(const std::string& filter) {
    KivExpr* e = Kiv$ParseCString(filter.c_str());
    EXPECT_NE(e, nullptr) << filter;
    std::vector<std::string> out;
    for (const FileSpec& f : kFiles) {
      files->clear();
      files->setLong(FIL_DISKID, f.disk);
      files->setText(FIL_SHORTNAME, f.name);
      files->setLong(FIL_SIZE, static_cast<int32_t>(f.size));
      if (e && Kiv$EvalR(e)) out.push_back(f.name);
    }
    if (e) Kiv$FreeParsed(e);
    return out;
  }
  // The view in FIL:BYDISKID, from its start (forward) or its end (backward).
  std::vector<std::string> read(const std::string& filter, bool backward) {
    setFilter(filesView.t(), filter);
    EXPECT_EQ(Kiv$ERRCODE, 0) << filter;
    Kiv$FILE_SETk(files->key(FIL_BYDISKID));
    int32_t last = 0;
    std::vector<std::string> out = readAll(
        filesView.t(), backward, [&] { return name(); }, &last);
    EXPECT_EQ(last, 33) << filter;
    return out;
  }
};

using V = std::vector<std::string>;

TEST_F(BoundViews, BothWaysTheRecordsTheFilterPicks) {
  open(filesView);
  int32_t wanted = 4;  // a bound variable, outside the view
  Ufo* variable = Kiv$Mem2Ufo(&wanted, KIV_LONG, 4, 0, 0);
  Kiv$PushCString("Wanted");
  Kiv$BindV(variable);
  struct Row {
    const char* filter;
    V names;  // in key order
  };
  const Row rows[] = {
      {"FIL:DiskID = 2", {"C.TXT", "D.TXT", "E.TXT"}},
      {"(FIL:DiskID = 2)", {"C.TXT", "D.TXT", "E.TXT"}},
      {"2 = FIL:DiskID", {"C.TXT", "D.TXT", "E.TXT"}},
      {"FIL:DiskID = 1", {"A.TXT", "B.TXT"}},  // the first disk
      {"FIL:DiskID = 5", {"G.TXT", "H.TXT"}},  // the last
      {"FIL:DiskID = 3", {}},                  // between two disks, no files
      {"FIL:DiskID = 0", {}},                  // before the first
      {"FIL:DiskID = 9", {}},                  // beyond the last
      {"FIL:DiskID = 2 AND FIL:Size > 150", {"D.TXT", "E.TXT"}},
      {"FIL:Size < 250 AND FIL:DiskID = 2", {"C.TXT", "D.TXT"}},
      {"FIL:DiskID = Wanted", {"F.TXT"}},
      // Not one value of the first field: every matching record, wherever it lies.
      {"FIL:DiskID = 2 OR FIL:DiskID = 4", {"C.TXT", "D.TXT", "E.TXT", "F.TXT"}},
      {"NOT FIL:DiskID = 2", {"A.TXT", "B.TXT", "F.TXT", "G.TXT", "H.TXT"}},
      {"FIL:DiskID >= 4", {"F.TXT", "G.TXT", "H.TXT"}},
      {"FIL:DiskID = FIL:Size / 20", {"B.TXT"}},  // a value the record itself gives
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.filter);
    EXPECT_EQ(picked(r.filter), r.names);  // the row itself, against the filter
    EXPECT_EQ(read(r.filter, false), r.names);
    V backward = r.names;
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(read(r.filter, true), backward);
  }
  // The value is taken when reading starts: a new value gives its own records.
  wanted = 5;
  EXPECT_EQ(read("FIL:DiskID = Wanted", false), (V{"G.TXT", "H.TXT"}));
  Kiv$FreeUfo(variable);
}

TEST_F(BoundViews, StartingElsewhereReadsOnlyTheBound) {
  open(filesView);
  setFilter(filesView.t(), "FIL:DiskID = 2");
  // SET by key before the bound: reading forward goes to its start.
  files->clear();
  files->setLong(FIL_DISKID, 1);
  Kiv$FILE_SETkk(files->key(FIL_BYDISKID), files->key(FIL_BYDISKID));
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return name(); }), (V{"C.TXT", "D.TXT", "E.TXT"}));
  // After it: reading backward goes to its end.
  files->clear();
  files->setLong(FIL_DISKID, 5);
  Kiv$FILE_SETkk(files->key(FIL_BYDISKID), files->key(FIL_BYDISKID));
  EXPECT_EQ(readAll(filesView.t(), true, [&] { return name(); }), (V{"E.TXT", "D.TXT", "C.TXT"}));
  // Inside it: on from there, both ways, from a position.
  Kiv$FILE_SETk(files->key(FIL_BYDISKID));
  Kiv$FILE_NEXT(filesView.t());
  Kiv$FILE_NEXT(filesView.t());
  ASSERT_EQ(name(), "D.TXT");
  const std::string at = position(filesView.t());
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return name(); }), (V{"E.TXT"}));
  reset(filesView.t(), at);
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return name(); }), (V{"D.TXT", "E.TXT"}));
  reset(filesView.t(), at);
  EXPECT_EQ(readAll(filesView.t(), true, [&] { return name(); }), (V{"D.TXT", "C.TXT"}));
  // Beyond the bound a further read stays at the end.
  Kiv$FILE_NEXT(filesView.t());
  EXPECT_EQ(Kiv$ERRCODE, 33);
}

TEST_F(BoundViews, TextKeysAndTheViewsOwnOrder) {
  addDisk(1, "Music");
  addDisk(2, "MUSIC");
  addDisk(3, "Musical");
  addDisk(4, "Apple");
  addDisk(5, "Zebra");
  open(disksView);
  auto label = [&] { return trimmed(disks->text(DIS_LABEL)); };
  // On the case-blind label key, UPPER of the field holds the same records together.
  setFilter(disksView.t(), "UPPER(DIS:Label) = 'MUSIC'");
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));
  EXPECT_EQ(readAll(disksView.t(), false, label), (V{"Music", "MUSIC"}));
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));
  EXPECT_EQ(readAll(disksView.t(), true, label), (V{"MUSIC", "Music"}));
  // The field itself compares letter case and all: one of the two.
  setFilter(disksView.t(), "DIS:Label = 'MUSIC'");
  Kiv$FILE_SETk(disks->key(DIS_BYLABEL));
  EXPECT_EQ(readAll(disksView.t(), false, label), (V{"MUSIC"}));

  // One disk's files in an order of the view's own: collected from within the bound only.
  open(filesView);
  setOrder(filesView.t(), "+FIL:DiskID,-FIL:Size");
  setFilter(filesView.t(), "FIL:DiskID = 2");
  Kiv$VIEW_SETvl(filesView.t(), 0);
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return name(); }), (V{"E.TXT", "D.TXT", "C.TXT"}));
  // A start within it, and the order cleared: the key's order again.
  files->setLong(FIL_DISKID, 2);
  files->setLong(FIL_SIZE, 200);
  Kiv$VIEW_SETvl(filesView.t(), 2);
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return name(); }), (V{"D.TXT", "C.TXT"}));
  setOrder(filesView.t(), "");
  Kiv$FILE_SETk(files->key(FIL_BYDISKID));
  EXPECT_EQ(readAll(filesView.t(), false, [&] { return name(); }), (V{"C.TXT", "D.TXT", "E.TXT"}));
}

}  // namespace
