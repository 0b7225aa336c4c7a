// The scroll thumb's key samples (taken by record pointers, and by a pass through a filtered
// view), and the page of one disk's files: its filter on the disk, its orders of the view's
// own, locating within it.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/browse/browse_page.h"
#include "app/browse/key_samples.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "tests/app/app_test_support.h"

namespace {

std::string idValue() { return SortableNumber(int64_t(Disks.rec.IdNum)); }

class Samples : public ::testing::Test {
 protected:
  void SetUp() override { disks.emplace(Disks, DisksUseCount); }
  static void addDisks(int32_t first, int32_t last) {
    for (int32_t id = first; id <= last; ++id) {
      Disks.rec.clear();
      Disks.rec.IdNum = id;
      Disks.add();
      ASSERT_EQ(kiv::errorCode(), 0);
    }
  }
  kivtest::TempDir dir;
  std::optional<CatalogUse> disks;
};

TEST_F(Samples, EvenlyThroughTheRecordsByTheirPointers) {
  addDisks(1, 1000);
  Disks.rec.IdNum = 777;  // the buffer comes back as it was
  KeySamples s;
  s.gatherByPointer(Disks, idValue);
  EXPECT_EQ(Disks.rec.IdNum, 777);
  ASSERT_EQ(s.size(), KeySamples::kCount);
  // The middle of each tenth of a hundredth: records 5, 15, ... 995.
  EXPECT_EQ(s.samples().front().value, SortableNumber(int64_t(5)));
  EXPECT_EQ(s.samples().back().value, SortableNumber(int64_t(995)));
  struct Row {
    int64_t id;
    int32_t percent;
  };
  for (const Row& r : {Row{1, 0}, Row{5, 0}, Row{6, 1}, Row{500, 50}, Row{505, 50}, Row{506, 51},
                       Row{995, 99}, Row{996, 100}, Row{1000, 100}}) {
    SCOPED_TRACE(r.id);
    EXPECT_EQ(s.percent(SortableNumber(r.id)), r.percent);
  }
  // A sample's pointer finds its record again.
  Disks.get(s.at(50).pointer);
  EXPECT_EQ(Disks.rec.IdNum, 505);
}

TEST_F(Samples, GapsFewRecordsAndNone) {
  KeySamples s;
  s.gatherByPointer(Disks, idValue);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(s.percent(SortableNumber(int64_t(1))), -1);

  // Fewer records than samples: every record once.
  addDisks(1, 10);
  s.gatherByPointer(Disks, idValue);
  ASSERT_EQ(s.size(), 10);
  EXPECT_EQ(s.percent(SortableNumber(int64_t(6))), 50);

  // The first half deleted: the samples spread over what is left.
  addDisks(11, 1000);
  Disks.set(Disks.ByIdNum);
  for (Disks.next(); kiv::errorCode() == 0 && Disks.rec.IdNum <= 500; Disks.next()) {
    Disks.erase();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  Kiv$clearerror();
  s.gatherByPointer(Disks, idValue);
  ASSERT_EQ(s.size(), KeySamples::kCount);
  EXPECT_GT(s.samples().front().value, SortableNumber(int64_t(500)));
  EXPECT_NEAR(s.percent(SortableNumber(int64_t(750))), 50, 1);
}

TEST(SortableKeys, SortAsTheNumbersAndTextsDo) {
  const std::vector<int64_t> numbers = {-2147483648LL, -5, -1, 0, 1, 9, 10, 2147483647LL};
  for (size_t i = 1; i < numbers.size(); ++i)
    EXPECT_LT(SortableNumber(numbers[i - 1]), SortableNumber(numbers[i])) << numbers[i];
  const std::vector<uint64_t> sizes = {0, 1, 4294967295ULL, 4294967296ULL, 18446744073709551615ULL};
  for (size_t i = 1; i < sizes.size(); ++i)
    EXPECT_LT(SortableNumber(sizes[i - 1]), SortableNumber(sizes[i])) << sizes[i];
  EXPECT_EQ(SortableText("abc  "), SortableText("ABC"));
  EXPECT_LT(SortableText("ab"), SortableText("ABC"));
}

// ---- one disk's files ----

#define ONE_DISK_ROW_FIELDS(FIELD)               \
  FIELD(ShortName, kiv::String<12>, "SHORTNAME") \
  FIELD(Size, ByteCount, "SIZE")                 \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(OneDiskRow, "ODR", ONE_DISK_ROW_FIELDS);

class OneDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    files.emplace(Files, FilesUseCount);
    // Disk 2 holds A to F, sized so that the size order differs from the name order; disks 1
    // and 3 hold names before and after them.
    add(1, "A.TXT", 1);
    add(1, "Z.TXT", 1);
    const char* names[] = {"A.TXT", "B.TXT", "C.TXT", "D.TXT", "E.TXT", "F.TXT"};
    const uint64_t sizes[] = {600, 100, 500, 200, 400, 300};
    for (int i = 0; i < 6; ++i) add(2, names[i], sizes[i]);
    add(3, "A.TXT", 1);
    add(3, "B.TXT", 1);
    scope.emplace();
    scope->bindRecord(Files.rec);
    scope->bind("GLO:DiskIDNum", disk);
    view.emplace(Files);
    view->open();
    ASSERT_EQ(kiv::errorCode(), 0);
    view->setFilter("(FIL:DiskID = GLO:DiskIDNum)");
    ASSERT_EQ(kiv::errorCode(), 0);
    page.emplace(*view, Files.ByDiskId, "Files", [](OneDiskRow& r) {
      r.ShortName = Files.rec.ShortName.view();
      r.Size = Files.rec.Size;
    });
    page->pageSize = 4;
  }
  static void add(int32_t disk, const char* name, uint64_t size) {
    Files.rec.clear();
    Files.rec.DiskId = disk;
    Files.rec.ShortName = name;
    Files.rec.Size.setWhole(size);
    Files.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (int32_t i = 1; i <= page->count(); ++i) {
      page->rows.get(i);
      out.push_back(page->rows.rec.ShortName.str());
    }
    return out;
  }
  std::string selectedName() {
    page->rows.get(page->selected);
    return page->rows.rec.ShortName.str();
  }

  kivtest::TempDir dir;
  kiv::Long disk = 2;
  std::optional<CatalogUse> files;
  std::optional<kiv::BindScope> scope;
  std::optional<kiv::View> view;
  std::optional<BrowsePage<OneDiskRow>> page;
};

using Names = std::vector<std::string>;

TEST_F(OneDisk, NameOrderWithinTheDisk) {
  page->refill(BrowseAnchor::None);
  EXPECT_EQ(names(), (Names{"A.TXT", "B.TXT", "C.TXT", "D.TXT"}));
  page->scroll(kiv::event::PageDown);
  EXPECT_EQ(names(), (Names{"C.TXT", "D.TXT", "E.TXT", "F.TXT"}));
  EXPECT_EQ(page->lastUnread, 2);  // two more, then the disk's end
  page->scroll(kiv::event::ScrollTop);
  page->scroll(kiv::event::ScrollBottom);
  EXPECT_EQ(names(), (Names{"C.TXT", "D.TXT", "E.TXT", "F.TXT"}));
  EXPECT_EQ(page->selected, 4);
  // Locating: the disk's ID goes with the name typed.
  for (const auto& [typed, found] : std::vector<std::pair<std::string, std::string>>{
           {"B", "B.TXT"}, {"D.T", "D.TXT"}, {"", "A.TXT"}, {"ZZZ", "F.TXT"}}) {
    SCOPED_TRACE(typed);
    Files.rec.clear();
    Files.rec.DiskId = disk;
    Files.rec.ShortName = typed;
    page->locate();
    EXPECT_EQ(selectedName(), found);
  }
  // Another disk: its own files.
  disk = 3;
  page->refill(BrowseAnchor::None);
  EXPECT_EQ(names(), (Names{"A.TXT", "B.TXT"}));
  disk = 4;
  page->refill(BrowseAnchor::None);
  EXPECT_TRUE(page->empty());
}

TEST_F(OneDisk, SizeOrderOfTheViewsOwn) {
  view->setOrder("+FIL:DiskID,+FIL:Size,+FIL:ShortName");
  ASSERT_EQ(kiv::errorCode(), 0);
  page->setViewOrder(Files.ByDiskId, 2);
  page->refill(BrowseAnchor::None);
  EXPECT_EQ(names(), (Names{"B.TXT", "D.TXT", "F.TXT", "E.TXT"}));
  page->scroll(kiv::event::ScrollBottom);
  EXPECT_EQ(names(), (Names{"F.TXT", "E.TXT", "C.TXT", "A.TXT"}));
  page->scroll(kiv::event::ScrollTop);
  page->scroll(kiv::event::PageDown);
  EXPECT_EQ(names(), (Names{"F.TXT", "E.TXT", "C.TXT", "A.TXT"}));
  // A size typed: the first file of at least that size.
  Files.rec.clear();
  Files.rec.DiskId = disk;
  Files.rec.Size.setWhole(450);
  page->locate();
  EXPECT_EQ(selectedName(), "C.TXT");
  Files.rec.Size.setWhole(601);  // beyond the largest: the last page, its last row
  page->locate();
  EXPECT_EQ(selectedName(), "A.TXT");
  EXPECT_EQ(page->selected, page->count());

  // The samples of a filtered view come from its own records, in its order.
  KeySamples s;
  s.gatherFromView(
      *view, [&] { view->setByOrder(0); }, [] { return SortableNumber(Files.rec.Size.whole()); });
  ASSERT_EQ(s.size(), 6);
  EXPECT_EQ(s.samples().front().value, SortableNumber(uint64_t(100)));
  EXPECT_EQ(s.samples().back().value, SortableNumber(uint64_t(600)));
  EXPECT_EQ(s.percent(SortableNumber(uint64_t(350))), 50);
}

TEST(ViewSamples, EvenlyThroughAFilteredView) {
  kivtest::TempDir dir;
  CatalogUse files(Files, FilesUseCount);
  // 500 files on disk 2, every third of the names, among files of disks 1 and 3.
  for (int32_t i = 0; i < 1500; ++i) {
    Files.rec.clear();
    Files.rec.DiskId = 1 + i % 3;
    char name[13];
    std::snprintf(name, sizeof name, "N%05d.DAT", i);
    Files.rec.ShortName = name;
    Files.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  kiv::Long disk = 2;
  kiv::BindScope names;
  names.bindRecord(Files.rec);
  names.bind("GLO:DiskIDNum", disk);
  kiv::View view(Files);
  view.open();
  view.setFilter("(FIL:DiskID = GLO:DiskIDNum)");
  KeySamples s;
  s.gatherFromView(
      view, [&] { view.set(Files.ByDiskId); },
      [] { return SortableText(Files.rec.ShortName.view()); });
  ASSERT_EQ(s.size(), KeySamples::kCount);
  // Every sample is a file of disk 2, and they spread over its names from start to end.
  for (const KeySamples::Sample& sample : s.samples()) {
    view.reset(sample.position);
    view.next();
    ASSERT_EQ(kiv::errorCode(), 0);
    EXPECT_EQ(Files.rec.DiskId, 2);
    EXPECT_EQ(SortableText(Files.rec.ShortName.view()), sample.value);
  }
  EXPECT_LT(s.samples().front().value, "N00050");
  EXPECT_GT(s.samples().back().value, "N01440");
  EXPECT_NEAR(s.percent("N00750"), 50, 2);
}

}  // namespace
