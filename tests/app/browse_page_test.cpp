// The page of a browse: filling it a page at a time through a view, the scroll events, the
// refills that keep a record in view, and a filter naming bound variables.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/browse/browse_page.h"
#include "app/logging/logged_disk.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "tests/app/app_test_support.h"

namespace {

#define TEST_ROW_FIELDS(FIELD)           \
  FIELD(Id, kiv::Long, "ID")             \
  FIELD(Label, kiv::String<11>, "LABEL") \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(TestRow, "TRW", TEST_ROW_FIELDS);

using Ids = std::vector<int32_t>;

class BrowsePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disks.emplace(Disks, DisksUseCount);
    for (int32_t id = 1; id <= 10; ++id) add(id, "DISK" + std::to_string(id));
    kiv::Table& table = Disks;
    view_.emplace(table);
    page_.emplace(*view_, Disks.ByIdNum, "Disks", buildRow);
    view_->open();
    ASSERT_EQ(kiv::errorCode(), 0);
    page_->pageSize = 4;
  }
  void add(int32_t id, const std::string& label) {
    Disks.rec.clear();
    Disks.rec.IdNum = id;
    Disks.rec.Label = label;
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  Ids rows() {
    Ids ids;
    for (int32_t i = 1; i <= page_->count(); ++i) {
      page_->rows.get(i);
      ids.push_back(page_->rows.rec.Id);
    }
    return ids;
  }
  // The selected row's disk, read again through its position.
  int32_t selectedDisk() {
    Disks.rec.clear();
    return page_->loadSelected() ? int32_t(Disks.rec.IdNum) : 0;
  }

  kivtest::TempDir dir;
  apptest::Boxes boxes;
  std::optional<CatalogUse> disks;
  std::optional<kiv::View> view_;
  std::optional<BrowsePage<TestRow>> page_;

  static void buildRow(TestRow& r) {
    r.Id = Disks.rec.IdNum;
    r.Label = Disks.rec.Label.view();
  }
};

TEST_F(BrowsePageTest, ScrollingMovesTheSelectionFirstAndThePageAtItsEdges) {
  page_->refill(BrowseAnchor::None);
  EXPECT_EQ(rows(), (Ids{1, 2, 3, 4}));
  EXPECT_EQ(page_->selected, 1);
  EXPECT_EQ(selectedDisk(), 1);

  struct Step {
    int32_t event;
    Ids rows;
    int32_t selected;
  };
  const Step steps[] = {
      {kiv::event::ScrollDown, {1, 2, 3, 4}, 2},
      {kiv::event::ScrollDown, {1, 2, 3, 4}, 3},
      {kiv::event::ScrollDown, {1, 2, 3, 4}, 4},
      {kiv::event::ScrollDown, {2, 3, 4, 5}, 4},  // at the last row: the page moves
      {kiv::event::ScrollUp, {2, 3, 4, 5}, 3},
      {kiv::event::PageDown, {6, 7, 8, 9}, 3},
      {kiv::event::PageDown, {7, 8, 9, 10}, 4},    // one record left: the rest moves the row
      {kiv::event::ScrollDown, {7, 8, 9, 10}, 4},  // the end: nothing more
      {kiv::event::PageUp, {3, 4, 5, 6}, 4},
      {kiv::event::ScrollTop, {1, 2, 3, 4}, 1},
      {kiv::event::PageUp, {1, 2, 3, 4}, 1},
      {kiv::event::ScrollUp, {1, 2, 3, 4}, 1},
      {kiv::event::ScrollBottom, {7, 8, 9, 10}, 4},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.event);
    EXPECT_TRUE(page_->scroll(s.event));
    EXPECT_EQ(rows(), s.rows);
    EXPECT_EQ(page_->selected, s.selected);
  }
  EXPECT_EQ(selectedDisk(), 10);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(BrowsePageTest, PageDownThreeRowsBeforeTheEnd) {
  page_->refill(BrowseAnchor::None);
  page_->scroll(kiv::event::PageDown);  // 5..8
  page_->scroll(kiv::event::ScrollUp);  // 4..7, its first row selected
  ASSERT_EQ(rows(), (Ids{4, 5, 6, 7}));
  ASSERT_EQ(page_->selected, 1);
  page_->scroll(kiv::event::PageDown);
  EXPECT_EQ(rows(), (Ids{7, 8, 9, 10}));  // shifted by three
  EXPECT_EQ(page_->selected, 2);          // and the selection by the one record not read
}

TEST_F(BrowsePageTest, RefillKeepsTheSelectedRecordOrTheOneJustRead) {
  page_->refill(BrowseAnchor::None);
  page_->scroll(kiv::event::PageDown);
  page_->scroll(kiv::event::ScrollDown);
  page_->scroll(kiv::event::ScrollDown);
  ASSERT_EQ(rows(), (Ids{5, 6, 7, 8}));
  ASSERT_EQ(page_->selected, 3);
  page_->refill(BrowseAnchor::Selected);
  EXPECT_EQ(rows(), (Ids{5, 6, 7, 8}));
  EXPECT_EQ(selectedDisk(), 7);

  // A locate: the view is set at a key value and one record read; the page forms around it.
  Disks.rec.clear();
  Disks.rec.IdNum = 9;
  view_->setAt(Disks.ByIdNum);
  view_->next();
  ASSERT_EQ(kiv::errorCode(), 0);
  page_->refill(BrowseAnchor::Current);
  EXPECT_EQ(rows(), (Ids{7, 8, 9, 10}));  // filled on from it, then back before it
  EXPECT_EQ(page_->selected, 3);
  EXPECT_EQ(selectedDisk(), 9);

  // From the end of the key.
  page_->refill(BrowseAnchor::None, true);
  EXPECT_EQ(rows(), (Ids{7, 8, 9, 10}));
  EXPECT_EQ(page_->selected, 4);
}

TEST_F(BrowsePageTest, FewerRecordsThanAPageAndAFilterOnBoundNames) {
  add(11, "Music");
  add(12, "MUSIC");
  add(13, "Musical");
  kiv::CString<12> wanted("music");
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  names.bind("Wanted", wanted);
  view_->setFilter("UPPER(DIS:Label) = UPPER(Wanted)");
  ASSERT_EQ(kiv::errorCode(), 0);
  page_->refill(BrowseAnchor::None);
  EXPECT_EQ(rows(), (Ids{11, 12}));
  // The page keys move only the selection.
  EXPECT_TRUE(page_->scroll(kiv::event::PageDown));
  EXPECT_EQ(rows(), (Ids{11, 12}));
  EXPECT_EQ(page_->selected, 2);
  EXPECT_TRUE(page_->scroll(kiv::event::PageUp));
  EXPECT_EQ(page_->selected, 1);

  // Nothing matches: an empty page does nothing on scrolling and clears the record.
  wanted = "nothing";
  view_->close();
  view_->open();
  view_->setFilter("UPPER(DIS:Label) = UPPER(Wanted)");
  Disks.rec.IdNum = 99;
  page_->refill(BrowseAnchor::None);
  EXPECT_TRUE(page_->empty());
  EXPECT_EQ(page_->selected, 0);
  EXPECT_EQ(Disks.rec.IdNum, 0);
  EXPECT_FALSE(page_->scroll(kiv::event::ScrollDown));
  EXPECT_FALSE(page_->loadSelected());
}

TEST_F(BrowsePageTest, TypingLocatesInTheLabelOrder) {
  add(11, "AA");
  add(12, "ABC");
  add(13, "ABD");
  add(14, "B");
  page_->setOrder(Disks.ByLabel);
  page_->refill(BrowseAnchor::None);
  BrowseLocator locator;
  struct Key {
    int32_t keycode, keychar;
    const char* locator;
    int32_t disk;  // the selected row's disk after locating
  };
  const Key keys[] = {
      {65, 'a', "a", 11},  {66, 'b', "ab", 12}, {8, 0, "a", 11},
      {8, 0, "", 11},      {68, 'D', "D", 1},   {32, 0, "D ", 1},
      {90, 'z', "D z", 1},  // a blank sorts before the letters: still DISK1
      {8, 0, "D ", 1},     {8, 0, "D", 1},      {8, 0, "", 11},
      {90, 'Z', "Z", 0},  // beyond the last label: the last page, its last row
  };
  for (const Key& k : keys) {
    SCOPED_TRACE(k.locator);
    EXPECT_TRUE(locator.key(k.keycode, k.keychar));
    EXPECT_EQ(locator.text, k.locator);
    Disks.rec.clear();
    Disks.rec.Label = locator.text;
    page_->locate();
    if (k.disk) {
      EXPECT_EQ(selectedDisk(), k.disk);
    } else {
      EXPECT_EQ(page_->selected, page_->count());
      EXPECT_EQ(selectedDisk(), 9);  // "DISK9" is the highest label
    }
  }
  EXPECT_FALSE(BrowseLocator{}.key(8, 0));  // nothing to drop
  BrowseLocator full{std::string(30, 'x')};
  EXPECT_FALSE(full.key(65, 'a'));
}

}  // namespace
