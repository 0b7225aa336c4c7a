// The keyed-table driver with 1,000,000 FILES records of realistic content: APPEND of all then
// BUILD of all keys; ADD with all keys kept; NEXT through FIL:BYNAME; GET by FIL:BYDISKID; and
// the peak memory of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "tests/support/catalog_tables.h"

using namespace kivtest;

namespace {

constexpr int kRecords = 1000000;
constexpr int kFilesPerDisk = 2000;

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TempDir& workDir() {
  static TempDir dir;
  return dir;
}

void peakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void fill(TableDecl& t, int n) { fillFile(t, 1 + n / kFilesPerDisk, n); }

// Creates and opens the table, then writes every record with `write` (APPEND or ADD) in stream
// mode. Gives the seconds from before STREAM to after FLUSH.
double writeAll(TableDecl& files, void (*write)(KivTable*)) {
  Kiv$FILE_CREATE(&files.table);
  Kiv$FILE_OPEN(&files.table, 0x12);
  auto start = std::chrono::steady_clock::now();
  Kiv$FILE_STREAM(&files.table);
  for (int n = 0; n < kRecords; ++n) {
    fill(files, n);
    write(&files.table);
  }
  Kiv$FILE_FLUSH(&files.table);
  return seconds(start);
}

// APPEND of every record in stream mode, then BUILD of all keys.
void AppendThenBuild(benchmark::State& state) {
  workDir();
  auto files = makeFiles();
  for (auto _ : state) {
    const double append = writeAll(*files, Kiv$FILE_APPENDf);
    auto built = std::chrono::steady_clock::now();
    Kiv$FILE_BUILDf(&files->table);
    if (Kiv$ERRCODE) state.SkipWithError("BUILD failed");
    const double build = seconds(built);
    state.counters["append_s"] = append;
    state.counters["build_s"] = build;
    state.counters["append_plus_build_s"] = append + build;
    Kiv$FILE_CLOSE(&files->table);
  }
  peakMemory(state);
}

// ADD of every record with all keys kept, in stream mode.
void AddWithKeys(benchmark::State& state) {
  workDir();
  auto files = makeFiles("FILESADD");
  for (auto _ : state) {
    const double s = writeAll(*files, Kiv$FILE_ADDf);
    state.counters["add_s"] = s;
    state.counters["adds_per_s"] = kRecords / s;
    Kiv$FILE_CLOSE(&files->table);
    Kiv$FILE_REMOVE(&files->table);
  }
  peakMemory(state);
}

// NEXT through FIL:BYNAME over the whole table, with QUICKSCAN on as the program does.
void NextByName(benchmark::State& state) {
  workDir();
  auto files = makeFiles();
  Kiv$FILE_OPEN(&files->table, 0x42);
  if (Kiv$ERRCODE) return state.SkipWithError("run AppendThenBuild first");
  Kiv$PushCString("QUICKSCAN=on");
  Kiv$FILE_SEND(&files->table);
  Kiv$STACKpop();
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    Kiv$FILE_SETk(files->key(FIL_BYNAME));
    int count = 0;
    for (;;) {
      Kiv$FILE_NEXT(&files->table);
      if (Kiv$ERRCODE) break;
      ++count;
    }
    double s = seconds(start);
    if (count != kRecords) state.SkipWithError("wrong record count");
    state.counters["records_per_s"] = count / s;
  }
  Kiv$FILE_CLOSE(&files->table);
  peakMemory(state);
}

// GET by FIL:BYDISKID of records picked at random.
void GetByDiskId(benchmark::State& state) {
  workDir();
  auto files = makeFiles();
  Kiv$FILE_OPEN(&files->table, 0x42);
  if (Kiv$ERRCODE) return state.SkipWithError("run AppendThenBuild first");
  std::mt19937 rng(5);
  constexpr int kGets = 200000;
  std::vector<int> picks(kGets);
  for (int& p : picks) p = static_cast<int>(rng() % kRecords);
  for (auto _ : state) {
    int found = 0;
    auto start = std::chrono::steady_clock::now();
    for (int n : picks) {
      files->clear();
      fill(*files, n);
      Kiv$FILE_GETfk(&files->table, files->key(FIL_BYDISKID));
      if (Kiv$ERRCODE == 0) ++found;
    }
    double s = seconds(start);
    if (found != kGets) state.SkipWithError("a record was not found");
    state.counters["gets_per_s"] = kGets / s;
  }
  Kiv$FILE_CLOSE(&files->table);
  peakMemory(state);
}

}  // namespace

BENCHMARK(AppendThenBuild)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(NextByName)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(GetByDiskId)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(AddWithKeys)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
