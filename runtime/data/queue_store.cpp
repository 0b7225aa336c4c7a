#include "runtime/data/queue_store.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "runtime/core/ufo.h"

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kNoMemory = 8;
constexpr int32_t kNotFound = 30;
constexpr int32_t kBadField = 75;

// The change counter starts from the clock, so a new store never repeats an old one's numbers.
uint32_t clockStart() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return uint32_t(uint64_t(ms.count()) * 25781083u);
}

// A top-down merge sort of src[lo, hi) into dst, stable: of equal entries the earlier stays first.
template <typename T, typename Less>
void mergeSort(std::vector<T>& src, std::vector<T>& dst, size_t lo, size_t hi, const Less& less) {
  if (hi - lo <= 12) {  // short runs: insertion sort in dst
    for (size_t i = lo; i < hi; ++i) {
      T e = src[i];
      size_t j = i;
      for (; j > lo && less(e, dst[j - 1]); --j) dst[j] = dst[j - 1];
      dst[j] = e;
    }
    return;
  }
  size_t mid = lo + (hi - lo) / 2;
  // Sort both halves into src (using dst as scratch), then merge them into dst.
  mergeSort(dst, src, lo, mid, less);
  mergeSort(dst, src, mid, hi, less);
  size_t i = lo, j = mid, k = lo;
  while (i < mid && j < hi) dst[k++] = less(src[j], src[i]) ? src[j++] : src[i++];
  while (i < mid) dst[k++] = src[i++];
  while (j < hi) dst[k++] = src[j++];
}

bool sameKeys(const std::vector<kiv::data::KeyComponent>& a,
              const std::vector<kiv::data::KeyComponent>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const kiv::data::KeyComponent& x, const kiv::data::KeyComponent& y) {
                      return x.field == y.field && x.descending == y.descending;
                    });
}

}  // namespace

KivQueueStore::KivQueueStore(std::shared_ptr<const class_descriptor> layout)
    : layout_(std::move(layout)),
      recordSize_(layout_->RecordSize()),
      pool_(recordSize_),
      changes_(clockStart()),
      lastSeen_(changes_ - 1) {}

KivQueueStore::~KivQueueStore() = default;  // the pool gives back every entry at once

// A key list equal to the one in force keeps its comparer and the codes made under it.
bool KivQueueStore::setKeys(const int32_t* fields) {
  std::vector<kiv::data::KeyComponent> keys;
  if (!kiv::data::keysFromNumbers(*layout_, fields, &keys)) return false;
  if (comparer_ && sameKeys(keys, keys_)) return true;
  keys_ = std::move(keys);
  newComparer();
  return true;
}

bool KivQueueStore::setKeys(std::string_view text) {
  std::vector<kiv::data::KeyComponent> keys;
  if (!kiv::data::keysFromText(*layout_, text, &keys)) return false;
  if (comparer_ && sameKeys(keys, keys_)) return true;
  keys_ = std::move(keys);
  newComparer();
  return true;
}

void KivQueueStore::newComparer() {
  comparer_ = std::make_unique<kiv::data::RecordComparer>(*layout_, keys_);
  coded_ = entries_.size() == 0;
  uncodedWork_ = 0;
}

KivQueueStore::Probe KivQueueStore::probe(const uint8_t* buffer) {
  useCodes_ = false;
  if (!comparer_->hasCodes()) return {buffer, 0};
  if (!comparer_->keepCollation()) {
    coded_ = false;
    uncodedWork_ = 0;
  }
  if (entries_.size() == 0) coded_ = true;
  if (!coded_) {
    uncodedWork_ += std::bit_width(entries_.size());  // the comparisons of one binary search
    if (uncodedWork_ >= entries_.size()) codeAll();
  }
  useCodes_ = coded_;
  return {buffer, comparer_->code(buffer)};
}

void KivQueueStore::codeAll() {
  const size_t n = entries_.size();
  if (n > 1 && comparer_->textLength() > 0) {
    const uint8_t* sample = entries_.at(0);
    size_t shared = comparer_->textLength();
    for (size_t pos = 1; pos < n && shared > 0; ++pos)
      shared = comparer_->sharedStart(sample, entries_.at(pos), shared);
    comparer_->setTextStart(sample, shared);
  }
  for (size_t pos = 0; pos < entries_.size(); ++pos) {
    kiv::data::EntryList::Slot& slot = entries_.slot(pos);
    slot.code = comparer_->code(slot.entry);
  }
  coded_ = true;
  uncodedWork_ = 0;
}

int32_t KivQueueStore::compareAt(size_t pos, const Probe& probe) const {
  const kiv::data::EntryList::Slot& slot = entries_.slot(pos);
  if (useCodes_ && slot.code != probe.code) return slot.code < probe.code ? -1 : 1;
  return comparer_->compare(slot.entry, probe.record);
}

size_t KivQueueStore::search(const Probe& probe, bool* found) const {
  size_t lo = 0, hi = entries_.size();  // the range [lo, hi)
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    // The slots of both possible next halves are fetched while this one is compared.
    if (hi - lo > 2) {
      __builtin_prefetch(&entries_.slot(lo + (mid - lo) / 2));
      __builtin_prefetch(&entries_.slot(mid + 1 + (hi - mid - 1) / 2));
    }
    int32_t c = compareAt(mid, probe);
    if (c == 0) {
      *found = true;
      return mid;
    }
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  *found = false;
  return lo;
}

// Equal entries lie together, so the walk over them is a binary search for their end.
size_t KivQueueStore::pastEqual(const Probe& probe, size_t at) const {
  size_t lo = at + 1, hi = entries_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (compareAt(mid, probe) == 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

size_t KivQueueStore::firstEqual(const Probe& probe, size_t at) const {
  size_t lo = 0, hi = at;  // the first equal lies in [lo, hi]
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (compareAt(mid, probe) == 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

size_t KivQueueStore::keyedPosition(const Probe& probe) const {
  bool found = false;
  size_t pos = search(probe, &found);
  return found ? pastEqual(probe, pos) : pos;
}

int32_t KivQueueStore::insertCopy(const void* buffer, size_t pos, uint64_t code) {
  uint8_t* copy = pool_.allocate();
  if (!copy) return kNoMemory;
  std::memcpy(copy, buffer, recordSize_);
  if (!entries_.insert(pos, copy, code)) {
    pool_.release(copy);
    return kNoMemory;
  }
  pointer_ = int32_t(pos + 1);
  changed();
  return kOk;
}

int32_t KivQueueStore::add(const void* buffer) {
  const auto* record = static_cast<const uint8_t*>(buffer);
  if (!hasKeys()) return insertCopy(buffer, entries_.size(), 0);
  const Probe p = probe(record);
  return insertCopy(buffer, keyedPosition(p), p.code);
}

int32_t KivQueueStore::addAt(const void* buffer, int32_t position) {
  size_t pos =
      (position <= 0 || uint32_t(position) > count()) ? entries_.size() : size_t(position - 1);
  return insertCopy(buffer, pos, code(static_cast<const uint8_t*>(buffer)));
}

int32_t KivQueueStore::getAt(void* buffer, int32_t position) {
  if (position <= 0 || uint32_t(position) > count()) {
    pointer_ = 0;
    return kNotFound;
  }
  std::memcpy(buffer, entries_.at(size_t(position - 1)), recordSize_);
  pointer_ = position;
  return kOk;
}

int32_t KivQueueStore::getByKey(void* buffer) {
  if (!hasKeys()) return kNotFound;
  const Probe p = probe(static_cast<const uint8_t*>(buffer));
  bool found = false;
  size_t pos = search(p, &found);
  if (!found) return kNotFound;
  pos = firstEqual(p, pos);
  std::memcpy(buffer, entries_.at(pos), recordSize_);
  pointer_ = int32_t(pos + 1);
  return kOk;
}

int32_t KivQueueStore::put(const void* buffer) {
  if (pointer_ <= 0 || uint32_t(pointer_) > count()) return kNotFound;
  size_t pos = size_t(pointer_ - 1);
  if (!hasKeys()) {
    std::memcpy(entries_.at(pos), buffer, recordSize_);
    changed();
    return kOk;
  }
  // Taken out and added again in key order, keeping its storage.
  uint8_t* entry = entries_.erase(pos);
  std::memcpy(entry, buffer, recordSize_);
  const Probe p = probe(entry);
  size_t to = keyedPosition(p);
  if (!entries_.insert(to, entry, p.code)) {
    pool_.release(entry);
    pointer_ = 0;
    changed();
    return kNoMemory;
  }
  pointer_ = int32_t(to + 1);
  changed();
  return kOk;
}

int32_t KivQueueStore::remove() {
  if (pointer_ <= 0 || uint32_t(pointer_) > count()) return kNotFound;
  pool_.release(entries_.erase(size_t(pointer_ - 1)));
  changed();
  return kOk;
}

int32_t KivQueueStore::sort() {
  if (hasKeys() && entries_.size() > 1) {
    // Every entry is read by the sort anyway: code them all first unless they are.
    const bool codes = comparer_->hasCodes();
    if (codes && (!comparer_->keepCollation() || !coded_)) codeAll();
    std::vector<kiv::data::EntryList::Slot> index, scratch;
    try {
      index = entries_.toVector();
      scratch = index;
    } catch (const std::bad_alloc&) {
      return kNoMemory;
    }
    const auto less = [this, codes](const kiv::data::EntryList::Slot& a,
                                    const kiv::data::EntryList::Slot& b) {
      if (codes && a.code != b.code) return a.code < b.code;
      return comparer_->compare(a.entry, b.entry) < 0;
    };
    mergeSort(scratch, index, 0, index.size(), less);
    if (!entries_.assign(index)) return kNoMemory;
  }
  changed();
  return kOk;
}

int32_t KivQueueStore::modified() {
  int32_t result = changes_ != lastSeen_ ? 1 : 0;
  lastSeen_ = changes_;
  return result;
}
