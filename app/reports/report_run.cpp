#include "app/reports/report_run.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>

#include "app/tables/app_warning.h"
#include "app/tables/globals.h"
#include "include/kiv/window.h"

namespace {

// Controls of every report's progress window.
enum : int32_t { kBar = 1, kLine = 2, kPercentText = 3, kCancel = 4 };
// How long one timer event prints before the window takes its events again.
constexpr auto kSlice = std::chrono::milliseconds(50);

}  // namespace

bool ProgressPercent::add(int64_t n) {
  processed_ += n;
  if (percent_ >= 100) return false;
  int64_t p = toProcess_ > 0 ? processed_ * 100 / toProcess_ : 100;
  p = std::clamp<int64_t>(p, 0, 100);
  if (p == percent_) return false;
  percent_ = int32_t(p);
  return true;
}

std::string ProgressPercent::text() const { return kiv::format(percent_, "@n3") + "% Completed"; }

bool RecordReading::found() {
  constexpr int32_t kEndOfTable = 33;
  const int32_t code = kiv::errorCode();
  if (code == 0) return true;
  if (code != kEndOfTable) {
    SaveFileError();
    AppWarning(35, tableName_);
    failed_ = true;
  }
  return false;
}

void TellViewFailure() {
  if (kiv::errorCode() == 0) return;
  SaveFileError();
  AppWarning(36);
}

RunEnd RunBatch(const BatchRun& run) {
  kiv::Byte percent = 0;
  kiv::Window window(kiv::Window::Plain, run.module, run.progressLabel, &percent);
  window.open();
  window.setText(0, "Generating Report");
  window.setText(kLine, "");
  window.setText(kPercentText, "0% Completed");
  ProgressPercent progress(run.toProcess);
  RunEnd end = RunEnd::Cancelled;
  bool finished = false;
  auto finish = [&](RunEnd how) {
    finished = true;
    end = how;
    window.post(kiv::event::CloseWindow);
  };
  for (kiv::Event& event : window.events()) {
    if (event.is(kiv::event::OpenWindow)) {
      if (!run.start()) finish(RunEnd::Empty);
    } else if (event.is(kiv::event::Timer) && !finished) {
      const auto until = std::chrono::steady_clock::now() + kSlice;
      do {
        for (int32_t i = 0; i < run.batch && !finished; ++i) {
          int64_t counted = 1;
          Step step = run.step(counted);
          if (progress.add(counted)) {
            percent = uint8_t(progress.percent());
            window.setText(kPercentText, progress.text());
            window.display(kBar);
          }
          if (step == Step::End && !run.finishedText.empty())
            window.setText(kPercentText, run.finishedText);
          if (step != Step::More) finish(step == Step::End ? RunEnd::Completed : RunEnd::Failed);
        }
      } while (!finished && std::chrono::steady_clock::now() < until);
    } else if (event.accepted(kCancel) && !finished) {
      finish(RunEnd::Cancelled);
    }
  }
  return end;
}

namespace {

std::mutex gStraightLock;
std::string gStraightFile;
StraightPrint gStraight;

}  // namespace

void PrintStraightInto(const std::string& pdfFile) {
  std::lock_guard<std::mutex> hold(gStraightLock);
  gStraightFile = pdfFile;
  gStraight = StraightPrint{};
}

StraightPrint LastStraightPrint() {
  std::lock_guard<std::mutex> hold(gStraightLock);
  return gStraight;
}

void PreviewAndPrint(kiv::Report& report, PreviewPages& pages) {
  report.endPage();
  if (pages.records() == 0) return;
  std::string file;
  {
    std::lock_guard<std::mutex> hold(gStraightLock);
    file = gStraightFile;
  }
  if (!file.empty()) {
    report.printInto(file);
    report.printRecorded();
    StraightPrint done;
    if (kiv::errorCode()) {
      done.outcome = StraightPrint::Outcome::Failed;
      done.message = kiv::error() + " (" + std::to_string(kiv::errorCode()) + ")";
    } else {
      done.outcome = StraightPrint::Outcome::Printed;
    }
    std::lock_guard<std::mutex> hold(gStraightLock);
    gStraight = done;
    return;
  }
  if (ReportPreview(pages) == response::Completed) PrintRecordedPages(report);
}

void PrintRecordedPages(kiv::Report& report) {
  if (report.printer().empty()) {
    std::string file = PrintToFileName(report.get(0, kiv::prop::Text));
    if (file.empty()) return;
    report.printInto(file);
  }
  // Thousands of pages take a while to print: the busy cursor says so meanwhile.
  kiv::setCursor(KIV_CURSOR_WAIT);
  report.printRecorded();
  const int32_t code = kiv::errorCode();
  const std::string error = code ? kiv::error() : std::string();
  kiv::setCursor(KIV_CURSOR_ARROW);
  if (code)
    kiv::message(
        "The report could not be printed.  Error: " + error + " (" + std::to_string(code) + ").",
        "Print Error", KIV_ICON_HAND);
}

void QuickScan(kiv::Table& table, bool on) {
  table.send(on ? "QUICKSCAN=on" : "QUICKSCAN=off");
  Kiv$clearerror();
}
