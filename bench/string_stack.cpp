// String-stack costs: push/concatenate/CLIP/pop of short and long strings, and INSTRING of a
// 12-byte text in a 1 MB text beside the C library's memmem on the same data.
#include <benchmark/benchmark.h>
#include <string.h>

#include <random>
#include <string>

#include "include/kvrun32.h"

namespace {

void pushConcatClipPop(benchmark::State& state, const std::string& a, const std::string& b) {
  char target[256];
  for (auto _ : state) {
    Kiv$PushString(a.data(), uint32_t(a.size()));
    Kiv$PushString(b.data(), uint32_t(b.size()));
    Kiv$StackConcat();
    Kiv$StackCLIP();
    Kiv$PopString(target, sizeof target);
    benchmark::DoNotOptimize(target);
  }
}

void BM_ShortStrings(benchmark::State& state) {
  pushConcatClipPop(state, "C:\\DISK  ", "README.TXT   ");
}
BENCHMARK(BM_ShortStrings);

void BM_LongStrings(benchmark::State& state) {
  pushConcatClipPop(state, std::string(100, 'p') + "/",
                    "a-long-file-name.tar.gz" + std::string(60, ' '));
}
BENCHMARK(BM_LongStrings);

void BM_PushPopShort(benchmark::State& state) {
  std::string s = "README.TXT";
  char target[20];
  for (auto _ : state) {
    Kiv$PushString(s.data(), uint32_t(s.size()));
    Kiv$StackCLIP();
    Kiv$PopString(target, sizeof target);
    benchmark::DoNotOptimize(target);
  }
}
BENCHMARK(BM_PushPopShort);

void BM_PushLongPop(benchmark::State& state) {
  char target[20];
  int32_t n = 0;
  for (auto _ : state) {
    Kiv$PushLong(++n);
    Kiv$PopString(target, sizeof target);
    benchmark::DoNotOptimize(target);
  }
}
BENCHMARK(BM_PushLongPop);

const std::string& megabyte() {
  static std::string text = [] {
    std::mt19937 rng(1);
    std::string t(1 << 20, ' ');
    for (char& c : t) c = char('a' + rng() % 26);
    t.replace(t.size() - 40, 12, "needle-12byt");
    return t;
  }();
  return text;
}

void BM_Instring1MB(benchmark::State& state) {
  const std::string& text = megabyte();
  int32_t at = 0;
  for (auto _ : state) {
    Kiv$PushString(text.data(), uint32_t(text.size()));
    Kiv$PushString("needle-12byt", 12);
    at = Kiv$StackINSTRING(1, 1);
    benchmark::DoNotOptimize(at);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  if (at != int32_t(text.size() - 39)) state.SkipWithError("wrong position");
}
BENCHMARK(BM_Instring1MB);

void BM_Memmem1MB(benchmark::State& state) {
  const std::string& text = megabyte();
  const void* hit = nullptr;
  for (auto _ : state) {
    hit = memmem(text.data(), text.size(), "needle-12byt", 12);
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Memmem1MB);

}  // namespace

BENCHMARK_MAIN();
