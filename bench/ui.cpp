// Window layer: time from POST to delivery in another thread's event loop, and time to fill and
// first show a 10,000-row list from a queue. Runs the real GUI (offscreen without a display).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/ufo.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

namespace {

const char* const kModule = "UIDEMO.kvw$uidemo";
constexpr int32_t kPing = 1200, kPong = 1201, kStop = 1299;
constexpr int kRounds = 2000;

// The answering thread: every ping is answered with a pong to thread 1.
void answerer() {
  void* w = nullptr;
  Kiv$pmopen(&w, kModule, "FILES$WINDOW", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             nullptr);
  Kiv$OPENwindow(w);
  Kiv$StartEventLoop();
  for (;;) {
    int32_t e = Kiv$EVENT(), action = 0;
    if (e == kPing) Kiv$POST(kPong, 0, 1);
    if (e == kStop) action = -1;
    if (Kiv$EndEventLoop(action)) break;
  }
  Kiv$EndEventLoops(0);
  Kiv$CLOSEwindow(w);
  Kiv$freewindow(w);
}

void waitForThreads() {
  Kiv$UNLOCKTHREAD();
  while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  Kiv$LOCKTHREAD();
}

// One POST from thread 1 to thread 2 and the answer back: two deliveries in other threads'
// event loops. The figure reported is the time of one POST-to-delivery (half a round trip).
void BM_PostToDeliveryAcrossThreads(benchmark::State& state) {
  for (auto _ : state) {
    double seconds = 0;
    kiv::ui::runProgram([&] {
      void* frame = nullptr;
      Kiv$paopen(&frame, kModule, "MAIN$APPFRAME", nullptr);
      Kiv$OPENwindow(frame);
      int32_t other = 0, rounds = 0;
      std::chrono::steady_clock::time_point start;
      Kiv$StartEventLoop();
      for (;;) {
        int32_t e = Kiv$EVENT(), action = 0;
        if (e == KIV_EVENT_OPENWINDOW) {
          other = Kiv$START(answerer, 0);
          Kiv$UNLOCKTHREAD();
          std::this_thread::sleep_for(std::chrono::milliseconds(200));  // its window opens
          Kiv$LOCKTHREAD();
          start = std::chrono::steady_clock::now();
          Kiv$POST(kPing, 0, other);
        } else if (e == kPong) {
          if (++rounds < kRounds) {
            Kiv$POST(kPing, 0, other);
          } else {
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            Kiv$POST(kStop, 0, other);
            action = -1;
          }
        }
        if (Kiv$EndEventLoop(action)) break;
      }
      Kiv$EndEventLoops(0);
      waitForThreads();
      Kiv$CLOSEwindow(frame);
      Kiv$freewindow(frame);
    });
    state.SetIterationTime(seconds / (2.0 * kRounds));
  }
  state.counters["deliveries"] = 2.0 * kRounds;
}
BENCHMARK(BM_PostToDeliveryAcrossThreads)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(3);

// SetPropQ of a 10,000-row queue on a list, through its column pictures, until the rows are
// in the platform list and the window has been painted.
void BM_FillAndShowTenThousandRows(benchmark::State& state) {
  CLASS_DESCRIPTOR build;
  build.SETUP("FILEQ");
  build.ADDFIELD(KIV_STRING, 40, "FQ:NAME", 0, nullptr, nullptr, 0);
  build.ADDFIELD(KIV_LONG, 4, "FQ:SIZE", 0, nullptr, nullptr, 0);
  build.ADDFIELD(KIV_DATE, 4, "FQ:DATE", 0, nullptr, nullptr, 0);
  std::vector<uint8_t> layout = build.ENDDECLARATION();
  struct Entry {
    char name[40];
    int32_t size, date;
  } entry{};
  for (auto _ : state) {
    double seconds = 0;
    kiv::ui::runProgram([&] {
      KivQueue files{&entry, nullptr, layout.data()};
      for (int32_t i = 1; i <= 10000; ++i) {
        std::string name = "file_" + std::to_string(i) + ".txt";
        Kiv$storestr(entry.name, sizeof entry.name, name.data(), int32_t(name.size()));
        entry.size = i * 97;
        entry.date = 71694 + i % 5000;
        Kiv$ADDqueue(&files);
      }
      void* frame = nullptr;
      Kiv$paopen(&frame, kModule, "MAIN$APPFRAME", nullptr);
      Kiv$OPENwindow(frame);
      // The list lives in the MDI window; open it on a second thread and time there.
      static KivQueue* shared = nullptr;
      static double* result = nullptr;
      shared = &files;
      result = &seconds;
      Kiv$START(
          [] {
            char label[20] = {};
            int32_t copies = 1, noFiles = 0, count = 0, progress = 0, used = 0;
            void* w = nullptr;
            Kiv$pmopen(&w, kModule, "FILES$WINDOW", label, &copies, &noFiles, &count, &progress,
                       &used, nullptr);
            Kiv$OPENwindow(w);
            auto start = std::chrono::steady_clock::now();
            Kiv$PushLong(31744);
            Kiv$SetPropQ(6, 0, nullptr, shared);
            kiv::gui::processPaint();
            *result =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            Kiv$CLOSEwindow(w);
            Kiv$freewindow(w);
          },
          0);
      waitForThreads();
      Kiv$CLOSEwindow(frame);
      Kiv$freewindow(frame);
      Kiv$FREEqueue(&files);
    });
    state.SetIterationTime(seconds);
  }
  state.counters["rows"] = 10000;
}
BENCHMARK(BM_FillAndShowTenThousandRows)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
