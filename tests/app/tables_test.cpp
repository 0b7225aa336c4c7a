// Catalog tables: declared layouts and keys, the opening policy and the use counters.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/tables/app_warning.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "runtime/core/ufo.h"
#include "tests/app/app_test_support.h"

namespace {

using apptest::Boxes;

// The group layout of a table as (label, type, size, offset) rows.
struct FieldRow {
  std::string label;
  int type;
  uint32_t size, offset;
  bool operator==(const FieldRow&) const = default;
};
std::vector<FieldRow> layoutRows(kiv::Table& t) {
  class_descriptor d(static_cast<const uint8_t*>(t.desc()->fieldLayout));
  std::vector<FieldRow> rows;
  for (uint32_t n = 1; n <= d.NFields(); ++n) {
    const FieldDescription& f = d.FieldDesc(n);
    rows.push_back({f.name, f.type, f.size, f.offset});
  }
  return rows;
}

TEST(CatalogTables, DisksLayoutKeysAndAttributes) {
  KivTable* t = Disks.desc();
  EXPECT_EQ(std::string(t->name, t->nameLen), "DISKS");
  EXPECT_EQ(t->driver, &ZEPHRA);
  EXPECT_EQ(t->attributes, 0x3C);
  EXPECT_EQ(t->recordLength, 398u);
  EXPECT_EQ(t->record, &Disks.rec);
  std::vector<FieldRow> want = {
      {"DIS:IDNUM", KIV_LONG, 4, 0},           {"DIS:USERNUM", KIV_STRING, 12, 4},
      {"DIS:LABEL", KIV_STRING, 11, 16},       {"DIS:CATEGORY", KIV_STRING, 20, 27},
      {"DIS:KEYWORD1", KIV_STRING, 20, 47},    {"DIS:KEYWORD2", KIV_STRING, 20, 67},
      {"DIS:KEYWORD3", KIV_STRING, 20, 87},    {"DIS:TOTALBYTES", KIV_DECIMAL, 11, 107},
      {"DIS:FREESPACE", KIV_DECIMAL, 11, 118}, {"DIS:SERIALNO", KIV_STRING, 9, 129},
      {"DIS:TYPE", KIV_STRING, 1, 138},        {"DIS:FILES", KIV_LONG, 4, 139},
      {"DIS:COMMENTS", KIV_STRING, 255, 143}};
  EXPECT_EQ(layoutRows(Disks), want);
  // Members lie where the layout says.
  auto at = [&](const void* p) { return static_cast<const char*>(p) - (const char*)&Disks.rec; };
  EXPECT_EQ(at(&Disks.rec.FreeSpace), 118);
  EXPECT_EQ(at(&Disks.rec.Comments), 143);

  struct KeyRow {
    const char* name;
    std::vector<int32_t> components;
    uint16_t attributes;
  };
  std::vector<KeyRow> keys = {{"DIS:BYIDNUM", {1}, 0x14},     {"DIS:BYUSERNUM", {2}, 0x06},
                              {"DIS:BYLABEL", {3}, 0x05},     {"DIS:BYCATEGORY", {4}, 0x07},
                              {"DIS:BYFREESPACE", {9}, 0x05}, {"DIS:BYTYPE", {11}, 0x07},
                              {"DIS:DYNNDX", {}, 0x4007}};
  ASSERT_EQ(t->keyCount, keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    const KivKey* k = t->keys[i];
    EXPECT_EQ(std::string(k->name, k->nameLen), keys[i].name);
    EXPECT_EQ(k->attributes, keys[i].attributes) << keys[i].name;
    EXPECT_EQ(std::vector<int32_t>(k->components, k->components + k->componentCount),
              keys[i].components)
        << keys[i].name;
    EXPECT_EQ(k->table, t);
  }
}

TEST(CatalogTables, EveryTableHasItsSizeAttributesAndKeys) {
  struct Row {
    kiv::Table* table;
    const char* label;
    uint32_t size;
    uint8_t attributes;
    std::vector<std::string> keys;
    KivDriverEntry driver;
  };
  std::vector<Row> rows = {
      {&Disks, "DISKS", 398, 0x3C, {}, ZEPHRA},
      {&Category, "CATEGORY", 20, 0x3C, {"CAT:BYNAME"}, ZEPHRA},
      {&Files,
       "FILES",
       847,
       0x3C,
       {"FIL:BYDISKID", "FIL:BYNAME", "FIL:BYDATE", "FIL:BYTIME", "FIL:BYSIZE", "FIL:BYATTRIB",
        "FIL:BYTYPE", "FIL:DYNNDX"},
       ZEPHRA},
      {&SortFiles,
       "SORTFILES",
       374,
       0x3C,
       {"SOF:BYDISKID", "SOF:BYNAME", "SOF:BYDATE", "SOF:BYTIME", "SOF:BYSIZE", "SOF:BYATTRIB"},
       ZEPHRA},
      {&TempFile, "TEMPFILE", 20, 0x14, {}, ASCII},
      {&TempDisk,
       "TEMPDISK",
       398,
       0x1C,
       {"TED:BYIDNUM", "TED:BYUSERNUM", "TED:BYLABEL", "TED:BYCATEGORY", "TED:BYFREESPACE",
        "TED:BYTYPE", "TED:DYNNDX"},
       ZEPHRA},
      {&TempFiles,
       "TEMPFILES",
       847,
       0x1C,
       {"TEF:BYDISKID", "TEF:BYNAME", "TEF:BYDATE", "TEF:BYTIME", "TEF:BYSIZE", "TEF:BYATTRIB",
        "TEF:BYTYPE", "TEF:DYNNDX"},
       ZEPHRA},
      {&Labels, "LABELS", 35, 0x14, {"LAB:TYPE"}, ZEPHRA},
  };
  for (Row& r : rows) {
    KivTable* t = r.table->desc();
    EXPECT_EQ(std::string(t->name, t->nameLen), r.label);
    EXPECT_EQ(t->recordLength, r.size) << r.label;
    EXPECT_EQ(t->attributes, r.attributes) << r.label;
    EXPECT_EQ(t->driver, r.driver) << r.label;
    class_descriptor d(static_cast<const uint8_t*>(t->fieldLayout));
    EXPECT_EQ(d.RecordSize(), r.size) << r.label;
    if (r.keys.empty()) continue;
    ASSERT_EQ(t->keyCount, r.keys.size()) << r.label;
    for (size_t i = 0; i < r.keys.size(); ++i)
      EXPECT_EQ(std::string(t->keys[i]->name, t->keys[i]->nameLen), r.keys[i]);
  }
  // The work copies keep the catalog's key components and attributes.
  for (int i = 0; i < 8; ++i) {
    const KivKey* a = Files.desc()->keys[i];
    const KivKey* b = TempFiles.desc()->keys[i];
    EXPECT_EQ(a->attributes, b->attributes);
    EXPECT_EQ(std::vector<int32_t>(a->components, a->components + a->componentCount),
              std::vector<int32_t>(b->components, b->components + b->componentCount));
  }
  EXPECT_EQ(Files.desc()->keys[2]->componentCount, 3);  // BYDATE: date, time, short name
  EXPECT_EQ(Labels.desc()->keys[0]->attributes, 0x16);
  class_descriptor labels(static_cast<const uint8_t*>(Labels.desc()->fieldLayout));
  EXPECT_EQ(labels.FieldDesc(2).type, KIV_DECIMAL);
  EXPECT_EQ(labels.FieldDesc(2).size, 3u);
  EXPECT_EQ(labels.FieldDesc(2).places, 2u);
}

class TableOpening : public ::testing::Test {
 protected:
  kivtest::TempDir dir;
  Boxes boxes;
};

TEST_F(TableOpening, FirstUseCreatesEveryTableSilently) {
  {
    CatalogUse a(Disks, DisksUseCount), b(Category, CategoryUseCount), c(Files, FilesUseCount),
        d(SortFiles, SortFilesUseCount), e(TempFile, TempFileUseCount),
        f(TempDisk, TempDiskUseCount), g(TempFiles, TempFilesUseCount), h(Labels, LabelsUseCount);
    for (kiv::Table* t : {(kiv::Table*)&Disks, (kiv::Table*)&Category, (kiv::Table*)&Files,
                          (kiv::Table*)&SortFiles, (kiv::Table*)&TempFile, (kiv::Table*)&TempDisk,
                          (kiv::Table*)&TempFiles, (kiv::Table*)&Labels})
      EXPECT_TRUE(t->isOpen());
    EXPECT_EQ(Kiv$getfilemode(Disks.desc()), 0x42);
    Disks.rec.IdNum = 1;
    Disks.rec.Label = "FIRST";
    Disks.add();
    EXPECT_EQ(kiv::errorCode(), 0);
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(Disks.isOpen());
  EXPECT_EQ(DisksUseCount, 0);
  CatalogUse again(Disks, DisksUseCount);
  EXPECT_EQ(Disks.records(), 1);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TableOpening, UseCountersCloseOnTheLastRelease) {
  auto outer = std::make_unique<CatalogUse>(Files, FilesUseCount);
  {
    CatalogUse inner(Files, FilesUseCount);
    EXPECT_EQ(FilesUseCount, 2);
    inner.release();
    inner.release();  // a second release changes nothing
    EXPECT_EQ(FilesUseCount, 1);
    EXPECT_TRUE(Files.isOpen());
  }
  EXPECT_EQ(FilesUseCount, 1);
  EXPECT_TRUE(Files.isOpen());
  outer.reset();
  EXPECT_EQ(FilesUseCount, 0);
  EXPECT_FALSE(Files.isOpen());
}

TEST_F(TableOpening, EachThreadHasItsOwnInstanceAndCounter) {
  CatalogUse mine(Disks, DisksUseCount);
  KivTable* main = Disks.desc();
  KivTable* other = nullptr;
  bool otherOpenBefore = true, otherOpenInside = false;
  int32_t otherCount = -1;
  std::thread t([&] {
    other = Disks.desc();
    otherOpenBefore = Disks.isOpen();
    {
      CatalogUse use(Disks, DisksUseCount);
      otherOpenInside = Disks.isOpen();
      otherCount = DisksUseCount;
    }
  });
  t.join();
  EXPECT_NE(main, other);
  EXPECT_FALSE(otherOpenBefore);
  EXPECT_TRUE(otherOpenInside);
  EXPECT_EQ(otherCount, 1);
  EXPECT_EQ(DisksUseCount, 1);
  EXPECT_TRUE(Disks.isOpen());  // the other thread's close left this one open
}

// Leaves FILES with keys that must be rebuilt: records appended, then closed.
void makeFilesNeedingRebuild() {
  Files.create();
  ASSERT_EQ(kiv::errorCode(), 0);
  Files.open(0x12);
  Files.stream();
  for (int i = 0; i < 5; ++i) {
    Files.rec.clear();
    Files.rec.DiskId = 1;
    Files.rec.ShortName = "F" + std::to_string(i);
    Files.append();
  }
  Files.close();
  Files.open(0x42);
  ASSERT_EQ(kiv::errorCode(), 46);
}

TEST_F(TableOpening, DamagedKeyRebuiltOnYes) {
  makeFilesNeedingRebuild();
  boxes.answers = {KIV_BUTTON_YES};
  OpenCatalogTable(Files);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Invalid Key");
  EXPECT_EQ(boxes.shown[0].text,
            Files.name() + " key file is invalid.  Do you want to rebuild the key?");
  EXPECT_EQ(boxes.shown[0].icon, 0x7F03u);
  EXPECT_EQ(boxes.shown[0].buttons, uint32_t(KIV_BUTTON_YES | KIV_BUTTON_NO));
  EXPECT_EQ(boxes.shown[0].defaultButton, uint32_t(KIV_BUTTON_YES));
  EXPECT_TRUE(Files.isOpen());
  EXPECT_EQ(Files.records(Files.ByName), 5);
  Files.close();
}

TEST_F(TableOpening, DamagedKeyDeclinedHalts) {
  makeFilesNeedingRebuild();
  EXPECT_EXIT(
      {
        apptest::answerInChild(KIV_BUTTON_NO);
        OpenCatalogTable(Files);
        std::fprintf(stderr, "returned\n");
        _Exit(9);
      },
      ::testing::ExitedWithCode(0),
      "\\[Invalid Key\\] .*FILES.* key file is invalid.*\n\\[Halt\\] Invalid Key!");
}

TEST_F(TableOpening, StoredLayoutThatDiffersEndsTheProgram) {
  // A DISKS table stored with another record layout.
  auto other = kivtest::makeDisks();
  other = std::make_unique<kivtest::TableDecl>(
      "DISKS", ZEPHRA,
      std::vector<kivtest::FieldDecl>{{KIV_LONG, 4, "DIS:IDNUM"}, {KIV_STRING, 40, "DIS:LABEL"}},
      std::vector<kivtest::KeyDecl>{{"DIS:BYIDNUM", {1}, 0x14}}, 0x3C);
  Kiv$FILE_CREATE(&other->table);
  ASSERT_EQ(kiv::errorCode(), 0);
  EXPECT_EXIT(
      {
        apptest::answerInChild(0);
        OpenCatalogTable(Disks);
        _Exit(9);
      },
      ::testing::ExitedWithCode(0),
      "\\[Invalid File\\] Error: \\(.* \\(47\\)\\) accessing .*DISKS.*\\.  Press OK to end this "
      "application\\.\n\\[Halt\\] Invalid File!");
}

// A catalog of the earlier layout, whose byte counts were ULONG: the same fields in the same
// order, only narrower. It is not read as if it were the new one; the program says so and ends.
TEST_F(TableOpening, TablesOfTheEarlierThirtyTwoBitLayoutAreRefused) {
  for (const char* label : {"DISKS", "FILES"}) {
    SCOPED_TRACE(label);
    auto earlier = std::string_view(label) == "DISKS" ? kivtest::makeDisks() : kivtest::makeFiles();
    Kiv$FILE_CREATE(&earlier->table);
    ASSERT_EQ(kiv::errorCode(), 0);
    EXPECT_EXIT(
        {
          apptest::answerInChild(0);
          OpenCatalogTable(std::string_view(label) == "DISKS" ? static_cast<kiv::Table&>(Disks)
                                                              : static_cast<kiv::Table&>(Files));
          _Exit(9);
        },
        ::testing::ExitedWithCode(0),
        "\\[Invalid File\\] Error: \\(.* \\(47\\)\\) accessing .*" + std::string(label) +
            ".*\\[Halt\\] Invalid File!");
  }
}

TEST_F(TableOpening, LockedTableIsRecoveredAndOpenedAgain) {
  { CatalogUse create(Disks, DisksUseCount); }
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    Disks.open(0x12);  // read and write, deny all
    char c = Kiv$ERRCODE == 0 ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1) _Exit(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Disks.close();
    _Exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  Disks.open(0x42);
  EXPECT_EQ(kiv::errorCode(), 32);  // what OpenCatalogTable meets first
  auto start = std::chrono::steady_clock::now();
  OpenCatalogTable(Disks);
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(Disks.isOpen());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_LT(waited, 9.0);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  Disks.close();
}

TEST_F(TableOpening, OtherOpenErrorsWarnAndHaltWithDiskError) {
  // A table whose stored file is not a table at all.
  { CatalogUse create(Category, CategoryUseCount); }
  std::string name = Category.name();
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    std::string f = e.path().filename().string();
    if (f.rfind("CATEGORY", 0) == 0 || f.rfind("category", 0) == 0) {
      FILE* out = std::fopen(e.path().c_str(), "w");
      std::fputs("this is not a table, only some text that fills the file", out);
      std::fclose(out);
    }
  }
  EXPECT_EXIT(
      {
        apptest::answerInChild(0);
        OpenCatalogTable(Category);
        _Exit(9);
      },
      ::testing::ExitedWithCode(0),
      "\\[File Access Error\\] File \\(.*CATEGORY.*\\) could not be opened\\.  Error: .* "
      "\\([0-9]+\\)\\.\n\\[Halt\\] Disk Error");
}

TEST_F(TableOpening, WorkTablesAreRemovedAtTheEnd) {
  {
    CatalogUse a(TempDisk, TempDiskUseCount), b(TempFiles, TempFilesUseCount),
        c(TempFile, TempFileUseCount), d(Disks, DisksUseCount);
  }
  size_t before = std::distance(std::filesystem::directory_iterator(dir.path()), {});
  RemoveWorkTables();
  EXPECT_EQ(kiv::errorCode(), 0);
  for (kiv::Table* t : {(kiv::Table*)&TempDisk, (kiv::Table*)&TempFiles, (kiv::Table*)&TempFile}) {
    t->open();
    EXPECT_EQ(kiv::errorCode(), 2);  // gone
  }
  Disks.open();
  EXPECT_EQ(kiv::errorCode(), 0);  // the catalog stays
  Disks.close();
  EXPECT_LT(std::distance(std::filesystem::directory_iterator(dir.path()), {}), long(before));
  RemoveWorkTables();  // nothing left to remove: still no error
  EXPECT_EQ(kiv::errorCode(), 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST(AppWarnings, TextsTitlesIconsAndButtons) {
  struct Row {
    int number;
    const char *t1, *t2;
    const char* text;
    const char* caption;
    uint32_t icon, buttons, defaultButton;
  };
  const uint32_t Q = 0x7F03, S = 0x7F04, OK = KIV_BUTTON_OK, YES = KIV_BUTTON_YES,
                 NO = KIV_BUTTON_NO, CANCEL = KIV_BUTTON_CANCEL;
  std::vector<Row> rows = {
      {6, "Browse   ", "", "The Procedure Browse has not been defined.", "Procedure not defined", S,
       OK, 0},
      {8, "Size", "10 ", "The value of Size must be lower than 10.", "Range Error", S, OK, 0},
      {10, "Size", "1 and 2", "The value of Size must be between 1 and 2.", "Range Error", S, OK,
       0},
      {11, "Category", "CATEGORY", "The value for Category must be found in the CATEGORY file.",
       "Field Contents Error", S, OK, 0},
      {16, "", "",
       "An error was experienced changing this record.  Do you want to try to save again?",
       "Record Update Error", S, YES | NO | CANCEL, CANCEL},
      {23, "", "", "Are you sure you want to cancel?", "Update Cancelled", Q, YES | NO, NO},
      {24, "DIS:BYIDNUM", "",
       "Adding this record creates a duplicate entry for the key:DIS:BYIDNUM",
       "Duplicate Key Error", S, OK, 0},
      {27, "FILES", "", "Are you certain you want to stop loading FILES?", "Cancel Request", Q,
       OK | CANCEL, CANCEL},
      {29, "Down", "",
       "The end of the viewed file was encountered.  Do you want to start again from the "
       "beginning?",
       "End of File Error", Q, YES | NO, YES},
      {29, "Up", "",
       "The beginning of the viewed file was encountered.  Do you want to start again from the "
       "end of the file?",
       "Beginning of File Error", Q, YES | NO, YES},
      {33, "", "", "Do you want to save the changes to this record?", "Update Cancelled", Q,
       YES | NO | CANCEL, NO},
      {37, "", "", "This record has been added to the file. Do you want to add another record?",
       "Record Added", Q, YES | NO, YES},
  };
  for (const Row& r : rows) {
    Boxes boxes;
    AppWarning(r.number, r.t1, r.t2);
    ASSERT_EQ(boxes.shown.size(), 1u) << r.number;
    EXPECT_EQ(boxes.shown[0].text, r.text) << r.number;
    EXPECT_EQ(boxes.shown[0].caption, r.caption) << r.number;
    EXPECT_EQ(boxes.shown[0].icon, r.icon) << r.number;
    EXPECT_EQ(boxes.shown[0].buttons, r.buttons) << r.number;
    if (r.defaultButton) {
      EXPECT_EQ(boxes.shown[0].defaultButton, r.defaultButton) << r.number;
    }
  }
}

TEST(AppWarnings, ErrorTextFromSavedOrCurrentError) {
  Boxes boxes;
  // A driver error shows the driver's message and code.
  Kiv$clearerror();
  Kiv$setfileerror("E17", "Disk full");
  Kiv$seterror(90);
  SaveFileError();
  Kiv$clearerror();  // the saved error is used, not the current one
  AppWarning(14);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "An error was experienced during the update of record.  Error: Disk full (E17).");
  // The saved error was cleared: the current one (none) is used now.
  Kiv$seterror(35);
  AppWarning(17, "DISKS");
  EXPECT_EQ(boxes.shown[1].text,
            "An error (Record Not Found (35)) was experienced when attempting to delete a record "
            "from the file DISKS.");
  // Warning 15 without an error, or with 89, tells of another station.
  Kiv$clearerror();
  AppWarning(15, "x");
  EXPECT_EQ(boxes.shown[2].text, "This record was changed by another station.");
  Kiv$seterror(5);
  AppWarning(15, "Locked");
  EXPECT_EQ(boxes.shown[3].text,
            "An error (Access Denied (5)) was experienced when attempting to update a record from "
            "the file.  Probable Cause: Locked.");
  Kiv$seterror(33);
  AppWarning(34, "Update", "FILES");
  EXPECT_EQ(boxes.shown[4].text,
            "Error: (Record Not Available (33)) attempting to frame the update transaction on "
            "FILES.  Update transaction cancelled.");
  EXPECT_EQ(boxes.shown[4].caption, "Transaction Framing Error");
  Kiv$clearerror();
}

}  // namespace
