// Encoded keys sort in byte order exactly as their values sort.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "drivers/zephra/key_codec.h"
#include "include/kvrun32.h"

using kiv::data::RecordField;
using namespace kiv::zephra;

namespace {

RecordField field(uint8_t type, uint32_t size, uint8_t places = 0) {
  RecordField f;
  f.type = type;
  f.size = size;
  f.places = places;
  return f;
}

KeyShape shapeOf(RecordField f, bool descending = false, bool caseBlind = false,
                 bool optional = false) {
  f.offset = 0;
  KeyShape s;
  s.parts.push_back({f, descending});
  s.caseBlind = caseBlind;
  s.optional = optional;
  s.width = encodedWidth(f);
  return s;
}

std::string encode(const KeyShape& s, const void* value, size_t size) {
  std::vector<uint8_t> record(std::max<size_t>(size, 300), 0);
  std::memcpy(record.data(), value, size);
  std::string out;
  encodeKey(s, record.data(), out);
  EXPECT_EQ(out.size(), s.width);
  return out;
}

template <typename T>
void expectAscending(const KeyShape& s, const std::vector<T>& values) {
  for (size_t i = 1; i < values.size(); ++i)
    EXPECT_LT(encode(s, &values[i - 1], sizeof(T)), encode(s, &values[i], sizeof(T))) << i;
}

std::string text(const char* s, size_t width) {
  std::string r(s);
  r.resize(width, ' ');
  return r;
}

TEST(KeyCodec, NumbersSortNumerically) {
  expectAscending<int32_t>(shapeOf(field(KIV_LONG, 4, 0)),
                           {INT32_MIN, -70000, -1, 0, 1, 255, 256, 70000, INT32_MAX});
  expectAscending<uint32_t>(shapeOf(field(KIV_ULONG, 4, 0)), {0u, 1u, 2147483648u, 4294967295u});
  expectAscending<int16_t>(shapeOf(field(KIV_SHORT, 2, 0)), {-32768, -2, 0, 3, 32767});
  expectAscending<double>(shapeOf(field(KIV_REAL, 8, 0)),
                          {-1e300, -2.5, -1e-300, 0.0, 1e-300, 0.5, 2.0, 1e300});
  expectAscending<float>(shapeOf(field(KIV_SREAL, 4, 0)), {-3.5f, -0.25f, 0.0f, 0.25f, 8.0f});
  // Negative zero is zero.
  double nz = -0.0, z = 0.0;
  KeyShape real = shapeOf(field(KIV_REAL, 8, 0));
  EXPECT_EQ(encode(real, &nz, 8), encode(real, &z, 8));
  expectAscending<int32_t>(shapeOf(field(KIV_LONG, 4, 0), true), {5, 2, 0, -1});
}

TEST(KeyCodec, DatesTimesAndDecimals) {
  // DATE: day, month, year(16); TIME: hundredths, seconds, minutes, hours.
  std::vector<std::array<uint8_t, 4>> dates = {
      {31, 12, 0x6C, 0x07}, {1, 1, 0x6D, 0x07}, {2, 1, 0x6D, 0x07}, {1, 2, 0x6D, 0x07}};
  expectAscending(shapeOf(field(KIV_DATE, 4, 0)), dates);
  std::vector<std::array<uint8_t, 4>> times = {{99, 59, 59, 0}, {0, 0, 0, 1}, {1, 0, 0, 1}};
  expectAscending(shapeOf(field(KIV_TIME, 4, 0)), times);
  // DECIMAL(5,2) in 3 bytes: sign nibble then digits.
  std::vector<std::array<uint8_t, 3>> decimals = {
      {0xF1, 0x00, 0x00}, {0xF0, 0x12, 0x34}, {0xF0, 0x00, 0x01}, {0x00, 0x00, 0x00},
      {0x00, 0x00, 0x01}, {0x00, 0x12, 0x34}, {0x09, 0x99, 0x99}};
  expectAscending(shapeOf(field(KIV_DECIMAL, 3, 2)), decimals);
  std::array<uint8_t, 3> negZero = {0xF0, 0x00, 0x00}, zero = {0x00, 0x00, 0x00};
  KeyShape dec = shapeOf(field(KIV_DECIMAL, 3, 2));
  EXPECT_EQ(encode(dec, negZero.data(), 3), encode(dec, zero.data(), 3));
}

TEST(KeyCodec, TextByCollationAndCase) {
  KeyShape exact = shapeOf(field(KIV_STRING, 6, 0));
  KeyShape blind = shapeOf(field(KIV_STRING, 6, 0), false, true);
  std::string a = text("abc", 6), A = text("ABC", 6), b = text("abd", 6);
  EXPECT_NE(encode(exact, a.data(), 6), encode(exact, A.data(), 6));
  EXPECT_EQ(encode(blind, a.data(), 6), encode(blind, A.data(), 6));
  EXPECT_LT(encode(blind, A.data(), 6), encode(blind, b.data(), 6));
  std::string shorter = text("ab", 6);
  EXPECT_LT(encode(exact, shorter.data(), 6), encode(exact, a.data(), 6));
  // The locale's weights decide: make 'b' sort before 'a'.
  uint8_t savedA = ISFINFO.collate['a'], savedB = ISFINFO.collate['b'];
  std::swap(ISFINFO.collate['a'], ISFINFO.collate['b']);
  std::string ba = text("b", 6), aa = text("a", 6);
  EXPECT_LT(encode(exact, ba.data(), 6), encode(exact, aa.data(), 6));
  ISFINFO.collate['a'] = savedA;
  ISFINFO.collate['b'] = savedB;
  // CSTRING ends at its NUL and sorts like the blank-padded text.
  char c1[6] = "ab", c2[6] = {'a', 'b', ' ', ' ', ' ', ' '};
  KeyShape cstr = shapeOf(field(KIV_CSTRING, 6, 0));
  KeyShape str = shapeOf(field(KIV_STRING, 6, 0));
  EXPECT_EQ(encode(cstr, c1, 6), encode(str, c2, 6));
}

// Long texts are encoded through a table of weights kept between keys: at every width, below and
// from the width where the table is used, the encoding is each character's weight, and a change
// of the locale's weights between two keys (and its undoing) shows in the next key.
TEST(KeyCodec, LongTextFollowsTheLocaleFromKeyToKey) {
  for (uint32_t width : {63u, 64u, 260u}) {
    SCOPED_TRACE(width);
    KeyShape exact = shapeOf(field(KIV_STRING, width, 0));
    KeyShape blind = shapeOf(field(KIV_STRING, width, 0), false, true);
    const std::string mixed = text("aB~\x7f\xe9 z", width);
    std::string expectExact, expectBlind;
    for (char c : mixed) {
      const auto u = static_cast<uint8_t>(c);
      expectExact.push_back(static_cast<char>(ISFINFO.collate[u]));
      const bool lower = (ISFINFO.classFlags[u] & KIV_ISF_LOWER) && ISFINFO.caseMap[u];
      expectBlind.push_back(static_cast<char>(ISFINFO.collate[lower ? ISFINFO.caseMap[u] : u]));
    }
    EXPECT_EQ(encode(exact, mixed.data(), width), expectExact);
    EXPECT_EQ(encode(blind, mixed.data(), width), expectBlind);
    const std::string a = text("a", width), b = text("b", width);
    EXPECT_LT(encode(blind, a.data(), width), encode(blind, b.data(), width));
    const uint8_t savedA = ISFINFO.collate['A'], savedB = ISFINFO.collate['B'];
    std::swap(ISFINFO.collate['A'], ISFINFO.collate['B']);
    EXPECT_GT(encode(blind, a.data(), width), encode(blind, b.data(), width));
    ISFINFO.collate['A'] = savedA;
    ISFINFO.collate['B'] = savedB;
    EXPECT_LT(encode(blind, a.data(), width), encode(blind, b.data(), width));
  }
}

TEST(KeyCodec, OptionalKeysLeaveBlankRecordsOut) {
  std::vector<RecordField> fields = {field(KIV_LONG, 4), field(KIV_STRING, 5)};
  fields[0].name = "T:ID";
  fields[1].name = "T:NAME";
  fields[1].offset = 4;
  KeyShape shape;
  int32_t numbers[] = {1, 2};
  ASSERT_TRUE(shapeFromFields(fields, numbers, 2, true, true, shape));
  EXPECT_EQ(shape.width, 9u);
  uint8_t record[9] = {0, 0, 0, 0, ' ', ' ', ' ', ' ', ' '};
  std::string out;
  EXPECT_FALSE(encodeKey(shape, record, out));
  record[8] = 'x';
  EXPECT_TRUE(encodeKey(shape, record, out));
  int32_t bad[] = {3};
  EXPECT_FALSE(shapeFromFields(fields, bad, 1, false, false, shape));
  int32_t zero[] = {0};
  EXPECT_FALSE(shapeFromFields(fields, zero, 1, false, false, shape));
  EXPECT_TRUE(shapeFromComponents(fields, "-t:name,+T:ID", false, false, shape));
  EXPECT_TRUE(shape.parts[0].descending);
  EXPECT_FALSE(shape.parts[1].descending);
  EXPECT_FALSE(shapeFromComponents(fields, "+T:NAME,", false, false, shape));
}

}  // namespace
