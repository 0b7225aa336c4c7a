// A report procedure on a thread of its own, as the application writes them: a progress window
// whose timer events print 25 lines at a time into a recording report, then printing the
// recording; or the user's Cancel, which closes the report without printing.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "report_support.h"
#include "runtime/ui/automation.h"

using namespace reporttest;
using Default = kiv::report::PrinterPlatform::Default;

namespace {

constexpr int kLines = 300;
std::atomic<bool> gDone{false};
std::atomic<int> gPrinted{0};
bool gCancelSlowly = false;

void reportProcedure() {
  int32_t count = 0;
  char name[12];
  uint32_t size = 0;
  int32_t percent = 0;
  void* report = nullptr;
  void* progress = nullptr;
  Kiv$propen(&report, kModule, "LIST$REPORT", &count, name, &size, nullptr);
  Kiv$pwopen(&progress, kModule, "PROGRESS$WINDOW", &percent, nullptr);
  PreviewQueue pages;
  bool completed = false;
  Kiv$OPENwindow(progress);
  Kiv$StartEventLoop();
  for (;;) {
    int32_t event = Kiv$EVENT(), action = 0;
    if (event == KIV_EVENT_OPENWINDOW) {
      Kiv$OPENwindow(report);
      setQueue(report, pages);
    } else if (event == KIV_EVENT_TIMER) {
      for (int i = 0; i < 25 && count < kLines; ++i) {
        ++count;
        std::memset(name, ' ', sizeof name);
        std::memcpy(name, "LINE", 4);
        Kiv$PRINTreport(report, 10);
        ++gPrinted;
      }
      if (gCancelSlowly) {
        Kiv$UNLOCKTHREAD();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Kiv$LOCKTHREAD();
      }
      if (count >= kLines) {
        completed = true;
        Kiv$POST(KIV_EVENT_CLOSEWINDOW, 0, 0);
      }
    } else if (event == KIV_EVENT_ACCEPTED && Kiv$FIELD() == 4) {
      Kiv$POST(KIV_EVENT_CLOSEWINDOW, 0, 0);
    }
    if (Kiv$EndEventLoop(action)) break;
  }
  Kiv$EndEventLoops(0);
  if (completed) {
    Kiv$ENDPAGE(report);
    setProp(report, 0, KIV_PROP_PRINTRECORDED, "1");
  }
  Kiv$CLOSEwindow(report);
  Kiv$CLOSEwindow(progress);
  Kiv$freewindow(report);
  Kiv$freewindow(progress);
  gDone = true;
}

void runProcedure(bool cancel) {
  gDone = false;
  gPrinted = 0;
  gCancelSlowly = cancel;
  kiv::ui::runProgram([&] {
    ASSERT_GT(Kiv$START(reportProcedure, 0), 1);
    Kiv$UNLOCKTHREAD();
    if (cancel) {
      uint64_t id = kiv::ui::automation::findWindow(2, "PROGRESS$WINDOW");
      while (gPrinted < 50) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      kiv::ui::automation::press(id, 4);
    }
    for (int i = 0; i < 2000 && !gDone; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
  EXPECT_TRUE(gDone);
}

TEST(ReportProcedure, PrintsEveryRecordedPageOnceAfterTheLastTimer) {
  PrinterScope printers(Default::Found);
  runProcedure(false);
  EXPECT_EQ(gPrinted, kLines);
  ASSERT_EQ(printers.log->jobs.size(), 1u);
  EXPECT_EQ(printers.log->jobs[0], (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
}

TEST(ReportProcedure, CancelClosesTheReportWithoutPrinting) {
  PrinterScope printers(Default::Found);
  runProcedure(true);
  EXPECT_LT(gPrinted, kLines);
  EXPECT_TRUE(printers.log->jobs.empty());
}

}  // namespace
