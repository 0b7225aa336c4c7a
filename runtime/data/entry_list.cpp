#include "runtime/data/entry_list.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kiv::data {

unsigned EntryList::shiftFor(size_t n) {
  unsigned shift = kMinShift;
  while (shift < kMaxShift && n > (size_t(1) << (2 * shift - 3))) ++shift;
  return shift;
}

bool EntryList::addBlock(std::vector<Block>& blocks, unsigned shift) {
  std::unique_ptr<Slot[]> ring(new (std::nothrow) Slot[size_t(1) << shift]);
  if (!ring) return false;
  try {
    blocks.push_back(Block{std::move(ring), 0});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool EntryList::recut(unsigned shift) {
  const size_t block = size_t(1) << shift;
  std::vector<Block> blocks;
  try {
    blocks.reserve((size_ + block) >> shift);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t start = 0; start < size_; start += block) {
    if (!addBlock(blocks, shift)) return false;
    Slot* to = blocks.back().ring.get();
    for (size_t pos = start; pos < size_ && pos - start < block; ++pos) to[pos - start] = slot(pos);
  }
  blocks_ = std::move(blocks);
  shift_ = shift;
  return true;
}

// Moves the logical entries [from, to) of a ring one place up (toward the end): one memmove, or
// two and the slot that crosses from the last physical slot to the first when the span wraps.
void EntryList::moveUp(Block& b, size_t from, size_t to) const {
  if (from >= to) return;
  const size_t n = blockSize();
  Slot* ring = b.ring.get();
  const size_t p = (b.head + from) & mask();
  const size_t end = p + (to - from);  // physical end, beyond n when the span wraps
  if (end < n) {
    std::memmove(ring + p + 1, ring + p, (to - from) * sizeof(Slot));
    return;
  }
  const size_t wrapped = end - n;  // entries at the physical front
  std::memmove(ring + 1, ring, wrapped * sizeof(Slot));
  ring[0] = ring[n - 1];
  std::memmove(ring + p + 1, ring + p, (n - 1 - p) * sizeof(Slot));
}

// Moves the logical entries [from, to) one place down (toward the front).
void EntryList::moveDown(Block& b, size_t from, size_t to) const {
  if (from >= to) return;
  const size_t n = blockSize();
  Slot* ring = b.ring.get();
  const size_t p = (b.head + from) & mask();
  const size_t end = p + (to - from);
  if (p >= 1 && end <= n) {
    std::memmove(ring + p - 1, ring + p, (to - from) * sizeof(Slot));
    return;
  }
  if (p == 0) {  // the first one goes to the last physical slot
    ring[n - 1] = ring[0];
    std::memmove(ring, ring + 1, (to - from - 1) * sizeof(Slot));
    return;
  }
  std::memmove(ring + p - 1, ring + p, (n - p) * sizeof(Slot));
  ring[n - 1] = ring[0];
  std::memmove(ring, ring + 1, (end - n - 1) * sizeof(Slot));
}

bool EntryList::insert(size_t pos, const Slot& entry) {
  // A list outgrowing its block size is cut anew; without memory for that it goes on as it is.
  if (shift_ < kMaxShift && size_ + 1 > (size_t(1) << (2 * shift_ - 3))) recut(shiftFor(size_ + 1));
  if (size_ == blocks_.size() * blockSize() && !addBlock(blocks_, shift_)) return false;
  const size_t m = mask();
  const size_t target = pos >> shift_;
  const size_t last = size_ >> shift_;  // the block that receives the new last position
  // Each later block takes the last entry of the block before it at its front.
  for (size_t k = last; k > target; --k) {
    const Block& prev = blocks_[k - 1];
    Block& cur = blocks_[k];
    cur.head = (cur.head - 1) & m;
    cur.ring[cur.head] = prev.ring[(prev.head + m) & m];
  }
  // The target block now has a free slot; shift the shorter side of it.
  Block& b = blocks_[target];
  const size_t count = target == last ? size_ - (target << shift_) : m;
  const size_t i = pos & m;
  if (i < count / 2) {
    moveDown(b, 0, i);
    b.head = (b.head - 1) & m;
  } else {
    moveUp(b, i, count);
  }
  b.ring[(b.head + i) & m] = entry;
  ++size_;
  return true;
}

EntryList::Entry EntryList::erase(size_t pos) {
  const size_t m = mask();
  const size_t target = pos >> shift_;
  Block& b = blocks_[target];
  const size_t count = countIn(target);
  const size_t i = pos & m;
  Entry removed = b.ring[(b.head + i) & m].entry;
  if (i < count / 2) {
    moveUp(b, 0, i);
    b.head = (b.head + 1) & m;
  } else {
    moveDown(b, i + 1, count);
  }
  // Each later block gives its first entry to the end of the block before it.
  const size_t last = (size_ - 1) >> shift_;
  for (size_t k = target + 1; k <= last; ++k) {
    Block& prev = blocks_[k - 1];
    Block& cur = blocks_[k];
    prev.ring[(prev.head + m) & m] = cur.ring[cur.head];
    cur.head = (cur.head + 1) & m;
  }
  --size_;
  // Keep one spare block at most.
  while (blocks_.size() > 1 && blocks_.size() * blockSize() >= size_ + 2 * blockSize())
    blocks_.pop_back();
  return removed;
}

std::vector<EntryList::Slot> EntryList::toVector() const {
  std::vector<Slot> all;
  all.reserve(size_);
  for (size_t pos = 0; pos < size_; ++pos) all.push_back(slot(pos));
  return all;
}

bool EntryList::assign(const std::vector<Slot>& entries) {
  const unsigned shift = std::max(shift_, shiftFor(entries.size()));
  const size_t blocksNeeded = (entries.size() + (size_t(1) << shift) - 1) >> shift;
  if (shift != shift_) {
    std::vector<Block> blocks;
    while (blocks.size() < blocksNeeded)
      if (!addBlock(blocks, shift)) return false;
    blocks_ = std::move(blocks);
    shift_ = shift;
  }
  while (blocks_.size() < blocksNeeded)
    if (!addBlock(blocks_, shift_)) return false;
  for (Block& block : blocks_) block.head = 0;
  for (size_t pos = 0; pos < entries.size(); ++pos)
    blocks_[pos >> shift_].ring[pos & mask()] = entries[pos];
  size_ = entries.size();
  return true;
}

void EntryList::clear() {
  blocks_.clear();
  size_ = 0;
  shift_ = kMinShift;
}

}  // namespace kiv::data
