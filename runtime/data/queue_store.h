// The store behind a queue: copies of the record buffer in order (from the store's own pool), the
// pointer, the key list in force and the change counter. Operations give 0 or the error code to
// report (30 nothing there, 8 no memory, 75 an unknown key field).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/data/entry_list.h"
#include "runtime/data/queue_keys.h"
#include "runtime/data/record_pool.h"

class class_descriptor;

struct KivQueueStore {
 public:
  explicit KivQueueStore(std::shared_ptr<const class_descriptor> layout);
  ~KivQueueStore();
  KivQueueStore(const KivQueueStore&) = delete;
  KivQueueStore& operator=(const KivQueueStore&) = delete;

  uint32_t count() const { return uint32_t(entries_.size()); }
  int32_t pointer() const { return pointer_; }
  uint32_t recordSize() const { return recordSize_; }
  const class_descriptor& layout() const { return *layout_; }
  // The entry at a 1-based position (1..count).
  const uint8_t* entry(uint32_t position) const { return entries_.at(position - 1); }

  // Key lists; false leaves the key list in force unchanged.
  bool setKeys(const int32_t* fields);
  bool setKeys(std::string_view text);
  bool hasKeys() const { return !keys_.empty(); }

  // ADD: in key order after every equal entry when a key list is in force, else at the end.
  int32_t add(const void* buffer);
  // ADD before a 1-based position; 0 or beyond the count appends.
  int32_t addAt(const void* buffer, int32_t position);
  int32_t getAt(void* buffer, int32_t position);
  // The first entry whose key fields equal the buffer's.
  int32_t getByKey(void* buffer);
  int32_t put(const void* buffer);
  int32_t remove();
  int32_t sort();

  // 1 when the store changed since the last call, then remembers the current state.
  int32_t modified();
  uint32_t changes() const { return changes_; }

 private:
  // The buffer and its code under the key list, as the searches compare entries with it.
  struct Probe {
    const uint8_t* record;
    uint64_t code;
  };
  // Readies the slots' codes for a keyed operation and codes the buffer. The codes are used while
  // every slot holds its entry's code under the key list in force; after the key list or the
  // collation changed they are all made again once the searches without them have cost about as
  // many comparisons as there are entries.
  Probe probe(const uint8_t* buffer);
  void codeAll();
  uint64_t code(const uint8_t* record) const { return hasKeys() ? comparer_->code(record) : 0; }
  // The entry at pos against the probe: negative, 0 or positive.
  int32_t compareAt(size_t pos, const Probe& probe) const;

  // Binary search over the key list: the position (0-based) where an entry equal to the buffer
  // was met, or where the buffer belongs when none is equal.
  size_t search(const Probe& probe, bool* found) const;
  // Position after the last entry equal to the buffer, from an equal one at `at`.
  size_t pastEqual(const Probe& probe, size_t at) const;
  size_t firstEqual(const Probe& probe, size_t at) const;
  size_t keyedPosition(const Probe& probe) const;
  int32_t insertCopy(const void* buffer, size_t pos, uint64_t code);
  void changed() { ++changes_; }
  void newComparer();

  std::shared_ptr<const class_descriptor> layout_;
  uint32_t recordSize_;
  kiv::data::RecordPool pool_;  // declared before the entries: they live in it
  kiv::data::EntryList entries_;
  int32_t pointer_ = 0;
  std::vector<kiv::data::KeyComponent> keys_;
  std::unique_ptr<kiv::data::RecordComparer> comparer_;
  bool coded_ = true;       // every slot holds its entry's code under the key list in force
  bool useCodes_ = false;   // the searches of the current operation compare codes first
  size_t uncodedWork_ = 0;  // comparisons made without codes since they went stale
  uint32_t changes_;
  uint32_t lastSeen_;
};

namespace kiv::data {
using QueueStore = ::KivQueueStore;
}  // namespace kiv::data
