// The queue entry points: each clears a pending error, creates the queue's store on first use
// and reports its failure through the error state.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/data/queue_store.h"

namespace {

constexpr size_t kMaxKeyText = 255;
constexpr int32_t kNoMemory = 8;
constexpr int32_t kBadField = 75;

void report(int32_t code) {
  if (code != 0) Kiv$seterror(code);
}

// Clears the error state and gives the queue's store, creating it when the queue has none.
KivQueueStore* enter(KivQueue* queue) {
  Kiv$clearerror();
  if (!queue) return nullptr;
  if (queue->store) return queue->store;
  auto layout = std::make_shared<const class_descriptor>(queue->layout);
  if (!layout->Valid()) {
    report(kBadField);
    return nullptr;
  }
  queue->store = new (std::nothrow) KivQueueStore(std::move(layout));
  if (!queue->store) report(kNoMemory);
  return queue->store;
}

std::string popKeyText() {
  std::string text = kiv::core::popText();
  if (text.size() > kMaxKeyText) text.resize(kMaxKeyText);
  return text;
}

// Sets a key list given as field numbers or as text; false (error 75 set) when a field is unknown.
bool setKeys(KivQueueStore* store, const int32_t* fields) {
  if (store->setKeys(fields)) return true;
  report(kBadField);
  return false;
}

bool setKeys(KivQueueStore* store, const std::string& text) {
  if (store->setKeys(text)) return true;
  report(kBadField);
  return false;
}

}  // namespace

extern "C" {

void Kiv$ADDqueue(KivQueue* queue) {
  if (KivQueueStore* s = enter(queue)) report(s->add(queue->buffer));
}

void Kiv$ADDqueueptr(KivQueue* queue, int32_t position) {
  if (KivQueueStore* s = enter(queue)) report(s->addAt(queue->buffer, position));
}

void Kiv$ADDqueuekey(KivQueue* queue, const int32_t* fields) {
  if (KivQueueStore* s = enter(queue); s && setKeys(s, fields)) report(s->add(queue->buffer));
}

void Kiv$ADDqueueskey(KivQueue* queue) {
  std::string text = popKeyText();
  if (KivQueueStore* s = enter(queue); s && setKeys(s, text)) report(s->add(queue->buffer));
}

void Kiv$GETqueueptr(KivQueue* queue, int32_t position) {
  if (KivQueueStore* s = enter(queue)) report(s->getAt(queue->buffer, position));
}

void Kiv$GETqueuekey(KivQueue* queue, const int32_t* fields) {
  if (KivQueueStore* s = enter(queue); s && setKeys(s, fields)) report(s->getByKey(queue->buffer));
}

void Kiv$GETqueueskey(KivQueue* queue) {
  std::string text = popKeyText();
  if (KivQueueStore* s = enter(queue); s && setKeys(s, text)) report(s->getByKey(queue->buffer));
}

void Kiv$PUTqueue(KivQueue* queue) {
  if (KivQueueStore* s = enter(queue)) report(s->put(queue->buffer));
}

void Kiv$PUTqueuekey(KivQueue* queue, const int32_t* fields) {
  if (KivQueueStore* s = enter(queue); s && setKeys(s, fields)) report(s->put(queue->buffer));
}

void Kiv$PUTqueueskey(KivQueue* queue) {
  std::string text = popKeyText();
  if (KivQueueStore* s = enter(queue); s && setKeys(s, text)) report(s->put(queue->buffer));
}

void Kiv$DELETEqueue(KivQueue* queue) {
  if (KivQueueStore* s = enter(queue)) report(s->remove());
}

void Kiv$SORTqueuekey(KivQueue* queue, const int32_t* fields) {
  if (KivQueueStore* s = enter(queue); s && setKeys(s, fields)) report(s->sort());
}

void Kiv$SORTqueueskey(KivQueue* queue) {
  std::string text = popKeyText();
  if (KivQueueStore* s = enter(queue); s && setKeys(s, text)) report(s->sort());
}

int32_t Kiv$RECORDSqueue(KivQueue* queue) {
  KivQueueStore* s = enter(queue);
  return s ? int32_t(s->count()) : 0;
}

int32_t Kiv$POINTERqueue(KivQueue* queue) {
  KivQueueStore* s = enter(queue);
  return s ? s->pointer() : 0;
}

int32_t Kiv$MODIFIEDqueue(KivQueue* queue) {
  KivQueueStore* s = enter(queue);
  return s ? s->modified() : 0;
}

int32_t Kiv$NUMCHANGESqueue(KivQueue* queue) {
  KivQueueStore* s = enter(queue);
  return s ? int32_t(s->changes()) : 0;
}

void Kiv$FREEqueue(KivQueue* queue) {
  Kiv$clearerror();
  if (!queue) return;
  delete queue->store;
  queue->store = nullptr;
}

KivQueue* Kiv$NEWqueue(const uint8_t* layout) {
  Kiv$clearerror();
  class_descriptor description(layout);
  if (!description.Valid()) {
    report(kBadField);
    return nullptr;
  }
  auto* queue = static_cast<KivQueue*>(std::calloc(1, sizeof(KivQueue)));
  void* buffer = std::calloc(1, description.RecordSize() ? description.RecordSize() : 1);
  if (!queue || !buffer) {
    std::free(queue);
    std::free(buffer);
    report(kNoMemory);
    return nullptr;
  }
  description.Clear(buffer, 0);
  queue->buffer = buffer;
  queue->layout = layout;
  return queue;
}

void Kiv$DISPOSEqueue(KivQueue* queue) {
  if (!queue) return;
  Kiv$FREEqueue(queue);
  std::free(queue->buffer);
  std::free(queue);
}

}  // extern "C"
