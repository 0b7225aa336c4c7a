// Queue operations through the exported entry points.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/runtime/queue/queue_support.h"

namespace {

using qtest::TestQueue;

constexpr uint32_t kId = 1, kName = 2, kSeq = 3;
const int32_t kById[] = {int32_t(kId), 0};
const int32_t kByIdDown[] = {-int32_t(kId), 0};

TestQueue makeQueue() {
  return TestQueue({{KIV_LONG, 0, "Q:ID"}, {KIV_STRING, 10, "Q:NAME"}, {KIV_LONG, 0, "Q:SEQ"}});
}

void addEntry(TestQueue& t, int32_t id, const std::string& name, int32_t seq) {
  t.setLong(kId, id);
  t.setText(kName, name);
  t.setLong(kSeq, seq);
  t.add();
  ASSERT_EQ(Kiv$ERRCODE, 0);
}

// The SEQ field of every entry, in order.
std::vector<int32_t> sequence(TestQueue& t) {
  std::vector<int32_t> seqs;
  for (int32_t i = 1; i <= t.records(); ++i) {
    t.get(i);
    seqs.push_back(t.getLong(kSeq));
  }
  return seqs;
}

TEST(Queue, KeyedAddGoesAfterEveryEqualEntry) {
  TestQueue t = makeQueue();
  addEntry(t, 1, "a", 1);
  t.setLong(kId, 5);
  t.setLong(kSeq, 2);
  Kiv$ADDqueuekey(t.q(), kById);  // sets the key list
  addEntry(t, 5, "b", 3);
  addEntry(t, 5, "c", 4);
  addEntry(t, 9, "d", 5);
  addEntry(t, 5, "e", 6);  // three entries with ID 5 already
  EXPECT_EQ(t.pointer(), 5);
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{1, 2, 3, 4, 6, 5}));
}

TEST(Queue, KeyedGetFindsTheFirstOfEqualEntries) {
  TestQueue t = makeQueue();
  for (int32_t seq = 1; seq <= 6; ++seq) addEntry(t, seq <= 2 ? 1 : (seq <= 5 ? 7 : 9), "", seq);
  t.setLong(kId, 7);
  t.setLong(kSeq, 0);
  Kiv$GETqueuekey(t.q(), kById);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(t.getLong(kSeq), 3);
  EXPECT_EQ(t.pointer(), 3);

  t.setLong(kId, 8);
  Kiv$GETqueuekey(t.q(), kById);
  EXPECT_EQ(Kiv$ERRCODE, 30);
}

TEST(Queue, DescendingKeyTextStaysInForceForPlainAdd) {
  TestQueue t = makeQueue();
  for (int32_t id : {3, 1, 4, 1, 5}) addEntry(t, id, "", id);
  t.pushText("-Q:ID");
  Kiv$SORTqueueskey(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  addEntry(t, 2, "", 2);
  EXPECT_EQ(t.pointer(), 4);
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{5, 4, 3, 2, 1, 1}));
}

TEST(Queue, GetByPositionOutsideTheQueueIsEntryNotFound) {
  TestQueue t = makeQueue();
  addEntry(t, 1, "a", 1);
  for (int32_t position : {0, 2, -1}) {
    t.get(1);
    t.get(position);
    EXPECT_EQ(Kiv$ERRCODE, 30) << position;
    EXPECT_EQ(t.pointer(), 0) << position;
  }
  Kiv$PUTqueue(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 30);
  Kiv$DELETEqueue(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 30);
  EXPECT_EQ(t.records(), 1);
  EXPECT_EQ(Kiv$ERRCODE, 0) << "every entry point clears a pending error";
}

TEST(Queue, ModifiedAndChangeNumber) {
  TestQueue t = makeQueue();
  addEntry(t, 1, "a", 1);
  EXPECT_EQ(Kiv$MODIFIEDqueue(t.q()), 1);
  EXPECT_EQ(Kiv$MODIFIEDqueue(t.q()), 0);
  t.get(1);
  EXPECT_EQ(Kiv$MODIFIEDqueue(t.q()), 0) << "reading is no change";
  int32_t before = Kiv$NUMCHANGESqueue(t.q());
  Kiv$PUTqueue(t.q());
  Kiv$SORTqueuekey(t.q(), kById);
  Kiv$DELETEqueue(t.q());
  EXPECT_EQ(Kiv$NUMCHANGESqueue(t.q()), before + 3);
  EXPECT_EQ(Kiv$MODIFIEDqueue(t.q()), 1);
}

TEST(Queue, FreeDiscardsEntriesAndKeys) {
  TestQueue t = makeQueue();
  EXPECT_EQ(t.records(), 0) << "a queue never used";
  addEntry(t, 2, "", 1);
  Kiv$SORTqueuekey(t.q(), kById);
  Kiv$FREEqueue(t.q());
  EXPECT_EQ(t.records(), 0);
  addEntry(t, 9, "", 2);
  addEntry(t, 1, "", 3);  // no key list after FREE: appended
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{2, 3}));
}

TEST(Queue, AddByPosition) {
  TestQueue t = makeQueue();
  addEntry(t, 0, "", 1);
  struct Row {
    int32_t position;
    int32_t seq;
    int32_t pointer;
  } rows[] = {{1, 2, 1}, {0, 3, 3}, {99, 4, 4}, {2, 5, 2}, {-3, 6, 6}};
  for (const Row& row : rows) {
    t.setLong(kSeq, row.seq);
    Kiv$ADDqueueptr(t.q(), row.position);
    EXPECT_EQ(t.pointer(), row.pointer) << row.position;
  }
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{2, 5, 1, 3, 4, 6}));
}

TEST(Queue, PutReplacesAndReordersUnderAKeyList) {
  TestQueue t = makeQueue();
  for (int32_t id : {10, 20, 30, 40}) addEntry(t, id, "", id);
  t.get(2);
  t.setText(kName, "changed");
  Kiv$PUTqueue(t.q());  // no key list: stays in place
  EXPECT_EQ(t.pointer(), 2);
  t.get(2);
  EXPECT_EQ(t.getText(kName), "changed");

  Kiv$SORTqueuekey(t.q(), kById);
  t.get(1);
  t.setLong(kId, 35);
  Kiv$PUTqueue(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(t.pointer(), 3);
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{20, 30, 10, 40}));

  t.get(4);
  t.setLong(kId, 1);
  Kiv$PUTqueuekey(t.q(), kByIdDown);  // new key list: descending
  EXPECT_EQ(t.pointer(), 4);
  EXPECT_EQ(t.records(), 4);
}

TEST(Queue, DeleteRemovesTheEntryAtThePointer) {
  TestQueue t = makeQueue();
  for (int32_t seq = 1; seq <= 4; ++seq) addEntry(t, seq, "", seq);
  t.get(2);
  Kiv$DELETEqueue(t.q());
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{1, 3, 4}));
}

TEST(Queue, KeyListErrors) {
  TestQueue t = makeQueue();
  addEntry(t, 2, "b", 1);
  addEntry(t, 1, "a", 2);
  const int32_t outside[] = {4, 0};
  const int32_t outsideDown[] = {1, -4, 0};
  for (const int32_t* fields : {outside, outsideDown}) {
    Kiv$SORTqueuekey(t.q(), fields);
    EXPECT_EQ(Kiv$ERRCODE, 75);
  }
  for (const char* text : {"Q:NOPE", "Q:ID,,Q:NOPE", "-", "+ "}) {
    t.pushText(text);
    Kiv$SORTqueueskey(t.q());
    EXPECT_EQ(Kiv$ERRCODE, 75) << text;
  }
  EXPECT_EQ(sequence(t), (std::vector<int32_t>{1, 2})) << "nothing sorted";
  EXPECT_EQ(Kiv$StackDepth(), 0);

  // An empty key list finds nothing.
  const int32_t none[] = {0};
  Kiv$GETqueuekey(t.q(), none);
  EXPECT_EQ(Kiv$ERRCODE, 30);
}

TEST(Queue, KeyTextForms) {
  TestQueue t = makeQueue();
  const struct {
    int32_t id;
    const char* name;
  } data[] = {{2, "b"}, {1, "b"}, {2, "a"}, {1, "a"}};
  for (int32_t i = 0; i < 4; ++i) addEntry(t, data[i].id, data[i].name, i + 1);
  const struct {
    const char* text;
    std::vector<int32_t> order;
  } rows[] = {
      {"Q:NAME,Q:ID", {4, 3, 2, 1}},
      {" -q:name  +Q:id ", {2, 1, 4, 3}},
      {"id, -name", {2, 4, 1, 3}},  // labels without their prefix
      {"Q:ID", {2, 4, 1, 3}},       // stable: keeps the order of equal entries
  };
  for (const auto& row : rows) {
    t.pushText(row.text);
    Kiv$SORTqueueskey(t.q());
    EXPECT_EQ(Kiv$ERRCODE, 0) << row.text;
    EXPECT_EQ(sequence(t), row.order) << row.text;
  }
}

TEST(Queue, SortMatchesAStableReferenceAcrossManyEntries) {
  TestQueue t = makeQueue();
  std::mt19937 random(7);
  struct Item {
    int32_t id;
    std::string name;
    int32_t seq;
  };
  std::vector<Item> model;
  for (int32_t i = 0; i < 5000; ++i) {
    Item item{int32_t(random() % 50), std::string(1, char('a' + random() % 5)), i};
    model.push_back(item);
    addEntry(t, item.id, item.name, item.seq);
  }
  const int32_t key[] = {-int32_t(kName), int32_t(kId), 0};
  Kiv$SORTqueuekey(t.q(), key);
  std::stable_sort(model.begin(), model.end(), [](const Item& a, const Item& b) {
    if (a.name != b.name) return a.name > b.name;
    return a.id < b.id;
  });
  std::vector<int32_t> expected;
  for (const Item& item : model) expected.push_back(item.seq);
  EXPECT_EQ(sequence(t), expected);

  // Keyed adds keep the order and go after their equals.
  for (int32_t i = 0; i < 500; ++i) {
    Item item{int32_t(random() % 50), std::string(1, char('a' + random() % 5)), 5000 + i};
    auto at = std::upper_bound(model.begin(), model.end(), item, [](const Item& a, const Item& b) {
      if (a.name != b.name) return a.name > b.name;
      return a.id < b.id;
    });
    int32_t position = int32_t(at - model.begin()) + 1;
    model.insert(at, item);
    addEntry(t, item.id, item.name, item.seq);
    ASSERT_EQ(t.pointer(), position);
  }
  expected.clear();
  for (const Item& item : model) expected.push_back(item.seq);
  EXPECT_EQ(sequence(t), expected);
}

// Entries deleted make room for later ones, and a freed queue's storage serves the next queue:
// through all of it every entry keeps its own contents (under the address sanitizer, touching
// a deleted entry's storage is reported too).
TEST(Queue, EntriesKeepTheirContentsThroughDeletesAddsAndFrees) {
  auto check = [](TestQueue& t, const std::vector<int32_t>& model) {
    ASSERT_EQ(t.records(), int32_t(model.size()));
    for (int32_t i = 1; i <= t.records(); ++i) {
      t.get(i);
      ASSERT_EQ(t.getLong(kSeq), model[size_t(i - 1)]) << i;
      ASSERT_EQ(t.getLong(kId), -model[size_t(i - 1)]) << i;
      ASSERT_EQ(t.getText(kName), std::to_string(model[size_t(i - 1)] % 100000)) << i;
    }
  };
  auto fill = [](TestQueue& t, std::vector<int32_t>& model, int32_t from, int32_t count) {
    for (int32_t seq = from; seq < from + count; ++seq) {
      addEntry(t, -seq, std::to_string(seq % 100000), seq);
      model.push_back(seq);
    }
  };
  TestQueue a = makeQueue(), b = makeQueue();
  std::vector<int32_t> modelA, modelB;
  fill(a, modelA, 1, 60'000);  // past the largest storage block
  for (int32_t i = int32_t(modelA.size()); i >= 1; i -= 3) {
    a.get(i);
    Kiv$DELETEqueue(a.q());
    modelA.erase(modelA.begin() + (i - 1));
  }
  fill(a, modelA, 100'000, 25'000);
  check(a, modelA);

  Kiv$FREEqueue(a.q());
  modelA.clear();
  fill(b, modelB, 200'000, 60'000);
  fill(a, modelA, 300'000, 1'000);
  check(b, modelB);
  check(a, modelA);
}

TEST(Queue, RunTimeQueues) {
  CLASS_DESCRIPTOR build;
  build.SETUP("R");
  build.ADDFIELD(KIV_STRING, 4, "R:CODE");
  build.ADDFIELD(KIV_LONG, 0, "R:N");
  std::vector<uint8_t> layout = build.ENDDECLARATION();
  KivQueue* q = Kiv$NEWqueue(layout.data());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(q->buffer), 4), "    ") << "a cleared buffer";
  std::memcpy(q->buffer, "abcd", 4);
  Kiv$ADDqueue(q);
  Kiv$ADDqueue(q);
  EXPECT_EQ(Kiv$RECORDSqueue(q), 2);
  Kiv$DISPOSEqueue(q);

  const uint8_t broken[] = {1, 2, 3};
  EXPECT_EQ(Kiv$NEWqueue(broken), nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 75);
}

}  // namespace
