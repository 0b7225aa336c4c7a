// A breadth-first walk of 200,000 files (2,000 folders of 100) through FindFirstFileA and
// FindNextFileA, beside `find` over the same tree. Half the names are long names that need
// alternate names (100 per folder share one basis). The logging variant enters each folder
// with an upper-case path and converts the three times of every file, as disk logging does.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/platform/drive_map.h"
#include "bench/bench_tree.h"

namespace {

constexpr int kGroups = 40, kFoldersPerGroup = 50, kFilesPerFolder = 100;
constexpr int64_t kFiles = int64_t(kGroups) * kFoldersPerGroup * kFilesPerFolder;

// The tree, made once for the whole run and removed at exit. KIV_WALK_TREE names a folder to
// keep the tree in across runs instead (made when missing, never removed).
class Tree {
 public:
  Tree() {
    if (const char* keep = getenv("KIV_WALK_TREE"); keep && *keep) {
      root_ = keep;
      keepTree_ = true;
      if (std::filesystem::exists(root_ + "/group00")) {
        kiv::platform::pinDrive('W', {root_, {}, {}});
        return;
      }
    } else {
      char templ[] = "/tmp/kivwalkXXXXXX";
      root_ = mkdtemp(templ);
    }
    MakeBenchTree(root_, kGroups, kFoldersPerGroup, kFilesPerFolder);
    kiv::platform::pinDrive('W', {root_, {}, {}});
  }
  ~Tree() {
    if (keepTree_) return;
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
  bool keepTree_ = false;
};

const Tree& tree() {
  static Tree t;
  return t;
}

// Breadth first over drive paths as written; gives the number of files seen.
int64_t findWalk() {
  std::deque<std::string> folders{"W:"};
  int64_t files = 0;
  KivFindData d{};
  while (!folders.empty()) {
    std::string folder = std::move(folders.front());
    folders.pop_front();
    KivFindHandle h = FindFirstFileA((folder + "\\*.*").c_str(), &d);
    if (h == KIV_INVALID_HANDLE) continue;
    do {
      if (d.name[0] == '.') continue;
      if (d.attributes & KIV_ATTR_DIRECTORY)
        folders.push_back(folder + "\\" + d.name);
      else
        ++files;
    } while (FindNextFileA(h, &d));
    FindClose(h);
  }
  return files;
}

std::string upper(std::string s) {
  for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
  return s;
}

// The disk-logging walk: enter each folder by its upper-case path, search "*.*", convert the
// three times of each file to local calendar fields.
int64_t loggingWalk() {
  std::deque<std::string> folders{"W:\\"};
  int64_t files = 0;
  KivFindData d{};
  KivSystemTime st{};
  bool root = true;
  while (!folders.empty()) {
    std::string folder = std::move(folders.front());
    folders.pop_front();
    if (!SetCurrentDirectoryA(folder.c_str())) break;
    std::string prefix = root ? folder : folder + "\\";
    root = false;
    KivFindHandle h = FindFirstFileA((prefix + "*.*").c_str(), &d);
    if (h == KIV_INVALID_HANDLE) continue;
    do {
      if (d.name[0] == '.') continue;
      if (d.attributes & KIV_ATTR_DIRECTORY) {
        folders.push_back(upper(prefix + d.name));
      } else {
        for (KivFileTime t : {d.creationTime, d.accessTime, d.writeTime}) {
          KivFileTime local = 0;
          FileTimeToLocalFileTime(&t, &local);
          FileTimeToSystemTime(&local, &st);
        }
        ++files;
      }
    } while (FindNextFileA(h, &d));
    FindClose(h);
  }
  benchmark::DoNotOptimize(st);
  return files;
}

void BM_FindFirstNextWalk(benchmark::State& state) {
  tree();
  int64_t files = 0;
  for (auto _ : state) files = findWalk();
  if (files != kFiles) state.SkipWithError("wrong file count");
  state.counters["files"] = double(files);
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_FindFirstNextWalk)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoggingWalk(benchmark::State& state) {
  tree();
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  int64_t files = 0;
  for (auto _ : state) files = loggingWalk();
  if (chdir(cwd) != 0) state.SkipWithError("cannot return to the start folder");
  if (files != kFiles) state.SkipWithError("wrong file count");
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_LoggingWalk)->Unit(benchmark::kMillisecond)->Iterations(5);

// The least any walk that reports sizes and times must do: readdir and one statx per entry,
// directly on the host paths.
int64_t readdirStatxWalk(const std::string& top) {
  std::deque<std::string> folders{top};
  int64_t files = 0;
  while (!folders.empty()) {
    std::string folder = std::move(folders.front());
    folders.pop_front();
    DIR* dir = opendir(folder.c_str());
    if (!dir) continue;
    while (dirent* e = readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      struct statx sx {};
      statx(dirfd(dir), e->d_name, AT_SYMLINK_NOFOLLOW,
            STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx);
      if (S_ISDIR(sx.stx_mode))
        folders.push_back(folder + "/" + e->d_name);
      else
        ++files;
    }
    closedir(dir);
  }
  return files;
}

void BM_ReaddirStatxFloor(benchmark::State& state) {
  int64_t files = 0;
  for (auto _ : state) files = readdirStatxWalk(tree().root());
  if (files != kFiles) state.SkipWithError("wrong file count");
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_ReaddirStatxFloor)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same floor with the work split over every processor: the group folders are dealt out
// to one thread each.
void BM_ReaddirStatxFloorAllProcessors(benchmark::State& state) {
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> groups;
  for (const auto& e : std::filesystem::directory_iterator(tree().root()))
    if (e.is_directory()) groups.push_back(e.path().string());
  int64_t files = 0;
  for (auto _ : state) {
    std::atomic<int64_t> counted{0};
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
      workers.emplace_back([&] {
        for (size_t g; (g = next++) < groups.size();) counted += readdirStatxWalk(groups[g]);
      });
    for (std::thread& w : workers) w.join();
    files = counted;
  }
  if (files != kFiles) state.SkipWithError("wrong file count");
  state.counters["threads"] = threads;
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_ReaddirStatxFloorAllProcessors)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FindCommand(benchmark::State& state) {
  std::string command = "find " + tree().root() + " > /dev/null";
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (system(command.c_str()) != 0) state.SkipWithError("find failed");
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
