// Queues of 1,000,000 entries: keyed ADD, SORT by two keys, keyed GET.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"

namespace {

constexpr int32_t kEntries = 1000000;

// A file-list entry: name, size, and the folder it lies in.
struct FileQueue {
  std::vector<uint8_t> layout;
  std::vector<uint8_t> buffer;
  KivQueue queue{};
  uint32_t nameAt = 0, sizeAt = 0, folderAt = 0;

  FileQueue() {
    CLASS_DESCRIPTOR build;
    build.SETUP("FQ");
    build.ADDFIELD(KIV_STRING, 13, "FQ:NAME");
    build.ADDFIELD(KIV_LONG, 0, "FQ:SIZE");
    build.ADDFIELD(KIV_STRING, 40, "FQ:FOLDER");
    layout = build.ENDDECLARATION();
    class_descriptor d(layout.data());
    nameAt = d.FieldDesc(1).offset;
    sizeAt = d.FieldDesc(2).offset;
    folderAt = d.FieldDesc(3).offset;
    buffer.assign(d.RecordSize(), ' ');
    queue = {buffer.data(), nullptr, layout.data()};
  }
  ~FileQueue() { Kiv$FREEqueue(&queue); }

  void set(uint32_t n) {
    char name[16];
    std::snprintf(name, sizeof name, "F%07u.DAT", n % 400000);  // about 2.5 entries per name
    std::memcpy(buffer.data() + nameAt, name, std::strlen(name));
    int32_t size = int32_t(n * 2654435761u % 100000000u);
    std::memcpy(buffer.data() + sizeAt, &size, 4);
    char folder[24];
    std::snprintf(folder, sizeof folder, "/data/dir%05u", n % 5000);
    std::memset(buffer.data() + folderAt, ' ', 40);
    std::memcpy(buffer.data() + folderAt, folder, std::strlen(folder));
  }
};

std::vector<uint32_t> shuffled(uint32_t n) {
  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < n; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(42));
  return order;
}

void BM_AddByKey(benchmark::State& state) {
  const std::vector<uint32_t> order = shuffled(kEntries);
  const int32_t key[] = {2, 0};  // by size, entries in random order
  for (auto _ : state) {
    FileQueue q;
    q.set(order[0]);
    Kiv$ADDqueuekey(&q.queue, key);
    for (int32_t i = 1; i < kEntries; ++i) {
      q.set(order[size_t(i)]);
      Kiv$ADDqueue(&q.queue);
    }
    if (Kiv$RECORDSqueue(&q.queue) != kEntries) state.SkipWithError("lost entries");
    state.PauseTiming();  // freeing is not part of the ADDs
    Kiv$FREEqueue(&q.queue);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_SortByTwoKeys(benchmark::State& state) {
  const std::vector<uint32_t> order = shuffled(kEntries);
  for (auto _ : state) {
    state.PauseTiming();
    FileQueue q;
    for (uint32_t n : order) {
      q.set(n);
      Kiv$ADDqueue(&q.queue);
    }
    const char* keyText = "FQ:FOLDER, -FQ:SIZE";
    state.ResumeTiming();
    Kiv$PushCString(keyText);
    Kiv$SORTqueueskey(&q.queue);
    state.PauseTiming();
    if (Kiv$ERRCODE != 0) state.SkipWithError("sort failed");
    Kiv$FREEqueue(&q.queue);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_GetByKey(benchmark::State& state) {
  FileQueue q;
  const int32_t key[] = {1, 0};  // by name
  q.set(0);
  Kiv$ADDqueuekey(&q.queue, key);
  for (uint32_t n : shuffled(kEntries)) {
    if (n == 0) continue;
    q.set(n);
    Kiv$ADDqueue(&q.queue);
  }
  std::mt19937 random(5);
  int64_t found = 0;
  for (auto _ : state) {
    q.set(random() % kEntries);
    Kiv$GETqueuekey(&q.queue, key);
    found += Kiv$ERRCODE == 0;
  }
  if (found != int64_t(state.iterations())) state.SkipWithError("an entry was not found");
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_AddByKey)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByTwoKeys)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetByKey)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
