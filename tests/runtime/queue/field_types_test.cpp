// Keys compare each field by its type's own comparison; and the entry list under the queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "runtime/data/entry_list.h"
#include "tests/runtime/queue/queue_support.h"

namespace {

using qtest::TestQueue;

// Raw bytes for one field.
using Bytes = std::vector<uint8_t>;

template <typename T>
Bytes raw(T v) {
  Bytes b(sizeof v);
  std::memcpy(b.data(), &v, sizeof v);
  return b;
}
Bytes text(const std::string& s, size_t size) {
  Bytes b(size, ' ');
  std::memcpy(b.data(), s.data(), std::min(size, s.size()));
  return b;
}
Bytes ctext(const std::string& s, size_t size) {
  Bytes b(size, 0);
  std::memcpy(b.data(), s.data(), std::min(size - 1, s.size()));
  return b;
}
Bytes ptext(const std::string& s, size_t size) {
  Bytes b(size, 'x');
  b[0] = uint8_t(s.size());
  std::memcpy(b.data() + 1, s.data(), s.size());
  return b;
}
Bytes date(int day, int month, int year) {
  return {uint8_t(day), uint8_t(month), uint8_t(year & 0xFF), uint8_t(year >> 8)};
}
Bytes time(int h, int m, int s, int cs) {
  return {uint8_t(cs), uint8_t(s), uint8_t(m), uint8_t(h)};
}

struct Row {
  const char* what;
  int32_t type;
  uint32_t size;
  Bytes low, high;  // low sorts before high; equal when `equal`
  bool equal = false;
};

TEST(QueueFieldTypes, EachTypeComparesByItsOwnRule) {
  const Row rows[] = {
      {"BYTE is unsigned", KIV_BYTE, 1, {1}, {255}},
      {"SHORT is signed", KIV_SHORT, 2, raw<int16_t>(-5), raw<int16_t>(3)},
      {"USHORT is unsigned", KIV_USHORT, 2, raw<uint16_t>(3), raw<uint16_t>(65535)},
      {"LONG is signed", KIV_LONG, 4, raw<int32_t>(-70000), raw<int32_t>(2)},
      {"ULONG is unsigned", KIV_ULONG, 4, raw<uint32_t>(2), raw<uint32_t>(0xFFFFFFFFu)},
      {"DATE by the calendar", KIV_DATE, 4, date(31, 12, 1999), date(1, 1, 2000)},
      {"DATE: no date first", KIV_DATE, 4, date(0, 0, 0), date(1, 1, 1801)},
      {"TIME by the clock", KIV_TIME, 4, time(9, 59, 59, 99), time(10, 0, 0, 0)},
      {"SREAL", KIV_SREAL, 4, raw<float>(-1.5f), raw<float>(0.25f)},
      {"REAL", KIV_REAL, 8, raw<double>(-1e10), raw<double>(1e-3)},
      {"REAL: a tiny difference is equal", KIV_REAL, 8, raw<double>(1.0),
       raw<double>(1.0000000000000002), true},
      {"STRING by collation", KIV_STRING, 6, text("Zeta", 6), text("alpha", 6)},
      {"STRING: trailing blanks do not count", KIV_STRING, 6, text("ab", 6),
       Bytes{'a', 'b', ' ', ' ', ' ', ' '}, true},
      {"STRING: a leading blank does", KIV_STRING, 6, text(" b", 6), text("a", 6)},
      {"CSTRING ends at its NUL", KIV_CSTRING, 6, Bytes{'a', 0, 'z', 'z', 'z', 0}, ctext("ab", 6)},
      {"PSTRING by its length byte", KIV_PSTRING, 6, ptext("ab", 6), ptext("abc", 6)},
  };
  for (const Row& row : rows) {
    TestQueue t({{row.type, row.size, "Q:K"}, {KIV_LONG, 0, "Q:SEQ"}});
    const int32_t key[] = {1, 0};
    std::memcpy(t.field(1), row.high.data(), row.size);
    t.setLong(2, 1);
    Kiv$ADDqueuekey(t.q(), key);
    std::memcpy(t.field(1), row.low.data(), row.size);
    t.setLong(2, 2);
    Kiv$ADDqueue(t.q());
    EXPECT_EQ(t.pointer(), row.equal ? 2 : 1) << row.what;
    // A keyed GET with the low value finds an entry exactly when the two compare equal.
    t.setLong(2, 0);
    Kiv$GETqueuekey(t.q(), key);
    EXPECT_EQ(Kiv$ERRCODE, 0) << row.what;
    EXPECT_EQ(t.getLong(2), row.equal ? 1 : 2) << row.what;
  }
}

TEST(QueueFieldTypes, DecimalsCompareByValue) {
  TestQueue t({{KIV_DECIMAL, 5, "Q:AMOUNT", 2}, {KIV_PDECIMAL, 4, "Q:P", 1}});
  const double amounts[] = {12.5, -3.25, 0, 999.99, -100};
  for (double a : amounts) {
    t.setReal(1, a);
    t.setReal(2, -a);
    Kiv$ADDqueue(t.q());
  }
  t.pushText("Q:AMOUNT");
  Kiv$SORTqueueskey(t.q());
  std::vector<double> sorted;
  for (int32_t i = 1; i <= t.records(); ++i) {
    t.get(i);
    sorted.push_back(t.getReal(1));
  }
  EXPECT_EQ(sorted, (std::vector<double>{-100, -3.25, 0, 12.5, 999.99}));
  t.pushText("Q:P");
  Kiv$SORTqueueskey(t.q());
  t.get(1);
  EXPECT_DOUBLE_EQ(t.getReal(1), 999.99);
  t.setReal(2, 3.2);  // a PDECIMAL of one place holds 3.2
  t.pushText("Q:P");
  Kiv$GETqueueskey(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 30);
  t.setReal(2, 3.3);
  t.pushText("Q:P");
  Kiv$GETqueueskey(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_DOUBLE_EQ(t.getReal(1), -3.25);
}

// The entries of a list in order, each checked to carry the code it was given.
std::vector<uint8_t*> entriesOf(const kiv::data::EntryList& list) {
  std::vector<uint8_t*> entries;
  for (const kiv::data::EntryList::Slot& slot : list.toVector()) {
    EXPECT_EQ(slot.code, reinterpret_cast<uintptr_t>(slot.entry) * 7919);
    entries.push_back(slot.entry);
  }
  return entries;
}

// The DECIMAL storage of a value as the runtime stores it.
Bytes decimal(const std::string& value, uint32_t size, uint32_t places) {
  Bytes b(size, 0);
  Kiv$DPushCString(value.c_str());
  Kiv$DPopDec(b.data(), size, places);
  return b;
}

std::string text128(__int128 v) {
  if (v == 0) return "0";
  const bool negative = v < 0;
  unsigned __int128 m = negative ? -(unsigned __int128)v : (unsigned __int128)v;
  std::string s;
  for (; m; m /= 10) s.insert(s.begin(), char('0' + int(m % 10)));
  return negative ? "-" + s : s;
}

// Byte counts of 64 bits and more sort by number in a queue: every pair across the 32-bit and
// 64-bit limits, signs and a negative zero, then random values against a plain sort of numbers.
TEST(QueueFieldTypes, WideDecimalsSortByNumber) {
  const struct {
    const char *low, *high;
    bool equal;
  } pairs[] = {
      {"4294967295", "4294967296", false},
      {"2147483648", "4294967295", false},
      {"18446744073709551615", "18446744073709551616", false},
      {"-5", "3", false},
      {"-4294967296", "-4294967295", false},
      {"0", "-0", true},
      {"99999999999999999999", "100000000000000000000", false},
  };
  for (const auto& p : pairs) {
    TestQueue t({{KIV_DECIMAL, 11, "Q:SIZE", 0}, {KIV_LONG, 0, "Q:SEQ"}});
    const int32_t key[] = {1, 0};
    Bytes high = decimal(p.high, 11, 0), low = decimal(p.low, 11, 0);
    std::memcpy(t.field(1), high.data(), 11);
    t.setLong(2, 1);
    Kiv$ADDqueuekey(t.q(), key);
    std::memcpy(t.field(1), low.data(), 11);
    t.setLong(2, 2);
    Kiv$ADDqueuekey(t.q(), key);
    EXPECT_EQ(t.pointer(), p.equal ? 2 : 1) << p.low << " " << p.high;
  }

  std::mt19937_64 random(20261208);
  TestQueue t({{KIV_DECIMAL, 11, "Q:SIZE", 0}, {KIV_LONG, 0, "Q:SEQ"}});
  std::vector<__int128> values;
  for (int i = 0; i < 600; ++i) {
    __int128 v = __int128(random() >> (random() % 64));
    if (i % 5 == 0) v = -v;
    if (i % 7 == 0) v = __int128(uint32_t(random())) + (i % 2 ? 0 : (__int128(1) << 32));
    if (i % 11 == 0) v = values.empty() ? 0 : values[random() % values.size()];  // duplicates
    values.push_back(v);
    Bytes b = decimal(text128(v), 11, 0);
    std::memcpy(t.field(1), b.data(), 11);
    t.setLong(2, i);
    Kiv$ADDqueue(t.q());
  }
  t.pushText("Q:SIZE");
  Kiv$SORTqueueskey(t.q());
  std::vector<__int128> expected = values;
  std::sort(expected.begin(), expected.end());
  for (int32_t i = 1; i <= t.records(); ++i) {
    t.get(i);
    EXPECT_EQ(t.getLong(2) >= 0 ? text128(values[size_t(t.getLong(2))]) : "",
              text128(expected[size_t(i - 1)]))
        << i;
  }
}

TEST(EntryList, FollowsAVectorThroughInsertsAndErasesAcrossBlocks) {
  kiv::data::EntryList list;
  std::vector<uint8_t*> model;
  std::mt19937 random(11);
  uintptr_t next = 1;
  for (int step = 0; step < 20000; ++step) {
    bool grow = model.size() < 10 || random() % 100 < 60;
    if (grow) {
      size_t pos = random() % (model.size() + 1);
      if (step % 7 == 0) pos = model.size();
      if (step % 11 == 0) pos = 0;
      uintptr_t n = next++;
      auto* e = reinterpret_cast<uint8_t*>(n);
      ASSERT_TRUE(list.insert(pos, e, n * 7919));
      model.insert(model.begin() + ptrdiff_t(pos), e);
    } else {
      size_t pos = random() % model.size();
      ASSERT_EQ(list.erase(pos), model[pos]);
      model.erase(model.begin() + ptrdiff_t(pos));
    }
    ASSERT_EQ(list.size(), model.size());
    if (step % 997 == 0) {
      ASSERT_EQ(entriesOf(list), model) << step;
      for (size_t pos = 0; pos < model.size(); pos += 97) ASSERT_EQ(list.at(pos), model[pos]);
    }
  }
  ASSERT_EQ(entriesOf(list), model);
  std::vector<kiv::data::EntryList::Slot> reversed = list.toVector();
  std::reverse(reversed.begin(), reversed.end());
  std::reverse(model.begin(), model.end());
  ASSERT_TRUE(list.assign(reversed));
  ASSERT_EQ(entriesOf(list), model);
  while (!model.empty()) {
    ASSERT_EQ(list.erase(0), model.front());
    model.erase(model.begin());
  }
  EXPECT_EQ(list.size(), 0u);
}

}  // namespace
