// The layout calls of the C interface (Kiv$LayoutBegin ... Kiv$LayoutEnd, Kiv$LayoutSize): every
// argument reaches its field, the bytes belong to the caller, and mistakes are typing errors.
#include "tests/runtime/values/values_support.h"

namespace {

struct LayoutFree {
  void operator()(uint8_t* p) const { Kiv$LayoutFree(p); }
};
using Layout = std::unique_ptr<uint8_t, LayoutFree>;

// The record the first test declares, as a C program would lay it out.
struct Record {
  int32_t id;
  char first[5];
  char last[6];
  uint8_t price[3];
  int16_t counts[3];
  uint8_t ref[4];
  uint8_t tail;
} __attribute__((packed));

TEST(LayoutCalls, EveryArgumentReachesItsField) {
  KivLayout* b = Kiv$LayoutBegin("REC", 0);
  Kiv$LayoutField(b, KIV_LONG, 0, "REC:ID", 0, 0, nullptr);
  Kiv$LayoutGroup(b, "REC:NAME");
  Kiv$LayoutField(b, KIV_STRING, 0, "REC:FIRST", 0, 0, "@s5");  // size from the picture
  Kiv$LayoutField(b, KIV_CSTRING, 6, "REC:LAST", 0, 0, nullptr);
  Kiv$LayoutEndGroup(b);
  Kiv$LayoutOver(b, "rec:name");
  Kiv$LayoutField(b, KIV_STRING, 11, "REC:FULL", 0, 0, nullptr);
  Kiv$LayoutField(b, KIV_DECIMAL, 3, "REC:PRICE", 2, 0, "@n7.2");
  Kiv$LayoutField(b, KIV_SHORT, 7, "REC:COUNTS", 0, 3, nullptr);  // a fixed size wins
  Kiv$LayoutField(b, 36, 0, "", 0, 0, nullptr);                   // 31..36: a reference
  Kiv$LayoutField(b, KIV_BYTE, 0, "REC:TAIL", 0, 0, nullptr);
  Layout layout(Kiv$LayoutEnd(b));
  ASSERT_NE(layout, nullptr);

  class_descriptor d(layout.get());
  ASSERT_TRUE(d.Valid());
  EXPECT_EQ(d.Name(), "REC");
  EXPECT_EQ(Kiv$LayoutSize(layout.get()), sizeof(Record));
  struct Row {
    uint8_t type;
    uint32_t size, dim, offset, members;
    uint8_t places, overlay;
    const char* name;
    const char* picture;
  } rows[] = {
      {KIV_LONG, 4, 0, offsetof(Record, id), 0, 0, 0, "REC:ID", ""},
      {KIV_GROUP, 11, 0, offsetof(Record, first), 2, 0, 0, "REC:NAME", ""},
      {KIV_STRING, 5, 0, offsetof(Record, first), 0, 0, 0, "REC:FIRST", "@s5"},
      {KIV_CSTRING, 6, 0, offsetof(Record, last), 0, 0, 0, "REC:LAST", ""},
      {KIV_STRING, 11, 0, offsetof(Record, first), 0, 0, 1, "REC:FULL", ""},
      {KIV_DECIMAL, 3, 0, offsetof(Record, price), 0, 2, 0, "REC:PRICE", "@n7.2"},
      {KIV_SHORT, 2, 3, offsetof(Record, counts), 0, 0, 0, "REC:COUNTS", ""},
      {KIV_REFERENCE, 4, 0, offsetof(Record, ref), 0, 0, 0, "", ""},
      {KIV_BYTE, 1, 0, offsetof(Record, tail), 0, 0, 0, "REC:TAIL", ""},
  };
  ASSERT_EQ(d.NFields(), std::size(rows));
  for (uint32_t n = 1; n <= d.NFields(); ++n) {
    SCOPED_TRACE(n);
    const FieldDescription& f = d.FieldDesc(n);
    const Row& r = rows[n - 1];
    EXPECT_EQ(f.type, r.type);
    EXPECT_EQ(f.size, r.size);
    EXPECT_EQ(f.dim, r.dim);
    EXPECT_EQ(f.offset, r.offset);
    EXPECT_EQ(f.members, r.members);
    EXPECT_EQ(f.places, r.places);
    EXPECT_EQ(f.overlay, r.overlay);
    EXPECT_EQ(f.name, r.name);
    EXPECT_EQ(f.picture, r.picture);
  }

  // The bytes serve the value layer: CLEAR to the highest values, field by field.
  Record rec;
  std::memset(&rec, 0, sizeof rec);
  Kiv$CLEAR(&rec, layout.get(), 1);
  EXPECT_EQ(rec.id, INT32_MAX);
  EXPECT_EQ(rec.counts[2], 32767);
  EXPECT_EQ(rec.tail, 255);
}

TEST(LayoutCalls, SizeIsTheElementSizeTimesTheDimension) {
  for (uint32_t dim : {0u, 1u, 2u, 40u}) {
    SCOPED_TRACE(dim);
    KivLayout* b = Kiv$LayoutBegin("G", dim);
    Kiv$LayoutField(b, KIV_STRING, 3, "G:A", 0, 0, nullptr);
    Kiv$LayoutField(b, KIV_LONG, 0, "G:B", 0, 2, nullptr);
    Layout layout(Kiv$LayoutEnd(b));
    EXPECT_EQ(Kiv$LayoutSize(layout.get()), 11u * (dim > 1 ? dim : 1));
  }
  // A group still open at the end is closed there; the empty layout takes no bytes.
  KivLayout* b = Kiv$LayoutBegin("G", 0);
  Kiv$LayoutGroup(b, "G:INNER");
  Kiv$LayoutField(b, KIV_REAL, 0, "G:X", 0, 0, nullptr);
  Layout open(Kiv$LayoutEnd(b));
  class_descriptor d(open.get());
  ASSERT_EQ(d.NFields(), 2u);
  EXPECT_EQ(d.FieldDesc(1).members, 1u);
  EXPECT_EQ(Kiv$LayoutSize(open.get()), 8u);
  Layout empty(Kiv$LayoutEnd(Kiv$LayoutBegin("E", 0)));
  Kiv$clearerror();
  EXPECT_EQ(Kiv$LayoutSize(empty.get()), 0u);
  EXPECT_EQ(Kiv$ERRCODE, 0);
}

TEST(LayoutCalls, BytesThatAreNoLayoutHaveNoSize) {
  const uint8_t notAGroup[] = {KIV_STRING, 18, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  uint8_t cut[64] = {};
  {
    KivLayout* b = Kiv$LayoutBegin("C", 0);
    Kiv$LayoutField(b, KIV_LONG, 0, "C:N", 0, 0, nullptr);
    Layout layout(Kiv$LayoutEnd(b));
    uint32_t length = layout.get()[1];
    ASSERT_LT(length, sizeof cut);
    std::memcpy(cut, layout.get(), length);
    cut[1] = uint8_t(length - 1);  // one byte short of its last field
  }
  for (const uint8_t* bytes :
       {static_cast<const uint8_t*>(nullptr), notAGroup, static_cast<const uint8_t*>(cut)}) {
    Kiv$clearerror();
    EXPECT_EQ(Kiv$LayoutSize(bytes), 0u);
    EXPECT_EQ(Kiv$ERRCODE, 75);
  }
}

TEST(LayoutCallsDeathTest, MistakesAreTypingErrors) {
  struct Row {
    const char* what;
    void (*declare)(KivLayout*);
  };
  const Row rows[] = {
      {"no builder", [](KivLayout*) { Kiv$LayoutField(nullptr, KIV_LONG, 0, "X", 0, 0, nullptr); }},
      {"unknown type", [](KivLayout* b) { Kiv$LayoutField(b, 12, 4, "X", 0, 0, nullptr); }},
      {"group as a field",
       [](KivLayout* b) { Kiv$LayoutField(b, KIV_GROUP, 4, "X", 0, 0, nullptr); }},
      {"no size, no picture",
       [](KivLayout* b) { Kiv$LayoutField(b, KIV_STRING, 0, "X", 0, 0, nullptr); }},
      {"decimal of 256",
       [](KivLayout* b) { Kiv$LayoutField(b, KIV_DECIMAL, 256, "X", 0, 0, nullptr); }},
      {"end of no group", [](KivLayout* b) { Kiv$LayoutEndGroup(b); }},
      {"over no label", [](KivLayout* b) { Kiv$LayoutOver(b, "NOWHERE"); }},
      {"array of nothing", [](KivLayout* b) { Kiv$LayoutArray(b, 2); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EXIT(row.declare(Kiv$LayoutBegin("X", 0)), testing::ExitedWithCode(2),
                "Invalid Field Type Descriptor : Parameter typing error");
  }
  // The largest DECIMAL is 255 bytes.
  KivLayout* b = Kiv$LayoutBegin("D", 0);
  Kiv$LayoutField(b, KIV_DECIMAL, 255, "D:BIG", 0, 0, nullptr);
  Layout layout(Kiv$LayoutEnd(b));
  EXPECT_EQ(Kiv$LayoutSize(layout.get()), 255u);
}

}  // namespace
