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
#include <thread>

#include "app/frame/frame.h"
#include "app/logging/add_to_catalog.h"
#include "app/logging/log_disk_window.h"
#include "bench/bench_tree.h"
#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/walk.h"
#include "app/tables/catalog_tables.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/message_box.h"
#include "tests/support/quiet_adding.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

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

using QuietWindows = kivtest::QuietAdding;

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

// Log Disk and Save as the user does them, through the real program's windows: the frame's Log
// command, the logging window's drive list, its Log Disk button and its Save area, with the
// progress window of the save. Reported as "LogDisk" (from the press until the list shows every
// file) and "Save" (from the press until the progress window has closed); the time per
// iteration is their sum. Runs on the platform QT_QPA_PLATFORM names (offscreen when unset).
void BM_LogAndSaveThroughTheWindows(benchmark::State& state) {
  namespace au = kiv::ui::automation;
  using Clock = std::chrono::steady_clock;
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  const std::string root = tree().entry().substr(0, 3);
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  char templ[] = "/tmp/kivcatXXXXXX";
  const std::string catalog = mkdtemp(templ);
  setenv("XDG_CONFIG_HOME", catalog.c_str(), 1);
  double logSeconds = 0, saveSeconds = 0;
  auto waitFor = [](auto done, int seconds) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (!done() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
  };
  for (auto _ : state) {
    state.PauseTiming();
    if (chdir(catalog.c_str()) != 0) state.SkipWithError("no catalog folder");
    for (const auto& e : std::filesystem::directory_iterator(catalog))
      if (e.path().filename() != "kvrun32") std::filesystem::remove_all(e.path());
    double logged = 0, saved = 0;
    std::string failure;
    kiv::ui::runProgram([&] {
      std::thread driver([&] {
        uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
        au::press(frame, -10);  // "&Log Disks"
        uint64_t w = 0;
        int thread = 0;
        for (int t : {3, 2, 4})
          if (!w && (w = au::findWindow(t, "LOGDISK$WINDOW", t == 3 ? 20000 : 500))) thread = t;
        int32_t row = 0;
        for (int32_t r = 1; w && r <= au::rowCount(w, logdisk_feq::kDriveList); ++r)
          if (au::cell(w, logdisk_feq::kDriveList, r, 1).find(root) != std::string::npos) row = r;
        if (!row) {
          failure = "no logging window or drive";
        } else {
          au::pickRow(w, logdisk_feq::kDriveList, row);
          waitFor([&] { return au::shownChoice(w, logdisk_feq::kDriveList) == row; }, 10);
          auto start = Clock::now();
          au::press(w, logdisk_feq::kLogButton);
          if (!waitFor([&] { return au::rowCount(w, logdisk_feq::kFileList) == kFiles; }, 600))
            failure = "the list never showed every file";
          logged = std::chrono::duration<double>(Clock::now() - start).count();
          start = Clock::now();
          au::press(w, logdisk_feq::kSaveArea);
          uint64_t progress = au::findWindow(thread, "ADDTOCATALOG$PROGWIN", 60000);
          if (!progress || !au::waitClosed(progress, 600000)) failure = "no save";
          saved = std::chrono::duration<double>(Clock::now() - start).count();
          au::press(w, logdisk_feq::kCloseArea);
          au::waitClosed(w, 20000);
        }
        au::press(frame, -3);  // File > Exit
        au::waitClosed(frame, 20000);
      });
      TarrowProgram();
      Kiv$UNLOCKTHREAD();
      driver.join();
      while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      Kiv$LOCKTHREAD();
    });
    if (chdir(cwd) != 0) failure = "cannot return";
    if (!failure.empty()) {
      fprintf(stderr, "%s\n", failure.c_str());
      state.SkipWithError(failure.c_str());
      break;
    }
    logSeconds += logged;
    saveSeconds += saved;
    state.SetIterationTime(logged + saved);
    state.ResumeTiming();
  }
  state.counters["LogDisk_ms"] = 1000 * logSeconds / double(state.iterations());
  state.counters["Save_ms"] = 1000 * saveSeconds / double(state.iterations());
  std::filesystem::remove_all(catalog);
  unsetenv("XDG_CONFIG_HOME");
}
// One run a process: the program's windows start once.
BENCHMARK(BM_LogAndSaveThroughTheWindows)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
