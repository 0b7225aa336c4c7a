// Fixed-size records for one queue, carved from blocks that grow with the queue: adding a
// record costs no call into the general allocator, a record removed is reused by the next one
// added, and the blocks go back all at once with the queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kiv::data {

class RecordPool {
 public:
  explicit RecordPool(size_t recordSize);
  ~RecordPool();
  RecordPool(const RecordPool&) = delete;
  RecordPool& operator=(const RecordPool&) = delete;

  // A record's worth of storage, its contents undefined; nullptr when memory runs out.
  uint8_t* allocate();
  // Gives back a record `allocate` gave.
  void release(uint8_t* record);

 private:
  struct Block {
    void* start;
    size_t bytes;
  };
  bool grow();

  const size_t stride_;  // the record size rounded up to keep records aligned
  std::vector<Block> blocks_;
  uint8_t* next_ = nullptr;  // where the newest block's unused part starts, and ends
  uint8_t* end_ = nullptr;
  uint8_t* released_ = nullptr;  // records given back, each holding the address of the next
  size_t nextBlockBytes_;
};

}  // namespace kiv::data
