// The reports over a catalog of 1,000,000 files (100 disks of 10,000), through the real
// program's windows: the duplicate report of the whole catalog from the wizard's Finish until its
// last page is recorded (the progress window closes) and until the preview shows its first
// page, with the memory the recording took; and the file list of a 10,000-file disk from its
// start until the preview shows its first page. KIV_CATALOG_1M names a folder that keeps the
// catalog across runs (made when missing). Runs on the platform QT_QPA_PLATFORM names
// (offscreen when unset).
//
// A quarter of the files have duplicates: 1,500 names on every disk and 1,000 names shared by
// each pair of disks; the rest are unique.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/frame/frame.h"
#include "app/reports/reports.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "bench/bench_catalog.h"
#include "runtime/platform/message_box.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

namespace {

namespace au = kiv::ui::automation;
using Clock = std::chrono::steady_clock;

constexpr int kDisks = 100, kFilesPerDisk = 10000;
constexpr int kSharedByAll = 1500, kSharedByPairs = 1000;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// Kilobytes of a line of /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
  return 0;
}

template <typename Done>
bool WaitFor(Done done, int seconds) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (!done() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return done();
}

uint64_t FindAnyWindow(const std::string& label, int seconds) {
  uint64_t found = 0;
  WaitFor(
      [&] {
        for (int t = 1; t <= 12 && !found; ++t) found = au::findWindow(t, label, 0);
        return found != 0;
      },
      seconds);
  return found;
}

// The catalog's folder, filled once.
class Catalog {
 public:
  Catalog() {
    if (const char* keep = getenv("KIV_CATALOG_1M"); keep && *keep) {
      folder_ = keep;
      keep_ = true;
      std::filesystem::create_directories(folder_);
    } else {
      char templ[] = "/tmp/kivcat1mXXXXXX";
      folder_ = mkdtemp(templ);
    }
    char cwd[4096];
    home_ = getcwd(cwd, sizeof cwd) ? cwd : "/tmp";
    if (chdir(folder_.c_str()) != 0) return;
    bool made = false;
    {
      CatalogUse files(Files, FilesUseCount);
      made = Files.records() == kDisks * kFilesPerDisk;
    }
    if (!made) Fill();
    if (chdir(home_.c_str()) != 0) return;
  }
  ~Catalog() {
    std::error_code ec;
    if (!keep_) std::filesystem::remove_all(folder_, ec);
  }
  const std::string& folder() const { return folder_; }

 private:
  void Fill() {
    for (const auto& e : std::filesystem::directory_iterator(folder_))
      if (e.path().filename() != "kvrun32") std::filesystem::remove_all(e.path());
    const auto start = Clock::now();
    char name[16], path[64];
    auto disk = [&](int32_t d) {
      Disks.rec.clear();
      Disks.rec.IdNum = d;
      std::snprintf(name, sizeof name, "BACKUP%03d", d);
      Disks.rec.Label = name;
      Disks.rec.Category = d % 4 ? "Backups" : "Music";
      Disks.rec.TotalBytes.setWhole(500000000000u + uint64_t(d) * 1000000);
      Disks.rec.FreeSpace.setWhole(uint64_t(d) * 1000000000);
      Disks.rec.SerialNo = "1A2B-3C4D";
      Disks.rec.Type = "F";
      Disks.rec.Files = kFilesPerDisk;
    };
    auto file = [&](int32_t d, int32_t i) {
      if (i < kSharedByAll)
        std::snprintf(name, sizeof name, "SH%06d.TXT", i);
      else if (i < kSharedByAll + kSharedByPairs)
        std::snprintf(name, sizeof name, "PR%06d.DAT", (d - 1) / 2 * kFilesPerDisk + i);
      else
        std::snprintf(name, sizeof name, "U%07d.BIN", d * kFilesPerDisk + i);
      std::snprintf(path, sizeof path, "C:\\DATA\\DIR%03d\\%s", i % 500, name);
      Files.rec.clear();
      Files.rec.DiskId = d;
      Files.rec.ShortName = name;
      Files.rec.DisplayDate = 80000 + i % 3000;
      Files.rec.DisplayTime = 1 + (i % 8640) * 1000;
      Files.rec.Size.setWhole(uint64_t(i) * 1237 + uint64_t(d));
      Files.rec.Attrib = "A";
      Files.rec.Path = path;
      Files.rec.LongName = name;
    };
    WriteBenchCatalog(kDisks, kFilesPerDisk, disk, file);
    std::fprintf(stderr, "catalog of %d files made in %.1f s\n", kDisks * kFilesPerDisk,
                 Seconds(start));
  }

  std::string folder_, home_;
  bool keep_ = false;
};

const Catalog& catalog() {
  static Catalog c;
  return c;
}

// Runs the program in the catalog's folder while `driver` acts on its windows.
void RunProgramWith(const std::function<void(uint64_t frame)>& driver) {
  char cwd[4096];
  std::string home = getcwd(cwd, sizeof cwd) ? cwd : "/tmp";
  if (chdir(catalog().folder().c_str()) != 0) return;
  kiv::ui::runProgram([&] {
    std::thread d([&] {
      uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 30000);
      driver(frame);
      au::press(frame, -3);  // File > Exit
      au::waitClosed(frame, 60000);
    });
    TarrowProgram();
    Kiv$UNLOCKTHREAD();
    d.join();
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
  if (chdir(home.c_str()) != 0) return;
}

// The number of pages the preview says it has ("Page 1 of 8750").
int32_t PreviewPages(uint64_t preview) {
  std::string status = au::statusText(preview, 2);
  size_t of = status.rfind(" of ");
  return of == std::string::npos ? 0 : std::atoi(status.c_str() + of + 4);
}

void BM_DuplicatesOfTheWholeCatalog(benchmark::State& state) {
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  catalog();
  setenv("XDG_CONFIG_HOME", catalog().folder().c_str(), 1);
  double lastPage = 0, firstPreview = 0;
  int32_t pages = 0;
  long rssBefore = 0, rssAtPreview = 0, anonBefore = 0, anonAtPreview = 0;
  std::string failure;
  for (auto _ : state) {
    RunProgramWith([&](uint64_t frame) {
      au::press(frame, -29);  // "D&uplicate Files Report"
      uint64_t wizard = FindAnyWindow("GETRPTPARMSWIZ$WINDOW", 20);
      au::press(wizard, 8);  // Next>>, no category: the whole catalog
      WaitFor([&] { return au::shownVisible(wizard, 9); }, 10);
      rssBefore = StatusKb("VmRSS:");
      anonBefore = StatusKb("RssAnon:");
      const auto start = Clock::now();
      au::press(wizard, 9);  // Finish
      uint64_t progress = FindAnyWindow("PRTDUPES$PROGRESSWINDOW", 30);
      if (!progress || !au::waitClosed(progress, 600000)) failure = "the report did not end";
      lastPage = Seconds(start);
      uint64_t preview = FindAnyWindow("REPORTPREVIEW$PREVIEW:WINDOW", 600);
      if (!preview || !WaitFor([&] { return au::shownImage(preview, 204); }, 600))
        failure = "no preview";
      firstPreview = Seconds(start);
      rssAtPreview = StatusKb("VmRSS:");
      anonAtPreview = StatusKb("RssAnon:");
      pages = PreviewPages(preview);
      au::press(preview, 3);  // Exit
      au::waitClosed(preview, 600000);
    });
    state.SetIterationTime(firstPreview);
  }
  if (!failure.empty()) state.SkipWithError(failure.c_str());
  state.counters["last_page_s"] = lastPage;
  state.counters["first_preview_s"] = firstPreview;
  state.counters["pages"] = pages;
  state.counters["rss_growth_MB"] = (rssAtPreview - rssBefore) / 1024.0;
  state.counters["kB_per_page"] = pages ? double(rssAtPreview - rssBefore) / pages : 0;
  state.counters["peak_rss_MB"] = StatusKb("VmHWM:") / 1024.0;
  // The tables are mapped into memory: RSS counts the file's pages the report read (page cache,
  // given back under pressure); the program's own memory is the anonymous part.
  state.counters["anon_growth_MB"] = (anonAtPreview - anonBefore) / 1024.0;
  state.SetItemsProcessed(state.iterations() * kDisks * kFilesPerDisk);
}
BENCHMARK(BM_DuplicatesOfTheWholeCatalog)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

DisksRecord gDisk;

void BM_FilesOfA10000FileDisk(benchmark::State& state) {
  catalog();
  setenv("XDG_CONFIG_HOME", catalog().folder().c_str(), 1);
  double toPreview = 0;
  int32_t pages = 0;
  std::string failure;
  for (auto _ : state) {
    char cwd[4096];
    std::string home = getcwd(cwd, sizeof cwd) ? cwd : "/tmp";
    if (chdir(catalog().folder().c_str()) != 0) break;
    {
      CatalogUse disks(Disks, DisksUseCount);
      Disks.rec.IdNum = kDisks / 2;  // a disk in the middle of the catalog
      Disks.get(Disks.ByIdNum);
      gDisk = Disks.rec;
    }
    kiv::ui::runProgram([&] {
      const auto start = Clock::now();
      Kiv$START([] { PrintFilesForDisk(gDisk); }, 25000);
      Kiv$UNLOCKTHREAD();
      uint64_t preview = FindAnyWindow("REPORTPREVIEW$PREVIEW:WINDOW", 120);
      if (!preview || !WaitFor([&] { return au::shownImage(preview, 204); }, 120))
        failure = "no preview";
      toPreview = Seconds(start);
      pages = PreviewPages(preview);
      au::press(preview, 3);
      au::waitClosed(preview, 60000);
      while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      Kiv$LOCKTHREAD();
    });
    if (chdir(home.c_str()) != 0) break;
    state.SetIterationTime(toPreview);
  }
  if (!failure.empty()) state.SkipWithError(failure.c_str());
  state.counters["first_preview_s"] = toPreview;
  state.counters["pages"] = pages;
  state.SetItemsProcessed(state.iterations() * kFilesPerDisk);
}
BENCHMARK(BM_FilesOfA10000FileDisk)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
