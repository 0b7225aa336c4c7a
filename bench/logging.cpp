// Disk logging over 200,000 files (2,000 folders of 100, half of them long names that need
// alternate names): the walk into the file list beside `find` over the same tree, and saving
// the list to an empty catalog as a new disk. KIV_LOGGING_TREE names a folder to keep the tree
// in across runs (made when missing, never removed).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/logging/add_to_catalog.h"
#include "bench/bench_tree.h"
#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/walk.h"
#include "app/tables/catalog_tables.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/message_box.h"

namespace {

constexpr int kGroups = 40, kFoldersPerGroup = 50, kFilesPerFolder = 100;
constexpr int64_t kFiles = int64_t(kGroups) * kFoldersPerGroup * kFilesPerFolder;

class Tree {
 public:
  Tree() {
    for (char l = 'Y'; l > 'C' && !letter_; --l)
      if (!kiv::platform::driveOf(l)) letter_ = l;
    if (const char* keep = getenv("KIV_LOGGING_TREE"); keep && *keep) {
      root_ = keep;
      keep_ = true;
    } else {
      char templ[] = "/tmp/kivlogXXXXXX";
      root_ = mkdtemp(templ);
    }
    if (!std::filesystem::exists(root_ + "/group00"))
      MakeBenchTree(root_, kGroups, kFoldersPerGroup, kFilesPerFolder);
    kiv::platform::pinDrive(letter_, {root_, std::string("BENCH"), 0xBEEF0001u});
  }
  ~Tree() {
    kiv::platform::unpinDrive(letter_);
    std::error_code ec;
    if (!keep_) std::filesystem::remove_all(root_, ec);
  }
  const std::string& root() const { return root_; }
  std::string entry() const { return std::string(1, letter_) + ":\\ [FIXED]"; }

 private:
  std::string root_;
  char letter_ = 0;
  bool keep_ = false;
};

const Tree& tree() {
  static Tree t;
  return t;
}

// Progress windows nobody looks at.
class QuietWindows : public AddingWindows {
 public:
  bool selectDisk() override { return false; }
  void openProgress(Progress, std::string_view) override {}
  void closeProgress(Progress) override {}
  void setCaption(std::string_view) override {}
  void setProgress(int32_t, std::string_view) override {}
  void setPath(std::string_view) override {}
  void busyCursor(bool) override {}
  void stop(std::string_view text) override {
    fprintf(stderr, "STOP: %.*s\n", int(text.size()), text.data());
  }
};

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
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The walk alone: every directory entered, every file converted into a file-list entry. The
// list of the run before is emptied outside the timing, as a first logging starts with none.
void BM_WalkIntoFileList(benchmark::State& state) {
  std::string root = tree().entry().substr(0, 3);
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  for (auto _ : state) {
    state.PauseTiming();
    FileList.free();
    Logged.FileCount = 0;
    state.ResumeTiming();
    SetCurrentDirectoryA(root.c_str());
    WalkTree(root);
  }
  if (chdir(cwd) != 0) state.SkipWithError("cannot return");
  if (Logged.FileCount != kFiles) state.SkipWithError("wrong file count");
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_WalkIntoFileList)->Unit(benchmark::kMillisecond)->Iterations(3);

// Log Disk as the window runs it: probe, walk, sort by short name.
void BM_LogDrive(benchmark::State& state) {
  for (auto _ : state) LogDrive(tree().entry());
  if (Logged.FileCount != kFiles) state.SkipWithError("wrong file count");
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_LogDrive)->Unit(benchmark::kMillisecond)->Iterations(3);

// Saving the logged list as a new disk into an empty catalog: DISKS record, 200,000 FILES
// records appended, FILES keys built.
void BM_SaveNewDisk(benchmark::State& state) {
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  if (FileList.records() != kFiles) LogDrive(tree().entry());
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  char templ[] = "/tmp/kivcatXXXXXX";
  std::string catalog = mkdtemp(templ);
  if (chdir(catalog.c_str()) != 0) state.SkipWithError("no catalog folder");
  QuietWindows windows;
  for (auto _ : state) {
    state.PauseTiming();
    for (const auto& e : std::filesystem::directory_iterator(catalog))
      std::filesystem::remove_all(e.path());
    state.ResumeTiming();
    AddToCatalog(windows);
  }
  {
    Files.open();
    if (Files.records() != kFiles) state.SkipWithError("wrong record count");
    Files.close();
  }
  if (chdir(cwd) != 0) state.SkipWithError("cannot return");
  std::filesystem::remove_all(catalog);
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_SaveNewDisk)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
