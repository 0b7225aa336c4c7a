// Searching a catalog of 1,000,000 files (500 disks of 2,000): a keyed "begins with" on the DOS
// name, alone and from Finish to the rows of the result window; the dynamic index on the long
// name, and "contains" on the long name with that index built; "equals" on the size, which
// finds 100,000 files; and the copying of 100,000 records into TEMPFILES alone.
//
// KIV_CATALOG_1M names a folder to keep the catalog in across runs (made when missing, never
// removed); without it the catalog is made in a temporary folder and removed.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/frame/frame.h"
#include "app/search/result_windows.h"
#include "app/search/search_scan.h"
#include "app/search/search_wizard.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "runtime/platform/message_box.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kDisks = 500, kFilesPerDisk = 2000;
constexpr int32_t kFiles = kDisks * kFilesPerDisk;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

const char* const kWords[] = {"summer", "winter",  "report", "invoice", "letter", "photo",
                              "music",  "backup",  "notes",  "draft",   "budget", "family",
                              "travel", "project", "scan",   "movie",   "game",   "setup"};
const char* const kTypes[] = {"TXT", "DOC", "JPG", "MP3", "EXE", "DLL", "ZIP", "PDF"};

// The catalog: in $KIV_CATALOG_1M when set, else in a temporary folder. The process works in
// that folder, as the program works in the folder of its catalog.
class Catalog {
 public:
  Catalog() {
    char cwd[4096];
    home_ = getcwd(cwd, sizeof cwd) ? cwd : "/tmp";
    if (const char* keep = getenv("KIV_CATALOG_1M"); keep && *keep) {
      folder_ = keep;
      keep_ = true;
      std::filesystem::create_directories(folder_);
    } else {
      char templ[] = "/tmp/kivsearchXXXXXX";
      folder_ = mkdtemp(templ);
    }
    if (chdir(folder_.c_str()) != 0) return;
    // Settings of the windows' run stay in the catalog's folder.
    std::filesystem::create_directories(folder_ + "/config");
    setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
    CatalogUse files(Files, FilesUseCount);
    if (Files.records() != kFiles) {
      files.release();
      make();
    }
  }
  ~Catalog() {
    if (chdir(home_.c_str()) != 0) return;
    std::error_code ec;
    if (!keep_) std::filesystem::remove_all(folder_, ec);
  }

 private:
  // 500 disks of 2,000 files: DOS names of random letters, one file in 2,000 a README; long
  // names of two words, one in 100 with "holiday"; sizes of every magnitude up to 10 GB, one
  // file in ten of 4,096 bytes.
  void make() {
    const auto start = Clock::now();
    Disks.close();
    Files.close();
    Disks.create();
    Files.create();
    Disks.open(kiv::ReadWriteDenyAll);
    Files.open(kiv::ReadWriteDenyAll);
    std::mt19937_64 rng(1997);
    Disks.stream();
    for (int32_t d = 1; d <= kDisks; ++d) {
      Disks.rec.clear();
      Disks.rec.IdNum = d;
      Disks.rec.Label = "DISK" + std::to_string(d);
      Disks.rec.TotalBytes.setWhole(uint64_t(rng() % 4000000000000ULL));
      Disks.rec.FreeSpace.setWhole(uint64_t(rng() % 1000000000000ULL));
      Disks.rec.Files = kFilesPerDisk;
      Disks.append();
    }
    Disks.flush();
    Disks.build();
    Files.stream();
    for (int32_t n = 0; n < kFiles; ++n) {
      FilesRecord& f = Files.rec;
      f.clear();
      f.DiskId = 1 + n / kFilesPerDisk;
      const char* type = kTypes[rng() % std::size(kTypes)];
      std::string base;
      if (n % 2000 == 7) {
        base = "README" + std::to_string(rng() % 100);
      } else {
        for (int i = 0, len = 3 + int(rng() % 6); i < len; ++i) base += char('A' + rng() % 26);
      }
      f.ShortName = base + "." + type;
      f.Type = type;
      const std::string word1 = kWords[rng() % std::size(kWords)];
      const std::string word2 = n % 100 == 3 ? "holiday" : kWords[rng() % std::size(kWords)];
      const std::string longName =
          word1 + " " + word2 + " " + std::to_string(rng() % 100000) + "." + type;
      f.LongName = kiv::upper(longName);
      f.Path = "C:\\" + kiv::upper(word1) + "\\" + std::to_string(n % 1000) + "\\" +
               kiv::upper(longName);
      f.DisplayDate = 70000 + int32_t(rng() % 9000);
      f.DisplayTime = 1 + int32_t(rng() % 8640000);
      f.Size.setWhole(n % 10 == 5 ? 4096 : uint64_t(1) << (rng() % 34) | rng() % 1000);
      f.Attrib = ".A..";
      Files.append();
    }
    Files.flush();
    Files.build();
    if (kiv::errorCode()) fprintf(stderr, "catalog: %s\n", kiv::error().c_str());
    Disks.close();
    Files.close();
    fprintf(stderr, "catalog of %d files made in %.1f s\n", kFiles, seconds(start));
  }

  std::string home_, folder_;
  bool keep_ = false;
};

Catalog& catalog() {
  static Catalog c;
  return c;
}

void quietBoxes() {
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
}

// One search, the whole of it: DISKS or FILES held, the result table made empty, the scan, the
// flush. The catalog table stays open between runs, as the frame keeps it open.
void runSearch(benchmark::State& state, const SearchRequest& request, int64_t expectMin,
               int64_t expectMax) {
  catalog();
  quietBoxes();
  CatalogUse files(Files, FilesUseCount);
  int64_t found = 0;
  for (auto _ : state) found = SearchCatalog(request);
  state.counters["found"] = double(found);
  if (found < expectMin || found > expectMax) state.SkipWithError("unexpected number found");
}

void BM_BeginsWithOnTheDosName(benchmark::State& state) {
  runSearch(state, {SearchItem::Files, search_field::FileDosName, search_op::BeginsWith, "READ"},
            400, 600);
}
BENCHMARK(BM_BeginsWithOnTheDosName)->Unit(benchmark::kMillisecond)->Iterations(10);

// The dynamic index on the long name alone, as the "contains" scan builds it first.
void BM_LongNameIndex(benchmark::State& state) {
  catalog();
  CatalogUse files(Files, FilesUseCount);
  for (auto _ : state) {
    Files.build(Files.DynNdx, "+FIL:LongName");
    if (kiv::errorCode()) state.SkipWithError("BUILD failed");
  }
}
BENCHMARK(BM_LongNameIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ContainsOnTheLongName(benchmark::State& state) {
  runSearch(state, {SearchItem::Files, search_field::FileLongName, search_op::Contains, "holiday"},
            10000, 12000);
}
BENCHMARK(BM_ContainsOnTheLongName)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EqualsOnTheSize(benchmark::State& state) {
  runSearch(state, {SearchItem::Files, search_field::FileSize, search_op::Equals, "4096"}, 100000,
            100100);
}
BENCHMARK(BM_EqualsOnTheSize)->Unit(benchmark::kMillisecond)->Iterations(3);

// The copying alone: 100,000 records read beforehand, added to an empty TEMPFILES in stream
// mode and flushed.
void BM_Copy100000IntoTempFiles(benchmark::State& state) {
  catalog();
  std::vector<FilesRecord> records;
  {
    CatalogUse files(Files, FilesUseCount);
    Files.set(Files.ByName);
    for (Files.next(); kiv::errorCode() == 0 && records.size() < 100000; Files.next())
      records.push_back(Files.rec);
    Kiv$clearerror();
  }
  CatalogUse results(TempFiles, TempFilesUseCount);
  for (auto _ : state) {
    PrepareResultTable(SearchItem::Files);
    for (const FilesRecord& r : records) {
#define BENCH_ASSIGN_FIELD_(name, type, label) TempFiles.rec.name = r.name;
      FILE_FIELDS(BENCH_ASSIGN_FIELD_)
#undef BENCH_ASSIGN_FIELD_
      TempFiles.add();
    }
    TempFiles.flush();
  }
  if (TempFiles.records() != 100000) state.SkipWithError("not every record was added");
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_Copy100000IntoTempFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

// The keyed "begins with" as the user waits for it: from pressing Finish in the wizard until
// the result window shows its rows, through the real program's windows (on the platform
// QT_QPA_PLATFORM names, offscreen when unset). The wizard is stepped through before the
// timing.
void BM_BeginsWithToTheResultWindow(benchmark::State& state) {
  namespace au = kiv::ui::automation;
  catalog();
  quietBoxes();
  auto waitFor = [](auto done, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done() && Clock::now() < end)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    return done();
  };
  for (auto _ : state) {
    double waited = 0;
    int32_t rows = 0;
    std::string failure;
    kiv::ui::runProgram([&] {
      std::thread driver([&] {
        using namespace searchwizard_feq;
        uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
        au::press(frame, -14);  // "&Search"
        uint64_t w = au::findWindow(1, "SEARCHWIZARD$WINDOW", 20000);
        // A choice made while the wizard still takes its first events may be shown over again
        // from its variable (disks): it is made until it stays, and step 2 must list the ten
        // fields of files.
        for (int attempt = 0; attempt < 50 && au::shownChoice(w, kItemChoice) != 2; ++attempt) {
          au::pickChoice(w, kItemChoice, 2);
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        au::press(w, kNext);
        waitFor(
            [&] { return au::shownChoice(w, kSteps) == 2 && au::rowCount(w, kFieldList) == 10; },
            5000);
        au::pickRow(w, kFieldList, search_field::FileDosName);
        au::pickRow(w, kOperatorList, search_op::BeginsWith);
        waitFor(
            [&] {
              return au::shownChoice(w, kFieldList) == search_field::FileDosName &&
                     au::shownChoice(w, kOperatorList) == search_op::BeginsWith &&
                     au::shownVisible(w, kTextValue);
            },
            5000);
        au::type(w, kTextValue, "READ");
        au::press(w, kNext);
        waitFor(
            [&] { return au::shownChoice(w, kSteps) == 3 && au::shown(w, kFinish) == "Finish"; },
            5000);
        if (au::shown(w, kSummary) !=
            "Search will be performed for file DOS name begins with READ.")
          failure = "the wizard did not take the search: " + au::shown(w, kSummary);
        const auto start = Clock::now();
        au::press(w, kFinish);
        uint64_t r = 0;
        waitFor(
            [&] {
              for (int t = 2; t <= 20 && !r; ++t)
                r = au::findWindow(t, "BROWSEFILERESULTS$QUICKWINDOW", 0);
              return r && au::rowCount(r, fileresults_feq::kList) > 0;
            },
            20000);
        waited = seconds(start);
        if (!r && failure.empty()) failure = "no result window";
        rows = r ? au::rowCount(r, fileresults_feq::kList) : 0;
        if (r) {
          au::press(r, fileresults_feq::kClose);
          au::waitClosed(r, 20000);
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
    if (!failure.empty() || rows == 0) {
      state.SkipWithError(failure.empty() ? "no rows shown" : failure.c_str());
      break;
    }
    state.SetIterationTime(waited);
    state.counters["rows_shown"] = rows;
  }
}
// One run a process: the program's windows start once.
BENCHMARK(BM_BeginsWithToTheResultWindow)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
