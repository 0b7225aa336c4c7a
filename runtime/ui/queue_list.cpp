#include "runtime/ui/queue_list.h"

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/data/queue_store.h"

namespace kiv::ui {
namespace {

class QueueListSource : public ListSource {
 public:
  explicit QueueListSource(KivQueue* queue) : queue_(queue) {}

  int32_t rows() override {
    return queue_->store ? static_cast<int32_t>(queue_->store->count()) : 0;
  }

  std::vector<std::string> fields(int32_t row) override {
    std::vector<std::string> out;
    KivQueueStore* store = queue_->store;
    if (!store || row < 1 || static_cast<uint32_t>(row) > store->count()) return out;
    const class_descriptor& layout = store->layout();
    auto* entry = const_cast<uint8_t*>(store->entry(static_cast<uint32_t>(row)));
    out.reserve(layout.NFields());
    for (uint32_t n = 1; n <= layout.NFields(); ++n) {
      std::unique_ptr<Ufo> field(layout.FieldUfo(entry, n));
      if (!field) {
        out.emplace_back();
        continue;
      }
      field->PushValue();
      out.push_back(kiv::core::popText());
    }
    return out;
  }

  // The store's change number, and a new store after FREE counts as a change too.
  uint32_t changes() override {
    KivQueueStore* store = queue_->store;
    return store ? store->changes() ^ static_cast<uint32_t>(reinterpret_cast<uintptr_t>(store)) : 0;
  }

 private:
  KivQueue* queue_;
};

}  // namespace

std::unique_ptr<ListSource> queueListSource(KivQueue* queue) {
  return queue ? std::make_unique<QueueListSource>(queue) : nullptr;
}

}  // namespace kiv::ui
