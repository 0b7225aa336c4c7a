// The line-text driver behind TEMPFILE: one 20-byte text field per line.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"

using namespace kivtest;

namespace {

std::unique_ptr<TableDecl> makeTempFile() {
  return std::make_unique<TableDecl>("TEMPFILE", ASCII,
                                     std::vector<FieldDecl>{{KIV_STRING, 20, "TEM:TEXT"}},
                                     std::vector<KeyDecl>{}, 0x14);
}

TEST(Ascii, AppendThenReadLines) {
  TempDir dir;
  auto t = makeTempFile();
  Kiv$FILE_OPEN(&t->table, 0x42);
  EXPECT_EQ(Kiv$ERRCODE, 2);
  Kiv$FILE_CREATE(&t->table);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_OPEN(&t->table, 0x42);
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_STREAM(&t->table);
  for (const char* line : {"1", "22", "", "a text of twenty chr"}) {
    t->setText(1, line);
    Kiv$FILE_APPENDf(&t->table);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }
  Kiv$FILE_NEXT(&t->table);
  EXPECT_EQ(Kiv$ERRCODE, 33);  // no SET yet
  Kiv$FILE_SETf(&t->table);
  EXPECT_EQ(Kiv$FILE_BYTES(&t->table), 3 + 4 + 2 + 22);
  std::vector<std::string> lines;
  std::vector<int32_t> lengths;
  for (;;) {
    Kiv$FILE_NEXT(&t->table);
    if (Kiv$ERRCODE) break;
    lines.push_back(t->text(1));
    lengths.push_back(Kiv$FILE_BYTES(&t->table));
  }
  EXPECT_EQ(Kiv$ERRCODE, 33);
  EXPECT_EQ(lines, (std::vector<std::string>{"1", "22", "", "a text of twenty chr"}));
  EXPECT_EQ(lengths, (std::vector<int32_t>{1, 2, 0, 20}));
  Kiv$PushCString("anything");
  Kiv$FILE_SEND(&t->table);
  EXPECT_EQ(popString(), "");
  Kiv$FILE_GETfl(&t->table, 1);
  EXPECT_EQ(Kiv$ERRCODE, 80);
  Kiv$FILE_CLOSE(&t->table);
  EXPECT_EQ(Kiv$getfilemode(&t->table), 0);
  Kiv$FILE_REMOVE(&t->table);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  std::ifstream gone("TEMPFILE.TXT");
  EXPECT_FALSE(gone.good());
}

TEST(Ascii, LongLinesAreCutToTheRecord) {
  TempDir dir;
  { std::ofstream("TEMPFILE.TXT") << std::string(50, 'x') << "\nshort\r\n"; }
  auto t = makeTempFile();
  Kiv$FILE_OPEN(&t->table, 0x40);  // read only
  ASSERT_EQ(Kiv$ERRCODE, 0);
  Kiv$FILE_APPENDf(&t->table);
  EXPECT_EQ(Kiv$ERRCODE, 5);
  Kiv$FILE_SETf(&t->table);
  Kiv$FILE_NEXT(&t->table);
  EXPECT_EQ(t->text(1), std::string(20, 'x'));
  EXPECT_EQ(Kiv$FILE_BYTES(&t->table), 50);
  Kiv$FILE_NEXT(&t->table);
  EXPECT_EQ(t->text(1), "short");
  Kiv$FILE_CLOSE(&t->table);
}

}  // namespace
