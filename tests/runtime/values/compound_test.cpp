// Arrays, string slices, groups and their layouts, deep assignment, and the results for none.
#include <random>

#include "tests/runtime/values/values_support.h"

using valtest::bytes;
using valtest::mem;
using valtest::text;
using valtest::UfoPtr;

namespace {

class Compound : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Kiv$StackDepth(), 0) << "unbalanced string stack";
    EXPECT_EQ(Kiv$DStackDepth(), 0) << "unbalanced decimal stack";
  }
};

TEST_F(Compound, NoneGivesZeroesAndAnEmptyString) {
  EXPECT_EQ(Kiv$SizeUfo(nullptr), 0u);
  EXPECT_EQ(Kiv$AddressUfo(nullptr), nullptr);
  EXPECT_EQ(Kiv$MaximumUfo(nullptr), 0);
  EXPECT_EQ(Kiv$Ufo2Long(nullptr), 0);
  EXPECT_EQ(Kiv$Ufo2Real(nullptr), 0.0);
  Kiv$PushUfo(nullptr);
  EXPECT_EQ(Kiv$StackDepth(), 1);
  EXPECT_EQ(kivtest::pop(), "");
  Kiv$FreeUfo(nullptr);
}

TEST_F(Compound, ArrayElementsLieOneElementSizeApart) {
  int16_t shorts[4] = {10, 20, 30, 40};
  UfoPtr array(Kiv$ArrayOfUfo(Kiv$Mem2Ufo(shorts, KIV_SHORT, 0, 0, 0), 4));
  EXPECT_EQ(Kiv$MaximumUfo(array.get()), 4);
  EXPECT_EQ(Kiv$SizeUfo(array.get()), 8u);
  EXPECT_EQ(Kiv$AddressUfo(array.get()), shorts);
  for (int i = 1; i <= 4; ++i) {
    UfoPtr e(Kiv$SelectUfo(array.get(), i));
    EXPECT_EQ(Kiv$AddressUfo(e.get()), &shorts[i - 1]);
    EXPECT_EQ(Kiv$Ufo2Long(e.get()), 10 * i);
  }
  UfoPtr third(Kiv$SelectUfo(array.get(), 3));
  Kiv$AssignLong2Ufo(third.get(), -3);
  EXPECT_EQ(shorts[2], -3);

  EXPECT_EQ(Kiv$UfoComparen(array.get()), 1);
  Kiv$ClearUfo(array.get(), 0);
  EXPECT_EQ(bytes(shorts, 8), std::vector<uint8_t>(8, 0));
  EXPECT_EQ(Kiv$UfoComparen(array.get()), 0);
  shorts[3] = 1;  // only the last element is not blank
  EXPECT_EQ(Kiv$UfoComparen(array.get()), 1);
}

TEST_F(Compound, ArrayDuplicatesAliasOrCopy) {
  int32_t longs[3] = {1, 2, 3};
  UfoPtr array(Kiv$ArrayOfUfo(Kiv$Mem2Ufo(longs, KIV_LONG, 0, 0, 0), 3));
  UfoPtr alias(Kiv$CloneUfo(array.get(), 0));
  UfoPtr copy(Kiv$CloneUfo(array.get(), 2));
  longs[1] = 20;
  UfoPtr a2(Kiv$SelectUfo(alias.get(), 2));
  UfoPtr c2(Kiv$SelectUfo(copy.get(), 2));
  EXPECT_EQ(Kiv$Ufo2Long(a2.get()), 20);
  EXPECT_EQ(Kiv$Ufo2Long(c2.get()), 2);
  EXPECT_NE(Kiv$AddressUfo(copy.get()), static_cast<void*>(longs));
}

TEST(CompoundDeathTest, IndexZeroIsATypingErrorAndGivesElementOne) {
  int32_t longs[3] = {7, 8, 9};
  UfoPtr array(Kiv$ArrayOfUfo(Kiv$Mem2Ufo(longs, KIV_LONG, 0, 0, 0), 3));
  EXPECT_EXIT(Kiv$SelectUfo(array.get(), 0), testing::ExitedWithCode(2), "Parameter typing error");
  EXPECT_REPORTED_AND_CONTINUES({
    UfoPtr zero(Kiv$SelectUfo(array.get(), 0));
    UfoPtr beyond(Kiv$SelectUfo(array.get(), 4));
    return Kiv$ERRCODE == 8 && Kiv$Ufo2Long(zero.get()) == 7 && Kiv$Ufo2Long(beyond.get()) == 7;
  });
}

TEST_F(Compound, StringSlicesAliasTheirCharacters) {
  char s[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
  auto str = mem(s, KIV_STRING, 6);
  UfoPtr part(Kiv$SelectUfo2(str.get(), 2, 4));
  EXPECT_EQ(text(part.get()), "bcd");
  EXPECT_EQ(Kiv$SizeUfo(part.get()), 3u);
  kivtest::push("XY");
  Kiv$Stack2UfoC(part.get());
  EXPECT_EQ(std::string(s, 6), "aXY ef");
  UfoPtr one(Kiv$SelectUfo(str.get(), 6));  // an element of a string is a one-character slice
  EXPECT_EQ(text(one.get()), "f");
}

TEST(CompoundDeathTest, BadSlicesAndFieldsAreTypingErrorsGivingNone) {
  char s[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
  int32_t l = 0;
  auto str = mem(s, KIV_STRING, 6);
  auto lng = mem(&l, KIV_LONG);
  EXPECT_EXIT(Kiv$SelectUfo2(str.get(), 4, 7), testing::ExitedWithCode(2), "typing error");
  EXPECT_REPORTED_AND_CONTINUES({
    bool ok = Kiv$SelectUfo2(str.get(), 0, 2) == nullptr && Kiv$ERRCODE == 8;
    ok = ok && Kiv$SelectUfo2(str.get(), 3, 2) == nullptr;
    ok = ok && Kiv$SelectUfo(lng.get(), 1) == nullptr && Kiv$ERRCODE == 8;
    ok = ok && Kiv$DesignateUfo(str.get(), 1) == nullptr && Kiv$ERRCODE == 6;
    Ufo* dup = ValueUfo().Ufo::Duplicate(false);
    ok = ok && dup == nullptr && Kiv$ERRCODE == 5;
    lng->BIND();
    ok = ok && Kiv$ERRCODE == 7;
    UfoPtr array(Kiv$ArrayOfUfo(Kiv$Mem2Ufo(&l, KIV_LONG, 0, 0, 0), 1));
    array->PushValue();  // a whole array has no value to push
    return ok && Kiv$ERRCODE == 10 && Kiv$StackDepth() == 0;
  });
}

// The record of a small table: a LONG, a member group of two strings, a DECIMAL, an array of
// SHORTs, a reference, a BYTE and a STRING lying over the member group.
struct Record {
  int32_t id;
  char first[5];
  char last[6];
  uint8_t price[3];
  int16_t counts[3];
  uint8_t ref[4];
  uint8_t tail;
} __attribute__((packed));

std::vector<uint8_t> recordLayout() {
  CLASS_DESCRIPTOR b;
  b.SETUP("REC");
  b.ADDFIELD(KIV_LONG, 0, "REC:ID");
  b.STARTGROUP("REC:NAME");
  b.ADDFIELD(KIV_STRING, 5, "REC:FIRST", 0, "@s5");
  b.ADDFIELD(KIV_CSTRING, 6, "REC:LAST");
  b.ENDGROUP();
  b.OVERFIELD("rec:name");
  b.ADDFIELD(KIV_STRING, 11, "REC:FULL");
  b.ADDFIELD(KIV_DECIMAL, 3, "REC:PRICE", 0, "@n7.2", nullptr, 2);
  b.ADDFIELD(KIV_SHORT, 0, "REC:COUNTS", 3);
  b.ADDFIELD(33, 0, "");  // reference codes 31..36 are references
  b.ADDFIELD(KIV_BYTE, 0, "REC:TAIL");
  return b.ENDDECLARATION();
}

TEST_F(Compound, BuiltLayoutsGiveEveryFieldItsPlace) {
  std::vector<uint8_t> layout = recordLayout();
  class_descriptor d(layout.data());
  ASSERT_TRUE(d.Valid());
  EXPECT_EQ(d.Name(), "REC");
  ASSERT_EQ(d.NFields(), 9u);
  struct Row {
    uint8_t type;
    uint32_t size, dim, offset, members;
    uint8_t places, overlay;
    const char* name;
  } rows[] = {
      {KIV_LONG, 4, 0, 0, 0, 0, 0, "REC:ID"},       {KIV_GROUP, 11, 0, 4, 2, 0, 0, "REC:NAME"},
      {KIV_STRING, 5, 0, 4, 0, 0, 0, "REC:FIRST"},  {KIV_CSTRING, 6, 0, 9, 0, 0, 0, "REC:LAST"},
      {KIV_STRING, 11, 0, 4, 0, 0, 1, "REC:FULL"},  {KIV_DECIMAL, 3, 0, 15, 0, 2, 0, "REC:PRICE"},
      {KIV_SHORT, 2, 3, 18, 0, 0, 0, "REC:COUNTS"}, {KIV_REFERENCE, 4, 0, 24, 0, 0, 0, ""},
      {KIV_BYTE, 1, 0, 28, 0, 0, 0, "REC:TAIL"},
  };
  for (uint32_t n = 1; n <= 9; ++n) {
    const FieldDescription& f = d.FieldDesc(n);
    const Row& r = rows[n - 1];
    EXPECT_EQ(f.type, r.type) << n;
    EXPECT_EQ(f.size, r.size) << n;
    EXPECT_EQ(f.dim, r.dim) << n;
    EXPECT_EQ(f.offset, r.offset) << n;
    EXPECT_EQ(f.members, r.members) << n;
    EXPECT_EQ(f.places, r.places) << n;
    EXPECT_EQ(f.overlay, r.overlay) << n;
    EXPECT_EQ(f.name, r.name) << n;
  }
  EXPECT_EQ(d.FieldDesc(3).picture, "@s5");
  EXPECT_EQ(d.RecordSize(), 29u);
  EXPECT_EQ(d.FindField("rec:price"), 6u);
  EXPECT_EQ(d.FindField("REC:NONE"), 0u);
  EXPECT_EQ(d.Encode(), layout);  // reads back to the same bytes
}

TEST_F(Compound, LayoutsThatDoNotParseAreRefused) {
  std::vector<uint8_t> layout = recordLayout();
  for (size_t cut : {size_t(5), size_t(17), layout.size() / 2, layout.size() - 1}) {
    std::vector<uint8_t> shortened(layout.begin(), layout.begin() + long(cut));
    // The stated length still claims the whole layout: the reader must stop at the buffer.
    std::vector<uint8_t> claimed = shortened;
    uint32_t len = uint32_t(cut);
    std::memcpy(&claimed[1], &len, 4);
    EXPECT_FALSE(class_descriptor(claimed.data()).Valid()) << cut;
  }
  std::vector<uint8_t> badType = layout;
  class_descriptor d(layout.data());
  size_t firstField = 1 + 16 + 1 + 3;  // header, then the name "REC"
  badType[firstField] = 12;            // no type 12
  EXPECT_FALSE(class_descriptor(badType.data()).Valid());
  std::vector<uint8_t> outside = layout;
  outside[firstField + 3 + 8] = 200;  // offset of REC:ID beyond the record
  EXPECT_FALSE(class_descriptor(outside.data()).Valid());

  Kiv$clearerror();
  EXPECT_EQ(Kiv$Group2Ufo(nullptr, badType.data()), nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 75);
  Kiv$clearerror();
}

// Damaged layouts (bytes changed at random, the stated length kept within the buffer) are
// either refused or describe only fields inside the record; clearing them stays inside it.
TEST_F(Compound, DamagedLayoutsNeverReachOutsideTheRecord) {
  const std::vector<uint8_t> layout = recordLayout();
  std::mt19937 random(20240611);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> damaged = layout;
    int changes = 1 + int(random() % 4);
    for (int c = 0; c < changes; ++c) damaged[random() % damaged.size()] = uint8_t(random());
    uint32_t stated;
    std::memcpy(&stated, &damaged[1], 4);
    if (stated > damaged.size()) continue;
    class_descriptor d(damaged.data());
    if (!d.Valid()) {
      EXPECT_EQ(d.NFields(), 0u);
      continue;
    }
    ++accepted;
    EXPECT_GE(uint64_t(d.RecordSize()), uint64_t(d.ElementSize()));
    if (d.RecordSize() > (1u << 20)) continue;
    std::vector<uint8_t> record(d.RecordSize() + 1, 0x77);
    d.Clear(record.data(), 1);
    EXPECT_EQ(record.back(), 0x77) << "cleared past the record in round " << round;
    for (uint32_t n = 1; n <= d.NFields(); ++n) {
      std::unique_ptr<Ufo> f(d.FieldUfo(record.data(), n));
      if (f) {
        EXPECT_LE(Kiv$SizeUfo(f.get()), d.ElementSize());
      }
    }
  }
  EXPECT_GT(accepted, 0);
  Kiv$clearerror();
}

TEST_F(Compound, GroupFieldsDescribeTheRecord) {
  std::vector<uint8_t> layout = recordLayout();
  Record rec{};
  UfoPtr group(Kiv$Group2Ufo(&rec, layout.data()));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Kiv$SizeUfo(group.get()), sizeof(Record));
  EXPECT_EQ(Kiv$MaximumUfo(group.get()), 0);

  UfoPtr id(Kiv$DesignateUfo(group.get(), 1));
  Kiv$AssignLong2Ufo(id.get(), 42);
  EXPECT_EQ(rec.id, 42);
  UfoPtr first(Kiv$DesignateUfo(group.get(), 3));
  kivtest::push("Ann");
  Kiv$Stack2UfoC(first.get());
  UfoPtr last(Kiv$DesignateUfo(group.get(), 4));
  kivtest::push("Smith");
  Kiv$Stack2UfoC(last.get());
  UfoPtr name(Kiv$DesignateUfo(group.get(), 2));
  EXPECT_EQ(text(name.get()), std::string("Ann  Smith\0", 11));
  UfoPtr lastName(Kiv$DesignateUfo(name.get(), 2));  // fields of the member group
  EXPECT_EQ(text(lastName.get()), "Smith");
  UfoPtr price(Kiv$DesignateUfo(group.get(), 6));
  Kiv$AssignReal2Ufo(price.get(), 12.5);
  EXPECT_EQ(text(price.get()), "12.5");
  UfoPtr counts(Kiv$DesignateUfo(group.get(), 7));
  EXPECT_EQ(Kiv$MaximumUfo(counts.get()), 3);
  UfoPtr second(Kiv$SelectUfo(counts.get(), 2));
  Kiv$AssignLong2Ufo(second.get(), -9);
  EXPECT_EQ(rec.counts[1], -9);
}

TEST_F(Compound, ClearingAGroupClearsEachFieldByItsOwnRule) {
  std::vector<uint8_t> layout = recordLayout();
  Record rec;
  std::memset(&rec, 0x33, sizeof rec);
  Kiv$CLEAR(&rec, layout.data(), 1);
  EXPECT_EQ(rec.id, INT32_MAX);
  EXPECT_EQ(bytes(rec.first, 5), std::vector<uint8_t>(5, 255));
  EXPECT_EQ(bytes(rec.last, 6), (std::vector<uint8_t>{255, 255, 255, 255, 255, 0}));
  EXPECT_EQ(bytes(rec.price, 3), (std::vector<uint8_t>{0x09, 0x99, 0x99}));
  EXPECT_EQ(rec.counts[0], 32767);
  EXPECT_EQ(rec.counts[2], 32767);
  EXPECT_EQ(rec.tail, 255);

  UfoPtr group(Kiv$Group2Ufo(&rec, layout.data()));
  Kiv$ClearUfo(group.get(), 0);
  EXPECT_EQ(rec.id, 0);
  EXPECT_EQ(std::string(rec.first, 5), "     ");
  EXPECT_EQ(rec.last[0], 0);
  EXPECT_EQ(rec.counts[1], 0);
  EXPECT_EQ(Kiv$UfoComparen(group.get()), 0);  // blank field by field
  rec.counts[2] = 1;
  EXPECT_EQ(Kiv$UfoComparen(group.get()), 1);

  Kiv$CLEAR(&rec, layout.data(), -1);
  EXPECT_EQ(rec.id, INT32_MIN);
  EXPECT_EQ(bytes(rec.first, 5), std::vector<uint8_t>(5, 0));
  EXPECT_EQ(rec.counts[0], -32768);
}

TEST_F(Compound, FieldsWithoutASizeTakeTheirPictureWidth) {
  CLASS_DESCRIPTOR b;
  b.SETUP("P");
  b.ADDFIELD(KIV_STRING, 0, "P:NAME", 0, "@s12");
  b.ADDFIELD(KIV_STRING, 0, "P:WHEN", 0, "@d2");
  b.ADDFIELD(KIV_CSTRING, 0, "P:AMOUNT", 0, "@n-9.2");
  b.ADDFIELD(KIV_LONG, 0, "P:ID", 0, "@n6");  // fixed types keep their own size
  class_descriptor d(b.ENDDECLARATION().data());
  ASSERT_TRUE(d.Valid());
  EXPECT_EQ(d.FieldDesc(1).size, 12u);
  EXPECT_EQ(d.FieldDesc(2).size, 10u);  // mm/dd/yyyy
  EXPECT_EQ(d.FieldDesc(3).size, 9u);
  EXPECT_EQ(d.FieldDesc(4).size, 4u);
  EXPECT_EQ(d.FieldDesc(4).offset, 31u);
}

TEST_F(Compound, MemberGroupArraysClearEveryElement) {
  CLASS_DESCRIPTOR b;
  b.SETUP("G");
  b.ADDFIELD(KIV_BYTE, 0, "G:HEAD");
  b.STARTGROUP("G:PAIR");
  b.ADDFIELD(KIV_SHORT, 0, "G:NUM");
  b.ADDFIELD(KIV_STRING, 2, "G:TAG");
  b.ENDGROUP();
  b.ADDARRAY(3);
  b.ADDFIELD(KIV_BYTE, 0, "G:END");
  std::vector<uint8_t> layout = b.ENDDECLARATION();
  class_descriptor d(layout.data());
  ASSERT_TRUE(d.Valid());
  EXPECT_EQ(d.FieldDesc(2).dim, 3u);
  EXPECT_EQ(d.FieldDesc(5).offset, 13u);
  ASSERT_EQ(d.RecordSize(), 14u);

  uint8_t rec[14];
  std::memset(rec, 'z', sizeof rec);
  Kiv$CLEAR(rec, layout.data(), 1);
  const std::vector<uint8_t> pair = {0xFF, 0x7F, 255, 255};
  for (int e = 0; e < 3; ++e) EXPECT_EQ(bytes(rec + 1 + 4 * e, 4), pair) << e;
  EXPECT_EQ(rec[13], 255);

  UfoPtr group(Kiv$Group2Ufo(rec, layout.data()));
  UfoPtr pairs(Kiv$DesignateUfo(group.get(), 2));
  EXPECT_EQ(Kiv$MaximumUfo(pairs.get()), 3);
  UfoPtr third(Kiv$SelectUfo(pairs.get(), 3));
  UfoPtr num(Kiv$DesignateUfo(third.get(), 1));
  EXPECT_EQ(Kiv$AddressUfo(num.get()), rec + 9);
  Kiv$AssignLong2Ufo(num.get(), 0);
  EXPECT_EQ(Kiv$UfoComparen(group.get()), 1);

  // A member field lying outside its group's element is refused.
  std::vector<uint8_t> stray = class_descriptor(layout.data()).Encode();
  class_descriptor ok(stray.data());
  std::vector<FieldDescription> fields;
  for (uint32_t n = 1; n <= ok.NFields(); ++n) fields.push_back(ok.FieldDesc(n));
  fields[3].offset = 12;  // G:TAG beyond one PAIR
  stray = class_descriptor("G", 14, 0, fields).Encode();
  EXPECT_FALSE(class_descriptor(stray.data()).Valid());
}

TEST_F(Compound, GroupDimensionGivesCountAndSize) {
  CLASS_DESCRIPTOR b;
  b.SETUP("ROW", 4);
  b.ADDFIELD(KIV_LONG, 0, "ROW:A");
  b.ADDFIELD(KIV_STRING, 2, "ROW:B");
  b.ADDARRAY(3);  // ROW:B becomes an array of 3
  std::vector<uint8_t> layout = b.ENDDECLARATION();
  uint8_t rows[4 * 10];
  std::memset(rows, 'x', sizeof rows);
  UfoPtr group(Kiv$Group2Ufo(rows, layout.data()));
  EXPECT_EQ(Kiv$MaximumUfo(group.get()), 4);
  EXPECT_EQ(Kiv$SizeUfo(group.get()), 40u);
  Kiv$ClearUfo(group.get(), 0);  // every element of the group
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(bytes(rows + 10 * r, 4), std::vector<uint8_t>(4, 0)) << r;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rows) + 10 * r + 4, 6), "      ") << r;
  }
}

TEST(CompoundDeathTest, BuilderMistakesAreTypingErrors) {
  CLASS_DESCRIPTOR b;
  b.SETUP("X");
  EXPECT_EXIT(b.ENDGROUP(), testing::ExitedWithCode(2), "Parameter typing error");
  EXPECT_EXIT(b.OVERFIELD("X:NONE"), testing::ExitedWithCode(2), "Parameter typing error");
  // A STRING with neither a size nor a picture that compiles cannot be described.
  EXPECT_EXIT(b.ADDFIELD(KIV_STRING, 0, "X:S"), testing::ExitedWithCode(2),
              "Parameter typing error");
  EXPECT_EXIT(b.ADDFIELD(KIV_STRING, 0, "X:S", 0, "@q"), testing::ExitedWithCode(2),
              "Parameter typing error");
  EXPECT_EXIT(b.ADDFIELD(12, 4, "X:T"), testing::ExitedWithCode(2), "Parameter typing error");
}

TEST(CompoundDeathTest, FieldNumbersOutsideTheLayoutAreTypingErrors) {
  std::vector<uint8_t> layout = recordLayout();
  Record rec{};
  UfoPtr group(Kiv$Group2Ufo(&rec, layout.data()));
  EXPECT_EXIT(Kiv$DesignateUfo(group.get(), 10), testing::ExitedWithCode(2),
              "Parameter typing error");
  EXPECT_REPORTED_AND_CONTINUES(
      { return Kiv$DesignateUfo(group.get(), 0) == nullptr && Kiv$ERRCODE == 6; });
}

TEST(TypeSize, FixedTypesHaveTheirSizeAndDeclaredTypesNone) {
  const uint32_t expected[40] = {0, 1, 2, 2, 4, 4, 4, 4, 4, 8, 0, 0, 0, 4, 8, 0, 0, 0, 0, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4, 0, 0, 0};
  for (int32_t type = 0; type < 40; ++type) EXPECT_EQ(INT$TYPESIZE(type), expected[type]) << type;
}

TEST_F(Compound, BindHandsEveryLabelledFieldToTheBinder) {
  std::vector<uint8_t> layout = recordLayout();
  Record rec{};
  rec.id = 5;
  UfoPtr group(Kiv$Group2Ufo(&rec, layout.data()));
  std::vector<std::pair<std::string, uint32_t>> bound;
  kiv::core::setFieldBinder([&bound](Ufo& field, std::string_view name) {
    bound.emplace_back(std::string(name), field.Size());
  });
  group->BIND();
  kiv::core::setFieldBinder(nullptr);
  ASSERT_EQ(bound.size(), 8u);  // the unlabelled reference is left out
  EXPECT_EQ(bound[0], (std::pair<std::string, uint32_t>{"REC:ID", 4}));
  EXPECT_EQ(bound[1], (std::pair<std::string, uint32_t>{"REC:NAME", 11}));
  EXPECT_EQ(bound[6], (std::pair<std::string, uint32_t>{"REC:COUNTS", 6}));
}

TEST_F(Compound, DeepAssignFollowsTheMapInBothWidths) {
  std::vector<uint8_t> layout = recordLayout();
  Record from{}, to{};
  from.id = 77;
  std::memcpy(from.first, "Bob  ", 5);
  from.tail = 9;
  std::memset(&to, 0, sizeof to);
  UfoPtr src(Kiv$Group2Ufo(&from, layout.data()));
  UfoPtr dst(Kiv$Group2Ufo(&to, layout.data()));

  // Narrow entries: two pairs, id <- tail, tail <- id.
  const uint8_t narrow[] = {0, 2, 1, 9, 9, 1};
  Kiv$DeepAssign(dst.get(), src.get(), narrow);
  EXPECT_EQ(to.id, 9);
  EXPECT_EQ(to.tail, 77);

  // Wide entries: one pair, first <- first.
  const uint8_t wide[] = {1, 1, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0};
  Kiv$DeepAssign(dst.get(), src.get(), wide);
  EXPECT_EQ(std::string(to.first, 5), "Bob  ");

  // Field 0 is the whole descriptor.
  int32_t whole = 0;
  auto target = mem(&whole, KIV_LONG);
  const uint8_t toWhole[] = {0, 1, 0, 1};
  Kiv$DeepAssign(target.get(), src.get(), toWhole);
  EXPECT_EQ(whole, 77);
}

}  // namespace
