// FORMAT of LONG values and dates, and collating and case-blind comparisons of 20-byte strings.
#include <benchmark/benchmark.h>

#include <cstring>

#include "include/kvrun32.h"

namespace {

void formatLong(benchmark::State& state, const char* pict) {
  uint32_t len = uint32_t(std::strlen(pict));
  int32_t value = -987654;
  for (auto _ : state) {
    KivHeapStr s{};
    Kiv$FORMATlong(&s, value, pict, len);
    benchmark::DoNotOptimize(s.addr);
    Kiv$freestr(&s);
    value += 7919;
  }
}

void FormatLongN13(benchmark::State& state) { formatLong(state, "@n13"); }
void FormatLongNMinus13(benchmark::State& state) { formatLong(state, "@n-13"); }

void formatDate(benchmark::State& state, const char* pict) {
  uint32_t len = uint32_t(std::strlen(pict));
  int32_t serial = 4;
  for (auto _ : state) {
    KivHeapStr s{};
    Kiv$FORMATlong(&s, serial, pict, len);
    benchmark::DoNotOptimize(s.addr);
    Kiv$freestr(&s);
    serial = serial >= 109000 ? 4 : serial + 37;
  }
}

void FormatDateD2(benchmark::State& state) { formatDate(state, "@d2"); }
void FormatDateD4(benchmark::State& state) { formatDate(state, "@d4"); }

const char kA[] = "Catalog entry 000017";
const char kB[] = "CATALOG ENTRY 000018";

void CollatingCompare20(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Kiv$comparestr(kA, 20, kB, 20));
}

void CaseBlindCompare20(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Kiv$isficompare(kA, kB, 20));
}

void CaseBlindStackCompare20(benchmark::State& state) {
  for (auto _ : state) {
    Kiv$PushString(kA, 20);
    Kiv$PushString(kB, 20);
    benchmark::DoNotOptimize(Kiv$StackCompareI());
  }
}

BENCHMARK(FormatLongN13);
BENCHMARK(FormatLongNMinus13);
BENCHMARK(FormatDateD2);
BENCHMARK(FormatDateD4);
BENCHMARK(CollatingCompare20);
BENCHMARK(CaseBlindCompare20);
BENCHMARK(CaseBlindStackCompare20);

}  // namespace

BENCHMARK_MAIN();
