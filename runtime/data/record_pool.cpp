#include "runtime/data/record_pool.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KIV_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define KIV_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define KIV_POISON(address, size) ((void)(address), (void)(size))
#define KIV_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace kiv::data {
namespace {

constexpr size_t kFirstBlock = 16 * 1024;
constexpr size_t kLargestBlock = 1024 * 1024;
constexpr size_t kBlocksKept = 64;  // 64 MB

// The largest blocks of queues freed lately, kept for the next queues to fill: a catalog program
// logs one disk after another, each into a list it has just emptied, and memory taken again
// from the host costs a page fault every 4 KB.
class KeptBlocks {
 public:
  void* take() {
    std::lock_guard lock(mutex_);
    if (blocks_.empty()) return nullptr;
    void* block = blocks_.back();
    blocks_.pop_back();
    return block;
  }
  // False when enough are kept; the caller frees the block.
  bool keep(void* block) {
    std::lock_guard lock(mutex_);
    if (blocks_.size() >= kBlocksKept) return false;
    blocks_.push_back(block);
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<void*> blocks_;
};

KeptBlocks& keptBlocks() {
  static KeptBlocks* kept = new KeptBlocks;  // never destroyed: pools may outlive statics
  return *kept;
}

}  // namespace

RecordPool::RecordPool(size_t recordSize)
    : stride_((std::max(recordSize, sizeof(void*)) + 15) & ~size_t(15)),
      nextBlockBytes_(kFirstBlock) {}

RecordPool::~RecordPool() {
  for (const Block& b : blocks_) {
    if (b.bytes == kLargestBlock && keptBlocks().keep(b.start)) {
      KIV_POISON(b.start, b.bytes);
      continue;
    }
    KIV_UNPOISON(b.start, b.bytes);
    std::free(b.start);
  }
}

bool RecordPool::grow() {
  const size_t bytes = std::max(nextBlockBytes_, stride_);
  void* start = bytes == kLargestBlock ? keptBlocks().take() : nullptr;
  if (!start) start = std::malloc(bytes);
  if (!start) return false;
  blocks_.push_back({start, bytes});
  next_ = static_cast<uint8_t*>(start);
  end_ = next_ + bytes;
  KIV_POISON(start, bytes);
  nextBlockBytes_ = std::min(bytes * 2, kLargestBlock);
  return true;
}
uint8_t* RecordPool::allocate() {
  uint8_t* record = released_;
  if (record) {
    KIV_UNPOISON(record, stride_);
    std::memcpy(&released_, record, sizeof released_);
    return record;
  }
  if (size_t(end_ - next_) < stride_ && !grow()) return nullptr;
  record = next_;
  next_ += stride_;
  KIV_UNPOISON(record, stride_);
  return record;
}

void RecordPool::release(uint8_t* record) {
  std::memcpy(record, &released_, sizeof released_);
  released_ = record;
  KIV_POISON(record + sizeof released_, stride_ - sizeof released_);
}

}  // namespace kiv::data
