// REPORT declarations: a report is constructed from its description with its USE variables,
// opened (which takes the printer), printed into band by band and closed when the declaration
// goes out of scope:
//
//   kiv::Report report(kModule, "PRTDUPES$REPORT", &Files.rec.DiskId, &Files.rec.ShortName);
//   report.open();
//   report.recordInto(pages.desc());      // pages are recorded for the preview, not printed
//   report.print(kDetail);
//   report.endPage();
//   if (previewed) report.printRecorded();
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "error.h"
#include "window.h"
#include "../kvrun32.h"

namespace kiv {

class Report {
 public:
  template <typename... Use>
  Report(const char* module, const char* label, Use*... use) {
    Kiv$propen(&handle_, module, label, static_cast<void*>(use)..., nullptr);
  }
  ~Report() {
    if (!handle_) return;
    Kiv$CLOSEwindow(handle_);
    Kiv$freewindow(handle_);
  }
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  void* handle() const { return handle_; }
  void open() { Kiv$OPENwindow(handle_); }
  void close() { Kiv$CLOSEwindow(handle_); }
  // PRINT(band): one band by its equate.
  void print(int32_t band) { Kiv$PRINTreport(handle_, band); }
  void endPage() { Kiv$ENDPAGE(handle_); }

  // Pages are recorded into `pages` (a queue of 80-character page names) instead of printed.
  void recordInto(KivQueue* pages) {
    Kiv$PushLong(KIV_PROP_PREVIEWQUEUE);
    Kiv$SetPropF(0, 0, handle_, pages, sizeof *pages);
  }
  // Sends the recorded pages to the printer (or the print file), once, in order.
  void printRecorded() { set(0, KIV_PROP_PRINTRECORDED, 1); }
  // The report's printer; empty when the computer has none.
  std::string printer() const { return get(0, KIV_PROP_PRINTERNAME); }
  // Pages print into this PDF file instead of the printer.
  void printInto(std::string_view pdfFile) { set(0, KIV_PROP_PRINTFILE, pdfFile); }

  // Properties of the report (feq 0) or of its bands and controls.
  void set(int32_t feq, int32_t number, std::string_view value) {
    setProperty(feq, number, value, handle_);
  }
  void set(int32_t feq, int32_t number, int32_t value) { setProperty(feq, number, value, handle_); }
  std::string get(int32_t feq, int32_t number) const { return getProperty(feq, number, handle_); }
  void hide(int32_t feq) {
    onThis([&] { Kiv$HIDE(feq, 0); });
  }
  void unhide(int32_t feq) {
    onThis([&] { Kiv$UNHIDE(feq, 0); });
  }
  void setPosition(int32_t feq, const Position& p) {
    onThis([&] { Kiv$SETPOSITION(feq, p.x, p.y, p.width, p.height); });
  }

 private:
  template <typename Op>
  void onThis(Op&& op) {
    Kiv$SETTARGET(handle_, 0);
    op();
    Kiv$SETTARGET(nullptr, 0);
  }

  void* handle_ = nullptr;
};

}  // namespace kiv
