// Report engine: a 10,000-line listing recorded into pages (header, footer and three values a
// line), and the recorded pages written as a PDF file. Reports pages per second.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/report/page_output.h"
#include "runtime/report/report_screen.h"
#include "runtime/ui/run.h"

namespace {

const char* const kModule = "REPTEST.kvw$reptest";
constexpr int32_t kLines = 10000;

// A preview queue of one STRING(80) field.
std::vector<uint8_t> queueLayout() {
  std::vector<uint8_t> l;
  auto u8 = [&](uint8_t v) { l.push_back(v); };
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) l.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto text = [&](const std::string& s) {
    u8(static_cast<uint8_t>(s.size()));
    l.insert(l.end(), s.begin(), s.end());
  };
  u8(KIV_GROUP), u32(0), u32(80), u32(0), u32(1), text("PAGES");
  u8(KIV_STRING), u8(0), u8(0), u32(80), u32(0), u32(0), u32(0), text("PAGE:NAME"), text(""),
      text("");
  uint32_t total = static_cast<uint32_t>(l.size());
  std::memcpy(l.data() + 1, &total, 4);
  return l;
}

struct Run {
  double recordSeconds = 0, pdfSeconds = 0;
  size_t pages = 0;
};

Run runListing(bool pdf) {
  Run out;
  kiv::ui::runProgram([&] {
    std::vector<uint8_t> layout = queueLayout();
    char entry[80];
    KivQueue queue{entry, nullptr, layout.data()};
    int32_t count = 0;
    char name[12];
    uint32_t size = 0;
    void* r = nullptr;
    auto start = std::chrono::steady_clock::now();
    Kiv$propen(&r, kModule, "LIST$REPORT", &count, name, &size, nullptr);
    Kiv$OPENwindow(r);
    Kiv$PushLong(KIV_PROP_PREVIEWQUEUE);
    Kiv$SetPropF(0, 0, r, &queue, sizeof queue);
    for (count = 1; count <= kLines; ++count) {
      char text[24];
      std::snprintf(text, sizeof text, "F%07d.TXT", count);
      std::memcpy(name, text, sizeof name);
      size = static_cast<uint32_t>(count) * 4099u;
      Kiv$PRINTreport(r, 10);
    }
    Kiv$ENDPAGE(r);
    out.recordSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<std::string> names;
    for (const auto& p : kiv::report::reportOf(r)->recordedPages()) names.push_back(p->name);
    out.pages = names.size();
    if (pdf) {
      std::string path = "/tmp/bench_report_" + std::to_string(getpid()) + ".pdf";
      start = std::chrono::steady_clock::now();
      if (!kiv::report::savePagesAsPdf(names, path)) out.pages = 0;
      out.pdfSeconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::remove(path.c_str());
    }
    Kiv$CLOSEwindow(r);
    Kiv$freewindow(r);
    Kiv$FREEqueue(&queue);
  });
  return out;
}

void BM_RecordTenThousandLines(benchmark::State& state) {
  size_t pages = 0;
  for (auto _ : state) {
    Run r = runListing(false);
    state.SetIterationTime(r.recordSeconds);
    pages += r.pages;
  }
  state.counters["pages"] = benchmark::Counter(static_cast<double>(pages) / state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecordTenThousandLines)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RecordedPagesToPdf(benchmark::State& state) {
  size_t pages = 0;
  for (auto _ : state) {
    Run r = runListing(true);
    state.SetIterationTime(r.pdfSeconds);
    pages += r.pages;
  }
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecordedPagesToPdf)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
