// Reading structure descriptions through VIEW_DESCRIPTOR, and views built at run time.
#include <gtest/gtest.h>

#include "runtime/data/view_descriptor.h"
#include "tests/runtime/view/view_support.h"

using namespace viewtest;

namespace {

TEST(ViewDescriptor, FilesBrowseJoinedToItsDisk) {
  // FILES projecting seven fields, joined to DISKS through its first field.
  const uint8_t bytes[] = {0x00, 0x07, 0x00, 12, 0, 1,    0,    3,    0,    4,    0,    13,
                           0,    2,    0,    11, 0, 0x01, 0x01, 0x01, 0x00, 0xFF, 0xFF, 0x00};
  VIEW_DESCRIPTOR d(bytes, sizeof bytes);
  ASSERT_TRUE(d.valid());
  EXPECT_FALSE(d.builtAtRuntime());
  EXPECT_EQ(d.count(), 2u);
  EXPECT_EQ(d.COMPONENTS(), 0);
  EXPECT_EQ(d.FIELDS(), 7);
  const uint16_t expected[] = {12, 1, 3, 4, 13, 2, 11};
  for (uint16_t i = 1; i <= 7; ++i) EXPECT_EQ(d.FIELD(i), expected[i - 1]);
  EXPECT_EQ(d.JOINS(), 1);
  EXPECT_EQ(d.CONDITION(), nullptr);
  EXPECT_FALSE(d.UNSET_JOIN());
  ASSERT_TRUE(d.SET_JOIN(1));
  EXPECT_EQ(d.depth(), 2u);
  EXPECT_EQ(d.COMPONENTS(), 1);
  EXPECT_EQ(d.COMPONENT(1), 1);
  EXPECT_EQ(d.FIELDS(), VIEW_DESCRIPTOR::kAll);
  EXPECT_EQ(d.JOINS(), 0);
  EXPECT_FALSE(d.SET_JOIN(1));
  EXPECT_TRUE(d.UNSET_JOIN());
  EXPECT_EQ(d.current(), 0u);
  EXPECT_FALSE(d.SET_JOIN(2));
}

TEST(ViewDescriptor, ConditionsMemosAndNesting) {
  // Primary with a memo entry; a condition join holding a keyed join of its own; a sibling.
  const uint8_t bytes[] = {0x00, 0x02, 0x00, 0x05, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x02, 0xFF, 'A',
                           '=',  'B',  0x00, 0xFF, 0xFF, 0x01, 0x02, 0x01, 0x00, 0x02, 0x00, 0x00,
                           0x00, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x09, 0x00, 0x00};
  VIEW_DESCRIPTOR d(bytes, sizeof bytes);
  ASSERT_TRUE(d.valid());
  EXPECT_EQ(d.count(), 4u);
  EXPECT_EQ(d.FIELD(1), 5);
  EXPECT_EQ(d.FIELD(2), VIEW_DESCRIPTOR::kAll);
  EXPECT_EQ(d.MEMO(2), 3);
  ASSERT_TRUE(d.SET_JOIN(1));
  EXPECT_EQ(d.COMPONENTS(), VIEW_DESCRIPTOR::kAll);
  EXPECT_STREQ(d.CONDITION(), "A=B");
  ASSERT_TRUE(d.SET_JOIN(1));
  EXPECT_EQ(d.current(), 2u);  // structure order is depth first
  EXPECT_EQ(d.COMPONENTS(), 2);
  EXPECT_EQ(d.COMPONENT(2), 2);
  EXPECT_EQ(d.FIELDS(), 0);
  d.UNSET_JOIN();
  d.UNSET_JOIN();
  ASSERT_TRUE(d.SET_JOIN(2));
  EXPECT_EQ(d.current(), 3u);
  EXPECT_EQ(d.COMPONENT(1), 3);
  EXPECT_EQ(d.FIELD(1), 9);
}

TEST(ViewDescriptor, RejectsWhatItCannotRead) {
  const std::vector<std::vector<uint8_t>> bad = {
      {0x00, 0xFF},                                      // cut short
      {0x00, 0xFF, 0xFF, 0x01},                          // a join that is not there
      {0xFF, 'A', 0x00, 0xFF, 0xFF, 0x00},               // a primary with a condition
      {0x00, 0xFF, 0xFF, 0x01, 0xFF, 'A', 'B'},          // an unterminated condition
      {0x00, 0xFF, 0xFF, 0x01, 0xFE, 0xFF, 0xFF, 0x00},  // a link count below -1
  };
  for (const auto& b : bad) EXPECT_FALSE(VIEW_DESCRIPTOR(b.data(), b.size()).valid());
  // Nineteen levels are the most.
  std::vector<uint8_t> nested = {0x00, 0xFF, 0xFF, 0x01};
  for (int i = 0; i < 18; ++i)
    nested.insert(nested.end(), {0x01, 0x01, 0x00, 0xFF, 0xFF, uint8_t(i < 17 ? 1 : 0)});
  EXPECT_TRUE(VIEW_DESCRIPTOR(nested.data(), nested.size()).valid());
  VIEW_DESCRIPTOR runtime;
  EXPECT_TRUE(runtime.valid());
  EXPECT_TRUE(runtime.builtAtRuntime());
  EXPECT_EQ(runtime.FIELDS(), 0);
  EXPECT_EQ(runtime.JOINS(), 0);
}

class RuntimeViews : public CatalogViews {
 protected:
  ViewDecl runtimeView{{}, {&disks->table}};
};

TEST_F(RuntimeViews, ReadButNoWrites) {
  runtimeView.view.structure = nullptr;
  addDisk(1, "One");
  addDisk(2, "Two");
  open(runtimeView);
  Kiv$FILE_SETk(disks->key(DIS_BYIDNUM));
  Kiv$FILE_NEXT(runtimeView.t());
  ASSERT_EQ(Kiv$ERRCODE, 0);
  int32_t pointer = Kiv$FILE_POINTERf(&disks->table);
  Kiv$FILE_PUTf(runtimeView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  Kiv$FILE_DELETE(runtimeView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  Kiv$FILE_WATCH(runtimeView.t());
  EXPECT_EQ(Kiv$ERRCODE, 80);
  Kiv$FILE_NEXT(runtimeView.t());
  EXPECT_EQ(disks->getLong(DIS_IDNUM), 2);
  // GET by pointer reaches the primary table.
  Kiv$FILE_GETfl(runtimeView.t(), pointer);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(disks->getLong(DIS_IDNUM), 1);
  EXPECT_EQ(Kiv$FILE_RECORDSf(runtimeView.t()), 2);
}

}  // namespace
