#include "runtime/data/entry_list.h"

#include <cstring>
#include <new>

namespace kiv::data {

// Moves the logical entries [from, to) of a ring one place up (toward the end); one memmove when
// the span does not wrap around the ring.
void EntryList::moveUp(Block& b, size_t from, size_t to) {
  if (from >= to) return;
  size_t p = (b.head + from) & kMask;
  if (p + (to - from) < kBlock) {
    std::memmove(b.slot + p + 1, b.slot + p, (to - from) * sizeof(Entry));
    return;
  }
  for (size_t j = to; j > from; --j)
    b.slot[(b.head + j) & kMask] = b.slot[(b.head + j - 1) & kMask];
}

// Moves the logical entries [from, to) one place down (toward the front).
void EntryList::moveDown(Block& b, size_t from, size_t to) {
  if (from >= to) return;
  size_t p = (b.head + from) & kMask;
  if (p >= 1 && p + (to - from) <= kBlock) {
    std::memmove(b.slot + p - 1, b.slot + p, (to - from) * sizeof(Entry));
    return;
  }
  for (size_t j = from; j < to; ++j)
    b.slot[(b.head + j - 1) & kMask] = b.slot[(b.head + j) & kMask];
}

bool EntryList::insert(size_t pos, Entry entry) {
  if (size_ == blocks_.size() * kBlock) {
    Block* block = new (std::nothrow) Block;
    if (!block) return false;
    try {
      blocks_.emplace_back(block);
    } catch (const std::bad_alloc&) {
      delete block;
      return false;
    }
  }
  const size_t target = pos >> kShift;
  const size_t last = size_ >> kShift;  // the block that receives the new last position
  // Each later block takes the last entry of the block before it at its front.
  for (size_t k = last; k > target; --k) {
    Block& prev = *blocks_[k - 1];
    Block& cur = *blocks_[k];
    cur.head = (cur.head - 1) & kMask;
    cur.slot[cur.head] = prev.slot[(prev.head + kBlock - 1) & kMask];
  }
  // The target block now has a free slot; shift the shorter side of it.
  Block& b = *blocks_[target];
  const size_t count = target == last ? size_ - (target << kShift) : kBlock - 1;
  const size_t i = pos & kMask;
  if (i < count / 2) {
    moveDown(b, 0, i);
    b.head = (b.head - 1) & kMask;
  } else {
    moveUp(b, i, count);
  }
  b.slot[(b.head + i) & kMask] = entry;
  ++size_;
  return true;
}

EntryList::Entry EntryList::erase(size_t pos) {
  const size_t target = pos >> kShift;
  Block& b = *blocks_[target];
  const size_t count = countIn(target);
  const size_t i = pos & kMask;
  Entry removed = b.slot[(b.head + i) & kMask];
  if (i < count / 2) {
    moveUp(b, 0, i);
    b.head = (b.head + 1) & kMask;
  } else {
    moveDown(b, i + 1, count);
  }
  // Each later block gives its first entry to the end of the block before it.
  const size_t last = (size_ - 1) >> kShift;
  for (size_t k = target + 1; k <= last; ++k) {
    Block& prev = *blocks_[k - 1];
    Block& cur = *blocks_[k];
    prev.slot[(prev.head + kBlock - 1) & kMask] = cur.slot[cur.head];
    cur.head = (cur.head + 1) & kMask;
  }
  --size_;
  // Keep one spare block at most.
  while (blocks_.size() > 1 && blocks_.size() * kBlock >= size_ + 2 * kBlock) blocks_.pop_back();
  return removed;
}

std::vector<EntryList::Entry> EntryList::toVector() const {
  std::vector<Entry> all;
  all.reserve(size_);
  for (size_t pos = 0; pos < size_; ++pos) all.push_back(at(pos));
  return all;
}

bool EntryList::assign(const std::vector<Entry>& entries) {
  const size_t blocksNeeded = (entries.size() + kBlock - 1) >> kShift;
  try {
    while (blocks_.size() < blocksNeeded) blocks_.push_back(std::make_unique<Block>());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (auto& block : blocks_) block->head = 0;
  for (size_t pos = 0; pos < entries.size(); ++pos)
    blocks_[pos >> kShift]->slot[pos & kMask] = entries[pos];
  size_ = entries.size();
  return true;
}

void EntryList::clear() {
  blocks_.clear();
  size_ = 0;
}

}  // namespace kiv::data
