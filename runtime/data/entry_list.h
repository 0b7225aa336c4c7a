// An ordered list of entry addresses reached by position in constant time, with insertion and
// removal anywhere in O(sqrt n) moves: the list is cut into full blocks of 1024 slots (only the
// last one partly filled), each a ring, so a position names its block and slot directly and an
// insertion shifts within one block and passes one address along each later block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kiv::data {

class EntryList {
 public:
  using Entry = uint8_t*;

  size_t size() const { return size_; }
  // 0-based; pos < size().
  Entry at(size_t pos) const {
    const Block& b = *blocks_[pos >> kShift];
    return b.slot[(b.head + pos) & kMask];
  }
  Entry& at(size_t pos) {
    Block& b = *blocks_[pos >> kShift];
    return b.slot[(b.head + pos) & kMask];
  }
  // Inserts before pos (pos <= size()). False when no block could be allocated.
  bool insert(size_t pos, Entry entry);
  // Removes and gives the entry at pos.
  Entry erase(size_t pos);
  // The entries in order, and back.
  std::vector<Entry> toVector() const;
  bool assign(const std::vector<Entry>& entries);
  void clear();

 private:
  static constexpr unsigned kShift = 10;
  static constexpr size_t kBlock = size_t(1) << kShift;
  static constexpr size_t kMask = kBlock - 1;
  struct Block {
    Entry slot[kBlock];
    size_t head = 0;  // slot of the block's first entry
  };
  static void moveUp(Block& b, size_t from, size_t to);
  static void moveDown(Block& b, size_t from, size_t to);
  // Entries in block b.
  size_t countIn(size_t b) const {
    size_t start = b << kShift;
    return size_ - start < kBlock ? size_ - start : kBlock;
  }

  std::vector<std::unique_ptr<Block>> blocks_;
  size_t size_ = 0;
};

}  // namespace kiv::data
