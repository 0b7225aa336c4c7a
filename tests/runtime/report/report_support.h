// Helpers of the report tests: a printer platform the test controls (it keeps every page it is
// given), a preview queue of 80-character entries, property helpers and the page log.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/report/page_output.h"
#include "runtime/report/printer.h"
#include "runtime/report/report_screen.h"
#include "runtime/ui/run.h"

namespace reporttest {

inline constexpr const char* kModule = "REPTEST.kvw$reptest";

// What the test printer saw.
struct PrintLog {
  std::vector<std::vector<std::string>> jobs;  // per job, the pages as "report page number"
  std::vector<std::string> pageNames;          // every page given, by its recorded name
  int ended = 0;
  bool refuseJobs = false;       // the printer is there but takes no job
  std::function<void()> onPage;  // called as each page is printed
};

class TestPrinters : public kiv::report::PrinterPlatform {
 public:
  TestPrinters(std::shared_ptr<PrintLog> log, Default result, std::vector<std::string> printers,
               std::string pdf = {})
      : log_(std::move(log)),
        result_(result),
        printers_(std::move(printers)),
        pdf_(std::move(pdf)) {}

  Default defaultPrinter(std::string& name) override {
    if (result_ == Default::Found) name = printers_.at(0);
    return result_;
  }
  bool exists(const std::string& name) override {
    for (const std::string& p : printers_)
      if (p == name) return true;
    return false;
  }
  std::unique_ptr<kiv::report::PrintJob> startJob(const std::string& printer,
                                                  const std::string& document) override {
    if (!exists(printer) || log_->refuseJobs) return nullptr;
    log_->jobs.emplace_back();
    return std::make_unique<Job>(log_,
                                 pdf_.empty() ? nullptr : kiv::report::pdfJob(pdf_, document));
  }
  bool dialog(kiv::report::PrinterSetup& setup) override {
    if (printers_.size() < 2) return false;
    setup.valid = true;
    setup.printer = printers_.back();
    return true;
  }

 private:
  class Job : public kiv::report::PrintJob {
   public:
    Job(std::shared_ptr<PrintLog> log, std::unique_ptr<kiv::report::PrintJob> pdf)
        : log_(std::move(log)), pdf_(std::move(pdf)) {}
    bool page(const kiv::report::RecordedPage& page) override {
      log_->jobs.back().push_back(std::to_string(page.number));
      log_->pageNames.push_back(page.name);
      if (log_->onPage) log_->onPage();
      return !pdf_ || pdf_->page(page);
    }
    bool end() override {
      ++log_->ended;
      return !pdf_ || pdf_->end();
    }

   private:
    std::shared_ptr<PrintLog> log_;
    std::unique_ptr<kiv::report::PrintJob> pdf_;
  };
  std::shared_ptr<PrintLog> log_;
  Default result_;
  std::vector<std::string> printers_;
  std::string pdf_;
};

// Puts a test printer platform in place for the life of the object and starts each test with
// an empty printer set-up.
class PrinterScope {
 public:
  explicit PrinterScope(kiv::report::PrinterPlatform::Default result,
                        std::vector<std::string> printers = {"Desk"}, std::string pdf = {})
      : log(std::make_shared<PrintLog>()) {
    old_ = kiv::report::setPrinterPlatform(
        std::make_unique<TestPrinters>(log, result, std::move(printers), std::move(pdf)));
    kiv::report::printerSetup() = {};
  }
  ~PrinterScope() {
    kiv::report::setPrinterPlatform(std::move(old_));
    kiv::report::printerSetup() = {};
  }
  std::shared_ptr<PrintLog> log;

 private:
  std::unique_ptr<kiv::report::PrinterPlatform> old_;
};

// A preview queue: one STRING(80) field per entry.
class PreviewQueue {
 public:
  PreviewQueue() {
    auto u8 = [&](uint8_t v) { layout_.push_back(v); };
    auto u32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) layout_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto text = [&](const std::string& s) {
      u8(static_cast<uint8_t>(s.size()));
      layout_.insert(layout_.end(), s.begin(), s.end());
    };
    u8(KIV_GROUP);
    u32(0);
    u32(80);
    u32(0);
    u32(1);
    text("PAGES");
    u8(KIV_STRING);
    u8(0);
    u8(0);
    u32(80);
    u32(0);
    u32(0);
    u32(0);
    text("PAGE:NAME");
    text("");
    text("");
    uint32_t total = static_cast<uint32_t>(layout_.size());
    std::memcpy(layout_.data() + 1, &total, 4);
    std::memset(buffer, ' ', sizeof buffer);
    queue.buffer = buffer;
    queue.store = nullptr;
    queue.layout = layout_.data();
  }
  ~PreviewQueue() { Kiv$FREEqueue(&queue); }
  std::vector<std::string> entries() {
    std::vector<std::string> out;
    std::string saved(buffer, sizeof buffer);
    int32_t n = Kiv$RECORDSqueue(&queue);
    for (int32_t i = 1; i <= n; ++i) {
      Kiv$GETqueueptr(&queue, i);
      out.emplace_back(buffer, sizeof buffer);
    }
    std::memcpy(buffer, saved.data(), sizeof buffer);
    return out;
  }
  static std::string clipped(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  KivQueue queue{};
  char buffer[80];

 private:
  std::vector<uint8_t> layout_;
};

inline void setProp(void* object, int32_t feq, int32_t number, const std::string& value) {
  Kiv$PushLong(number);
  kiv::core::pushCopy(value);
  Kiv$SetPropS(feq, 0, object);
}

inline std::string getProp(void* object, int32_t feq, int32_t number) {
  Kiv$PushLong(number);
  Kiv$GetPropS(feq, 0, object);
  return kiv::core::popText();
}

inline void setQueue(void* report, PreviewQueue& q) {
  Kiv$PushLong(KIV_PROP_PREVIEWQUEUE);
  Kiv$SetPropF(0, 0, report, &q.queue, sizeof q.queue);
}

// The bands of a page in order, as their equates.
inline std::vector<int32_t> bandsOf(const kiv::report::RecordedPage& page) {
  std::vector<int32_t> out;
  for (const auto& b : page.bands) out.push_back(b.feq);
  return out;
}

// The texts a control drew on a page, in order.
inline std::vector<std::string> textsOf(const kiv::report::RecordedPage& page, int32_t feq) {
  std::vector<std::string> out;
  for (const auto& r : page.records)
    if (r.feq == feq && r.kind == kiv::report::DrawRecord::Kind::Text) out.push_back(r.text);
  return out;
}

inline std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}
inline std::vector<std::string> trimmed(const std::vector<std::string>& list) {
  std::vector<std::string> out;
  for (const std::string& s : list) out.push_back(trimmed(s));
  return out;
}

// Runs a shell command and gives its output.
inline std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

}  // namespace reporttest
