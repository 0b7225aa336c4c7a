// The codes that let keyed searches and sorts skip reading entries must never change an order:
// codes against the full comparison, queues against a model searched and sorted by the full
// comparison (also after the collation or the key list changed), and the entry list cut anew as
// it grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"
#include "runtime/data/entry_list.h"
#include "runtime/data/queue_keys.h"
#include "tests/runtime/queue/queue_support.h"

namespace {

using kiv::data::RecordComparer;

// Restores the locale tables a test changes.
class SavedLocale {
 public:
  SavedLocale() : saved_(ISFINFO) {}
  ~SavedLocale() { ISFINFO = saved_; }

 private:
  KivIsfInfo saved_;
};

// Small letters weigh as capitals, so different bytes tie; the digits weigh above the letters.
void caseBlindCollation() {
  for (int c = 0; c < 256; ++c) ISFINFO.collate[c] = uint8_t(c);
  for (int c = 'a'; c <= 'z'; ++c) ISFINFO.collate[c] = uint8_t(c - 32);
  for (int c = '0'; c <= '9'; ++c) ISFINFO.collate[c] = uint8_t(200 + c - '0');
}

// Letters weigh in reverse order.
void reversedCollation() {
  for (int c = 0; c < 256; ++c) ISFINFO.collate[c] = uint8_t(c);
  for (int c = 'A'; c <= 'Z'; ++c) ISFINFO.collate[c] = uint8_t('Z' - (c - 'A'));
}

std::string randomText(std::mt19937& random, size_t most) {
  static const char kAlphabet[] = "aAbBzZ 09";
  static const char* kStarts[] = {"", "ITEM", "item", "ITEM0", "ITEM 1", "abcdefghij"};
  std::string text = kStarts[random() % 6];
  size_t length = random() % (most + 1);
  while (text.size() < length) text += kAlphabet[random() % (sizeof kAlphabet - 1)];
  if (text.size() > most) text.resize(most);
  return text;
}

// A record of one key field of the given type, with a value drawn to make near ties.
std::vector<uint8_t> randomRecord(std::mt19937& random, int32_t type, uint32_t size) {
  std::vector<uint8_t> record(size, 0);
  const int64_t pool[] = {0, 1, -1, 2, 127, 128, 255, -32768, 32767, 65535, INT32_MIN, INT32_MAX};
  int64_t value = random() % 3 == 0 ? pool[random() % 12] : int64_t(random() % 7) - 3;
  switch (type) {
    case KIV_BYTE:
      record[0] = uint8_t(value);
      break;
    case KIV_SHORT:
    case KIV_USHORT: {
      uint16_t v = uint16_t(value);
      std::memcpy(record.data(), &v, 2);
      break;
    }
    case KIV_LONG:
    case KIV_ULONG: {
      uint32_t v = uint32_t(value);
      std::memcpy(record.data(), &v, 4);
      break;
    }
    case KIV_STRING: {
      std::string t = randomText(random, size);
      std::memset(record.data(), ' ', size);
      std::memcpy(record.data(), t.data(), t.size());
      if (random() % 5 == 0 && size > 0) record[size - 1] = uint8_t(random() % 2 ? ' ' : 'A');
      break;
    }
    case KIV_CSTRING: {
      std::string t = randomText(random, size - 1);
      std::memcpy(record.data(), t.data(), t.size());
      if (t.size() + 1 < size) record[t.size() + 1] = 'Q';  // beyond the NUL: never counts
      break;
    }
    case KIV_PSTRING: {
      std::string t = randomText(random, size - 1);
      std::memset(record.data(), 'Q', size);  // beyond the length: never counts
      record[0] = uint8_t(t.size());
      std::memcpy(record.data() + 1, t.data(), t.size());
      break;
    }
  }
  return record;
}

int sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

TEST(QueueKeyCodes, DifferentCodesOrderLikeTheFullComparison) {
  SavedLocale saved;
  struct Row {
    int32_t type;
    uint32_t size;
    bool whole;  // the code holds the whole value: equal codes mean equal keys
  };
  const Row rows[] = {{KIV_BYTE, 1, true},    {KIV_SHORT, 2, true},     {KIV_USHORT, 2, true},
                      {KIV_LONG, 4, true},    {KIV_ULONG, 4, true},     {KIV_STRING, 12, false},
                      {KIV_STRING, 5, false}, {KIV_CSTRING, 12, false}, {KIV_PSTRING, 12, false}};
  std::mt19937 random(31);
  for (bool blind : {false, true}) {
    if (blind) caseBlindCollation();
    for (const Row& row : rows) {
      CLASS_DESCRIPTOR build;
      build.SETUP("C");
      build.ADDFIELD(row.type,
                     row.type == KIV_BYTE || row.type == KIV_SHORT || row.type == KIV_USHORT ||
                             row.type == KIV_LONG || row.type == KIV_ULONG
                         ? 0
                         : row.size,
                     "C:K");
      std::vector<uint8_t> layoutBytes = build.ENDDECLARATION();
      class_descriptor layout(layoutBytes.data());
      ASSERT_EQ(layout.RecordSize(), row.size);
      std::vector<std::vector<uint8_t>> records;
      for (int i = 0; i < 150; ++i) records.push_back(randomRecord(random, row.type, row.size));
      for (bool descending : {false, true}) {
        RecordComparer comparer(layout, {{1, descending}});
        ASSERT_TRUE(comparer.hasCodes());
        // Text codes with no shared start, and after the start of some sample.
        for (int start = 0; start < 4; ++start) {
          if (start > 0) {
            const auto& sample = records[random() % records.size()];
            comparer.setTextStart(sample.data(), random() % (row.size + 1));
          }
          for (const auto& a : records) {
            for (const auto& b : records) {
              uint64_t ca = comparer.code(a.data()), cb = comparer.code(b.data());
              int full = sign(comparer.compare(a.data(), b.data()));
              if (ca != cb) {
                ASSERT_EQ(ca < cb ? -1 : 1, full)
                    << "type " << row.type << (descending ? " descending" : "") << " start "
                    << start << (blind ? " case-blind" : "");
              } else if (row.whole) {
                ASSERT_EQ(full, 0) << "type " << row.type;
              }
            }
          }
        }
      }
    }
  }
}

TEST(QueueKeyCodes, NoCodesForRealsDecimalsOrDigraphs) {
  SavedLocale saved;
  CLASS_DESCRIPTOR build;
  build.SETUP("C");
  build.ADDFIELD(KIV_REAL, 0, "C:R");
  build.ADDFIELD(KIV_DECIMAL, 5, "C:D", 0, nullptr, nullptr, 2);
  build.ADDFIELD(KIV_STRING, 8, "C:S");
  std::vector<uint8_t> layoutBytes = build.ENDDECLARATION();
  class_descriptor layout(layoutBytes.data());
  EXPECT_FALSE(RecordComparer(layout, {{1, false}}).hasCodes());
  EXPECT_FALSE(RecordComparer(layout, {{2, false}}).hasCodes());
  // "AE" weighs as "Z": "AEA" follows "AF", though its bytes come first.
  ISFINFO.digraphCount = 1;
  std::memcpy(ISFINFO.digraphs[0], "AEZ", 3);
  RecordComparer text(layout, {{3, false}});
  std::vector<uint8_t> a(layout.RecordSize(), ' '), b = a;
  std::memcpy(a.data() + layout.FieldDesc(3).offset, "AEA", 3);
  std::memcpy(b.data() + layout.FieldDesc(3).offset, "AF", 2);
  ASSERT_GT(text.compare(a.data(), b.data()), 0);
  EXPECT_FALSE(text.code(a.data()) < text.code(b.data()));
}

// The search of a keyed ADD or GET done by the full comparison alone: halve until an equal entry
// is met, then find the end (ADD) or the start (GET) of the equal ones.
struct ModelSearch {
  const RecordComparer& comparer;
  const std::vector<std::vector<uint8_t>>& entries;

  int compareAt(size_t pos, const std::vector<uint8_t>& buffer) const {
    return sign(comparer.compare(entries[pos].data(), buffer.data()));
  }
  // 0-based position, or -1 for a GET that finds nothing.
  int64_t position(const std::vector<uint8_t>& buffer, bool forAdd) const {
    size_t lo = 0, hi = entries.size();
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      int c = compareAt(mid, buffer);
      if (c == 0) {
        if (forAdd) {
          size_t l = mid + 1, h = entries.size();
          while (l < h) {
            size_t m = l + (h - l) / 2;
            compareAt(m, buffer) == 0 ? l = m + 1 : h = m;
          }
          return int64_t(l);
        }
        size_t l = 0, h = mid;
        while (l < h) {
          size_t m = l + (h - l) / 2;
          compareAt(m, buffer) == 0 ? h = m : l = m + 1;
        }
        return int64_t(l);
      }
      c < 0 ? lo = mid + 1 : hi = mid;
    }
    return forAdd ? int64_t(lo) : -1;
  }
};

// A queue of NAME, N and SEQ beside a model of its entries.
class ModelledQueue {
 public:
  ModelledQueue() : t_({{KIV_STRING, 10, "Q:NAME"}, {KIV_LONG, 0, "Q:N"}, {KIV_LONG, 0, "Q:SEQ"}}) {
    CLASS_DESCRIPTOR build;
    build.SETUP("Q");
    build.ADDFIELD(KIV_STRING, 10, "Q:NAME");
    build.ADDFIELD(KIV_LONG, 0, "Q:N");
    build.ADDFIELD(KIV_LONG, 0, "Q:SEQ");
    layoutBytes_ = build.ENDDECLARATION();
    layout_ = std::make_unique<class_descriptor>(layoutBytes_.data());
  }

  std::vector<uint8_t> record(const std::string& name, int32_t n, int32_t seq) {
    t_.setText(1, name);
    t_.setLong(2, n);
    t_.setLong(3, seq);
    return {t_.field(1), t_.field(1) + layout_->RecordSize()};
  }
  void load(const std::vector<uint8_t>& r) { std::memcpy(t_.field(1), r.data(), r.size()); }

  // A keyed ADD, checked against the model's search; the model takes the entry where it went.
  void add(const std::vector<uint8_t>& r, const int32_t* key) {
    RecordComparer comparer(*layout_, keys(key));
    int64_t expected = ModelSearch{comparer, entries}.position(r, true);
    load(r);
    Kiv$ADDqueuekey(t_.q(), key);
    ASSERT_EQ(Kiv$ERRCODE, 0);
    ASSERT_EQ(t_.pointer(), expected + 1);
    entries.insert(entries.begin() + expected, r);
  }

  void get(const std::vector<uint8_t>& r, const int32_t* key) {
    RecordComparer comparer(*layout_, keys(key));
    int64_t expected = ModelSearch{comparer, entries}.position(r, false);
    load(r);
    Kiv$GETqueuekey(t_.q(), key);
    if (expected < 0) {
      ASSERT_EQ(Kiv$ERRCODE, 30);
      return;
    }
    ASSERT_EQ(Kiv$ERRCODE, 0);
    ASSERT_EQ(t_.pointer(), expected + 1);
    ASSERT_EQ(t_.getLong(3), seqOf(entries[size_t(expected)]));
  }

  void sort(const int32_t* key) {
    RecordComparer comparer(*layout_, keys(key));
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
      return comparer.compare(a.data(), b.data()) < 0;
    });
    Kiv$SORTqueuekey(t_.q(), key);
    ASSERT_EQ(Kiv$ERRCODE, 0);
  }

  // Every entry by position matches the model.
  void check() {
    ASSERT_EQ(size_t(t_.records()), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      t_.get(int32_t(i + 1));
      ASSERT_EQ(t_.getLong(3), seqOf(entries[i])) << "position " << i + 1;
    }
  }

  std::vector<std::vector<uint8_t>> entries;

 private:
  int32_t seqOf(const std::vector<uint8_t>& r) const {
    int32_t seq;
    std::memcpy(&seq, r.data() + layout_->FieldDesc(3).offset, 4);
    return seq;
  }
  static std::vector<kiv::data::KeyComponent> keys(const int32_t* key) {
    std::vector<kiv::data::KeyComponent> list;
    for (; *key; ++key) list.push_back({uint32_t(std::abs(*key)), *key < 0});
    return list;
  }

  qtest::TestQueue t_;
  std::vector<uint8_t> layoutBytes_;
  std::unique_ptr<class_descriptor> layout_;
};

const int32_t kByNameN[] = {1, 2, 0};
const int32_t kByNDownName[] = {-2, 1, 0};
const int32_t kByN[] = {2, 0};

TEST(QueueKeyCodes, KeyedOperationsFollowTheFullComparison) {
  SavedLocale saved;
  caseBlindCollation();
  ModelledQueue q;
  std::mt19937 random(5);
  int32_t seq = 0;
  for (int i = 0; i < 3000; ++i)
    q.add(q.record(randomText(random, 10), int32_t(random() % 4), seq++), kByNameN);
  q.check();
  for (int i = 0; i < 300; ++i)
    q.get(q.record(randomText(random, 10), int32_t(random() % 4), 0), kByNameN);
  q.sort(kByNDownName);
  q.check();
  for (int i = 0; i < 300; ++i)
    q.add(q.record(randomText(random, 10), int32_t(random() % 4), seq++), kByNDownName);
  q.sort(kByNameN);
  q.check();
}

TEST(QueueKeyCodes, ACollationChangeStopsTheOldCodes) {
  SavedLocale saved;
  ModelledQueue q;
  std::mt19937 random(8);
  int32_t seq = 0;
  for (int i = 0; i < 1500; ++i) q.add(q.record(randomText(random, 10), 0, seq++), kByNameN);
  // The queue is no longer in order under the new weights: each search must still go as the
  // full comparison takes it, until the codes are made again and after.
  reversedCollation();
  for (int i = 0; i < 400; ++i) {
    q.get(q.record(randomText(random, 10), 0, 0), kByNameN);
    q.add(q.record(randomText(random, 10), 0, seq++), kByNameN);
  }
  q.sort(kByNameN);
  q.check();
  for (int i = 0; i < 200; ++i) q.add(q.record(randomText(random, 10), 1, seq++), kByNameN);
  q.check();
}

TEST(QueueKeyCodes, AnotherKeyListStopsTheOldCodes) {
  ModelledQueue q;
  std::mt19937 random(9);
  int32_t seq = 0;
  for (int i = 0; i < 1000; ++i)
    q.add(q.record(randomText(random, 10), int32_t(random() % 1000), seq++), kByNameN);
  // By N the entries are out of order; enough searches follow for the codes to be made again.
  for (int i = 0; i < 600; ++i)
    q.add(q.record(randomText(random, 10), int32_t(random() % 1000), seq++), kByN);
  for (int i = 0; i < 100; ++i) q.get(q.record("", int32_t(random() % 1000), 0), kByN);
  q.check();
}

TEST(EntryList, CutsItselfAnewAsItGrows) {
  kiv::data::EntryList list;
  std::vector<uint8_t*> model;
  std::vector<size_t> sizes;
  // Inserting at the front turns every ring; the sizes pass the points where blocks grow.
  for (uintptr_t n = 1; n <= 9000; ++n) {
    auto* e = reinterpret_cast<uint8_t*>(n);
    size_t pos = n % 3 == 0 ? 0 : (n * 7919) % (model.size() + 1);
    ASSERT_TRUE(list.insert(pos, e, n));
    model.insert(model.begin() + ptrdiff_t(pos), e);
    if (sizes.empty() || sizes.back() != list.blockSize()) sizes.push_back(list.blockSize());
    if (n == 512 || n == 513 || n == 2048 || n == 2049 || n == 8192 || n == 8193) {
      for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list.at(i), model[i]) << n << " " << i;
    }
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{64, 128, 256, 512}));
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list.slot(i).code, uintptr_t(model[i]));
  // Erasing keeps the block size; sorting back in gives the same list.
  for (size_t k = 1; model.size() > 700; ++k) {
    size_t pos = (k * 7919) % model.size();
    ASSERT_EQ(list.erase(pos), model[pos]);
    model.erase(model.begin() + ptrdiff_t(pos));
  }
  std::vector<kiv::data::EntryList::Slot> slots = list.toVector();
  std::sort(slots.begin(), slots.end(), [](auto& a, auto& b) { return a.code < b.code; });
  ASSERT_TRUE(list.assign(slots));
  std::sort(model.begin(), model.end());
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list.at(i), model[i]);
  list.clear();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_EQ(list.blockSize(), 64u);
}

}  // namespace
