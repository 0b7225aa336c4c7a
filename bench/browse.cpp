// Browsing a catalog of 1,000,000 files on 1,000 disks: the first page of the files browse,
// PageDown, ScrollBottom, a locate by typing and the 100 key samples of the scroll thumb, each
// on the browse page itself and as the user meets them in the real program's windows.
//
// The catalog is generated once (DISKS and FILES appended, the keys built in one go) into the
// folder KIV_CATALOG_1M names, else /tmp/kivbench-browse-<uid>, and kept for later runs. Files
// are named as a logging of bench_tree.h's tree would name them, with the folders of a disk
// spread over its groups.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "app/browse/browse_page.h"
#include "app/browse/key_samples.h"
#include "app/frame/frame.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "bench/bench_catalog.h"
#include "bench/bench_tree.h"
#include "include/kiv/kiv.h"
#include "include/kiv/view.h"
#include "runtime/platform/message_box.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

namespace {

constexpr int32_t kDisks = 1000, kFilesPerDisk = 1000;
constexpr int32_t kFiles = kDisks * kFilesPerDisk;
constexpr int32_t kPageSize = 25;

// A number that looks random but is the same every run.
uint64_t mix(uint64_t n) {
  n ^= n >> 33;
  n *= 0xFF51AFD7ED558CCDull;
  n ^= n >> 33;
  n *= 0xC4CEB9FE1A85EC53ull;
  return n ^ (n >> 33);
}

void makeDisk(int32_t id) {
  static const char* const kCategories[] = {"MUSIC", "PHOTOS", "BACKUP", "GAMES",
                                            "WORK",  "VIDEO",  "SOURCE", "ARCHIVE"};
  static const char kTypes[] = "FRCNV";
  Disks.rec.clear();
  Disks.rec.IdNum = id;
  char text[32];
  std::snprintf(text, sizeof text, "DISK%04d", id);
  Disks.rec.Label = text;
  Disks.rec.Category = kCategories[id % 8];
  Disks.rec.Type = std::string(1, kTypes[id % 5]);
  Disks.rec.TotalBytes.setWhole(uint64_t(64 + id % 200) << 30);
  Disks.rec.FreeSpace.setWhole((uint64_t(64 + id % 200) << 30) * (mix(id) % 100) / 100);
  std::snprintf(text, sizeof text, "%04X-%04X", unsigned(mix(id) & 0xFFFF),
                unsigned((mix(id) >> 16) & 0xFFFF));
  Disks.rec.SerialNo = text;
  Disks.rec.Files = kFilesPerDisk;
}

// File `f` of disk `disk`: the name bench_tree.h gives file f of a folder, the folder one of
// the tree's, the short name an 8.3 name that starts with a letter of the alphabet spread
// evenly, as a catalog of real files has them.
void makeFile(int32_t disk, int32_t f) {
  static const char* const kTypes[] = {"TXT", "JPG", "MP3", "DOC", "PDF",
                                       "EXE", "DLL", "ZIP", "PNG", "MKV"};
  const uint64_t h = mix(uint64_t(disk) * kFilesPerDisk + uint64_t(f));
  FilesRecord& r = Files.rec;
  r.clear();
  r.DiskId = disk;
  const char* type = kTypes[h % 10];
  char shortName[16], folder[64], longName[64];
  std::snprintf(shortName, sizeof shortName, "%c%c%c%c%04d.%s", 'A' + int(h >> 8) % 26,
                'A' + int(h >> 16) % 26, 'A' + int(h >> 24) % 26, 'A' + int(h >> 32) % 26,
                f % 10000, type);
  const BenchTreeEntry e = BenchTreeEntryOf(disk % 40, f / 100, f % 100);
  std::snprintf(folder, sizeof folder, "%s\\%s", e.group.c_str(), e.folder.c_str());
  std::snprintf(longName, sizeof longName, "%.4s %s", shortName, e.file.c_str());
  std::string path = std::string("X:\\") + folder + "\\" + longName;
  r.ShortName = shortName;
  r.LongName = kiv::upper(longName);
  r.Path = kiv::upper(path);
  r.Type = type;
  r.DisplayDate = 69000 + int32_t(h % 12000);  // 1990 to 2023
  r.DisplayTime = 1 + int32_t((h >> 20) % 8640000);
  r.CreationDate = r.DisplayDate;
  r.ModifyDate = r.DisplayDate;
  r.Size.setWhole((h >> 12) % (uint64_t(6) << 30));
  r.Attrib = h % 7 ? ".A.." : "RA..";
}

// The catalog, built when its folder does not hold it yet; the current directory is its folder.
const std::string& catalog() {
  static const std::string folder = [] {
    std::string dir;
    if (const char* keep = getenv("KIV_CATALOG_1M"); keep && *keep)
      dir = keep;
    else
      dir = "/tmp/kivbench-browse-" + std::to_string(getuid());
    std::filesystem::create_directories(dir);
    if (chdir(dir.c_str()) != 0) std::abort();
    {
      CatalogUse disks(Disks, DisksUseCount);
      CatalogUse files(Files, FilesUseCount);
      if (Disks.records() == kDisks && Files.records() == kFiles) return dir;
    }
    std::fprintf(stderr, "building the catalog of %d files in %s ...\n", kFiles, dir.c_str());
    WriteBenchCatalog(kDisks, kFilesPerDisk, makeDisk, makeFile);
    return dir;
  }();
  if (chdir(folder.c_str()) != 0) std::abort();
  return folder;
}

#define BENCH_ROW_FIELDS(FIELD)                  \
  FIELD(DiskId, kiv::Long, "DISKID")             \
  FIELD(ShortName, kiv::String<12>, "SHORTNAME") \
  FIELD(Size, ByteCount, "SIZE")                 \
  FIELD(Path, kiv::String<260>, "PATH")          \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(BenchRow, "BRW", BENCH_ROW_FIELDS);

void buildRow(BenchRow& row) {
  row.DiskId = Files.rec.DiskId;
  row.ShortName = Files.rec.ShortName.view();
  row.Size = Files.rec.Size;
  row.Path = Files.rec.Path.view();
}

// FILES in its name order through a view, as the files browse reads it.
struct Browse {
  CatalogUse files{Files, FilesUseCount};
  kiv::View view{Files};
  BrowsePage<BenchRow> page{view, Files.ByName, "Files", buildRow};
  Browse() {
    view.open();
    page.pageSize = kPageSize;
  }
};

std::string firstName(BrowsePage<BenchRow>& page) {
  if (page.empty()) return {};
  page.rows.get(1);
  return page.rows.rec.ShortName.str();
}

void BM_FirstPage(benchmark::State& state) {
  catalog();
  for (auto _ : state) {
    Browse b;
    b.page.refill(BrowseAnchor::None);
    if (b.page.count() != kPageSize) state.SkipWithError("short page");
  }
}
BENCHMARK(BM_FirstPage)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PageDown(benchmark::State& state) {
  catalog();
  Browse b;
  b.page.refill(BrowseAnchor::None);
  for (auto _ : state) {
    b.page.scroll(kiv::event::PageDown);
    if (b.page.count() != kPageSize) state.SkipWithError("short page");
  }
}
BENCHMARK(BM_PageDown)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_ScrollBottom(benchmark::State& state) {
  catalog();
  Browse b;
  b.page.refill(BrowseAnchor::None);
  for (auto _ : state) {
    b.page.scroll(kiv::event::ScrollBottom);
    if (b.page.selected != kPageSize) state.SkipWithError("not at the end");
    state.PauseTiming();
    b.page.scroll(kiv::event::ScrollTop);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ScrollBottom)->Unit(benchmark::kMillisecond)->Iterations(20);

// "A", then "AB", then Backspace back to "A": three locates, as typing makes them.
void BM_LocateByTyping(benchmark::State& state) {
  catalog();
  Browse b;
  b.page.refill(BrowseAnchor::None);
  for (auto _ : state) {
    for (const char* text : {"A", "AB", "A"}) {
      Files.rec.clear();
      Files.rec.ShortName = text;
      b.page.locate();
    }
    if (firstName(b.page).rfind("A", 0) != 0) state.SkipWithError("not located");
  }
  state.counters["locates"] = benchmark::Counter(
      double(state.iterations()) * 3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LocateByTyping)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_KeySamples(benchmark::State& state) {
  catalog();
  CatalogUse files(Files, FilesUseCount);
  KeySamples samples;
  for (auto _ : state) {
    samples.gatherByPointer(Files, [] { return SortableText(Files.rec.ShortName.view()); });
    if (samples.size() != KeySamples::kCount) state.SkipWithError("too few samples");
  }
  // The samples spread over the alphabet as the names do.
  state.counters["first_sample_percent_at_M"] = samples.percent("M");
}
BENCHMARK(BM_KeySamples)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same as the user meets it: the frame's Browse Files command opens the browse (its tables,
// its view, its key samples and its first page); PageDown, Ctrl+PageDown (ScrollBottom) and
// typing "AB" are keys pressed in its list. Each is timed from the press until the list shows
// the new page. Runs on the platform QT_QPA_PLATFORM names (offscreen when unset).
void BM_BrowseFilesThroughTheWindows(benchmark::State& state) {
  namespace au = kiv::ui::automation;
  using Clock = std::chrono::steady_clock;
  catalog();
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  char settings[] = "/tmp/kivbenchcfgXXXXXX";
  setenv("XDG_CONFIG_HOME", mkdtemp(settings), 1);
  double open = 0, pageDown = 0, bottom = 0, typing = 0;
  std::string failure;
  auto waitFor = [](auto done) {
    const auto end = Clock::now() + std::chrono::seconds(60);
    while (!done() && Clock::now() < end)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    return done();
  };
  auto since = [](Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
  };
  for (auto _ : state) {
    kiv::ui::runProgram([&] {
      std::thread driver([&] {
        const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
        auto start = Clock::now();
        au::press(frame, -12);  // "Browse &Files"
        // The browse's thread is not known in advance: every thread is looked at each round,
        // without waiting on any one of them.
        uint64_t w = 0;
        waitFor([&] {
          for (int t = 2; t <= 20 && !w; ++t) w = au::findWindow(t, "BROWSEFILES$QUICKWINDOW", 0);
          return w != 0;
        });
        if (!w || !waitFor([&] { return au::rowCount(w, 1) > 0; })) {
          failure = "the files browse did not open";
        } else {
          open = since(start);
          auto first = [&] { return au::cell(w, 1, 1, 3); };
          std::string before = first();
          start = Clock::now();
          au::typeKey(w, 1, 34);  // PageDown
          waitFor([&] { return first() != before; });
          pageDown = since(start);
          before = first();
          start = Clock::now();
          au::typeKey(w, 1, 34 | 512);  // Ctrl+PageDown
          waitFor([&] { return first() != before; });
          bottom = since(start);
          start = Clock::now();
          au::typeKey(w, 1, 'A' | 256);
          au::typeKey(w, 1, 'B' | 256);
          waitFor([&] { return first().rfind("AB", 0) == 0; });
          typing = since(start);
          if (first().rfind("AB", 0) != 0) failure = "typing AB did not locate";
          au::press(w, 8);
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
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      break;
    }
    state.SetIterationTime(open);
  }
  state.counters["open_ms"] = 1000 * open;
  state.counters["pagedown_ms"] = 1000 * pageDown;
  state.counters["scrollbottom_ms"] = 1000 * bottom;
  state.counters["type_AB_ms"] = 1000 * typing;
  unsetenv("XDG_CONFIG_HOME");
}
BENCHMARK(BM_BrowseFilesThroughTheWindows)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
