// Recorded pages kept packed: every part of every record comes back as it was recorded.
#include <gtest/gtest.h>

#include <QImage>

#include <string>

#include "runtime/report/page_pack.h"

namespace {

using kiv::report::DrawRecord;
using Kind = DrawRecord::Kind;

DrawRecord Record(Kind kind, int32_t feq, kiv::report::Box at, std::string text,
                  kiv::ui::FontDesc font, char justify, int32_t color, int32_t fill,
                  int32_t border) {
  DrawRecord r;
  r.kind = kind;
  r.feq = feq;
  r.at = at;
  r.text = std::move(text);
  r.font = std::move(font);
  r.justify = justify;
  r.color = color;
  r.fill = fill;
  r.border = border;
  return r;
}

void ExpectSame(const DrawRecord& a, const DrawRecord& b, size_t i) {
  EXPECT_EQ(a.kind, b.kind) << i;
  EXPECT_EQ(a.feq, b.feq) << i;
  EXPECT_EQ(a.at.x, b.at.x) << i;
  EXPECT_EQ(a.at.y, b.at.y) << i;
  EXPECT_EQ(a.at.w, b.at.w) << i;
  EXPECT_EQ(a.at.h, b.at.h) << i;
  EXPECT_EQ(a.text, b.text) << i;
  EXPECT_EQ(a.font.name, b.font.name) << i;
  EXPECT_EQ(a.font.size, b.font.size) << i;
  EXPECT_EQ(a.font.bold, b.font.bold) << i;
  EXPECT_EQ(a.font.italic, b.font.italic) << i;
  EXPECT_EQ(a.font.underline, b.font.underline) << i;
  EXPECT_EQ(a.justify, b.justify) << i;
  EXPECT_EQ(a.color, b.color) << i;
  EXPECT_EQ(a.fill, b.fill) << i;
  EXPECT_EQ(a.border, b.border) << i;
  EXPECT_EQ(a.image.isNull(), b.image.isNull()) << i;
  if (!a.image.isNull()) {
    EXPECT_EQ(a.image, b.image) << i;
  }
}

TEST(PackedPage, EveryRecordComesBackWhole) {
  kiv::report::RecordedPage page;
  page.name = "*REPORT0007.PAGE00003";
  page.number = 3;
  page.paperWidth = 8500;
  page.paperHeight = 11000;
  const kiv::ui::FontDesc arial{"Arial", 10, false, false, false};
  const kiv::ui::FontDesc bold{"Arial", 10, true, false, false};  // differs by style alone
  const kiv::ui::FontDesc longName{"A Font Whose Name Is Longer Than Sixteen", 240, true, true,
                                   true};
  // Colours at both ends of their range, -1 (none) beside 0 (black) and 0xFFFFFF.
  page.records.push_back(
      Record(Kind::Text, 13, {0, 0, 1500, 200}, "README.TXT", arial, 'L', -1, -1, -1));
  page.records.push_back(Record(Kind::Text, -5, {-10, 20, 0, 0}, "", bold, 'R', 0, -1, -1));
  page.records.push_back(
      Record(Kind::Text, 0, {1, 2, 3, 4}, std::string("a\0b", 3), longName, 'C', 0xFFFFFF, -1, -1));
  page.records.push_back(
      Record(Kind::Line, 21, {500, 700, 7000, 0}, "", {}, 'L', 0x123456, -1, -1));
  page.records.push_back(Record(Kind::Rect, 30, {0, 0, 8500, 11000}, "", {}, 'L', -1, 0, 0xFFFFFF));
  page.records.push_back(
      Record(Kind::Ellipse, 31, {100, 100, 200, 300}, "", {}, 'L', -1, 0xFF, -1));
  page.records.push_back(
      Record(Kind::Text, 17, {0, 0, 6000, 200}, std::string(300, 'P'), arial, 'L', -1, -1, -1));
  DrawRecord picture =
      Record(Kind::Image, 40, {10, 10, 1000, 500}, "~LOGO.BMP", {}, 'L', -1, -1, 7);
  picture.image = QImage(4, 3, QImage::Format_RGB32);
  picture.image.fill(Qt::red);
  page.records.push_back(picture);
  page.records.push_back(Record(Kind::Text, 2147483647, {2147483647, -2147483647 - 1, 1, 1}, "end",
                                arial, 'L', -1, -1, -1));
  page.bands = {{1, kiv::ui::ControlType::Header, {0, 0, 8500, 500}},
                {13, kiv::ui::ControlType::Detail, {0, 500, 8500, 200}}};

  const kiv::report::PackedPage packed(page);
  EXPECT_EQ(packed.name(), page.name);
  const kiv::report::PagePtr back = packed.unpack();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name, page.name);
  EXPECT_EQ(back->number, 3);
  EXPECT_EQ(back->paperWidth, 8500);
  EXPECT_EQ(back->paperHeight, 11000);
  ASSERT_EQ(back->records.size(), page.records.size());
  for (size_t i = 0; i < page.records.size(); ++i) ExpectSame(page.records[i], back->records[i], i);
  ASSERT_EQ(back->bands.size(), 2u);
  EXPECT_EQ(back->bands[1].feq, 13);
  EXPECT_EQ(back->bands[1].type, kiv::ui::ControlType::Detail);
  EXPECT_EQ(back->bands[1].at.y, 500);
  // Unpacked twice, the same again.
  const kiv::report::PagePtr again = packed.unpack();
  for (size_t i = 0; i < page.records.size(); ++i)
    ExpectSame(page.records[i], again->records[i], i);
}

TEST(PackedPage, APageWithoutRecordsAndAPageOfTextLinesTakeLittleRoom) {
  kiv::report::RecordedPage empty;
  empty.name = "*REPORT0001.PAGE00001";
  const kiv::report::PagePtr back = kiv::report::PackedPage(empty).unpack();
  EXPECT_TRUE(back->records.empty());
  EXPECT_TRUE(back->bands.empty());

  // A page of a file listing: 60 lines of 8 fields. Packed, it takes well under half of what its
  // records take as objects.
  kiv::report::RecordedPage listing;
  uint64_t asObjects = 0;
  for (int line = 0; line < 60; ++line)
    for (int field = 0; field < 8; ++field) {
      listing.records.push_back(Record(Kind::Text, 10 + field, {field * 1000, line * 170, 900, 160},
                                       field == 7 ? "C:\\DATA\\DIR012\\U0012345.BIN" : "PR000123",
                                       {"Arial", 8, false, false, false}, 'L', -1, -1, -1));
      asObjects += listing.records.back().size();
    }
  const kiv::report::PackedPage packed(listing);
  EXPECT_LT(packed.bytes() * 2, asObjects);
  EXPECT_EQ(packed.unpack()->records.size(), 480u);
}

}  // namespace
