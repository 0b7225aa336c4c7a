// An ordered list of entry addresses reached by position in constant time, with insertion and
// removal anywhere in O(sqrt n) moves: the list is cut into full blocks (only the last one partly
// filled), each a ring, so a position names its block and slot directly and an insertion shifts
// within one block and passes one slot along each later block. The block size grows with the
// list (the list is cut anew each time its length passes an eighth of the square of the block
// size), which keeps both the shift and the pass short. Each slot carries beside its address a
// 64-bit code that the owner may use to order entries without reading them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kiv::data {

class EntryList {
 public:
  using Entry = uint8_t*;
  struct Slot {
    uint64_t code;
    Entry entry;
  };

  size_t size() const { return size_; }
  // 0-based; pos < size().
  const Slot& slot(size_t pos) const {
    const Block& b = blocks_[pos >> shift_];
    return b.ring[(b.head + pos) & mask()];
  }
  Slot& slot(size_t pos) {
    Block& b = blocks_[pos >> shift_];
    return b.ring[(b.head + pos) & mask()];
  }
  Entry at(size_t pos) const { return slot(pos).entry; }
  // Inserts before pos (pos <= size()). False when no block could be allocated.
  bool insert(size_t pos, Entry entry, uint64_t code = 0) { return insert(pos, Slot{code, entry}); }
  bool insert(size_t pos, const Slot& slot);
  // Removes and gives the entry at pos.
  Entry erase(size_t pos);
  // The slots in order, and back.
  std::vector<Slot> toVector() const;
  bool assign(const std::vector<Slot>& slots);
  void clear();
  // Slots per block; the list is cut into blocks of this size.
  size_t blockSize() const { return size_t(1) << shift_; }

 private:
  static constexpr unsigned kMinShift = 6;   // 64 slots
  static constexpr unsigned kMaxShift = 16;  // 65536 slots
  // The blocks' rings, with their heads kept together so that passing slots along the blocks
  // reads one compact array rather than a line of every block.
  struct Block {
    std::unique_ptr<Slot[]> ring;
    size_t head = 0;  // slot of the block's first entry
  };
  size_t mask() const { return blockSize() - 1; }
  // The shift that suits a list of n entries.
  static unsigned shiftFor(size_t n);
  static bool addBlock(std::vector<Block>& blocks, unsigned shift);
  // Cuts the list anew into blocks of 2^shift slots; false (the list unchanged) without memory.
  bool recut(unsigned shift);
  void moveUp(Block& b, size_t from, size_t to) const;
  void moveDown(Block& b, size_t from, size_t to) const;
  // Entries in block b.
  size_t countIn(size_t b) const {
    size_t start = b << shift_;
    return size_ - start < blockSize() ? size_ - start : blockSize();
  }

  std::vector<Block> blocks_;
  size_t size_ = 0;
  unsigned shift_ = kMinShift;
};

}  // namespace kiv::data
