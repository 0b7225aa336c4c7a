// REPORTSCREEN: an open report. A window object of kind REPORT whose behaviour is this class:
// its bands and the chain of active groups, the printer it prints on, the page in progress and
// the recording of pages for the preview. Guarded by the runtime lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "include/kvrun32/queue.h"
#include "runtime/report/page_flow.h"
#include "runtime/report/page_pack.h"
#include "runtime/report/page_record.h"
#include "runtime/report/printer.h"
#include "runtime/ui/screen.h"

namespace kiv::report {

namespace prop {
// Properties of a report (numbers of the property operations).
constexpr int32_t PreviewQueue = 31827, PrintRecorded = 31828;
// This runtime's report properties: the paper's width and height in thousandths of an inch
// (the body's place is the report's X, Y, width and height).
constexpr int32_t PaperWidth = 31521, PaperHeight = 31530;
// The report's printer by name, read only (empty: the report has no printer); and the PDF file
// its pages print into instead of the printer (the printer support's "print to file"; empty:
// the printer).
constexpr int32_t PrinterName = 31244, PrintFile = 31852;
}  // namespace prop

// A band of the report's description with the groups it stands in (outermost first).
struct BandInfo {
  const ui::ControlDesc* desc = nullptr;
  std::vector<const ui::ControlDesc*> groups;
  bool pageBand = false;  // the page header or page footer
};

class Report : public ui::ScreenBehaviour {
 public:
  Report();
  ~Report() override;

  void open(ui::Screen& w) override;
  void close(ui::Screen& w) override;
  bool setProperty(ui::Screen& w, int32_t number, int32_t index, const std::string& value) override;
  bool getProperty(ui::Screen& w, int32_t number, int32_t index, std::string& out) override;
  bool setAddressProperty(ui::Screen& w, int32_t number, void* address) override;

  bool isOpen() const { return open_; }
  // PRINT: one band, after the groups it stands in are brought up to date.
  void print(ui::Screen& w, int32_t band);
  // The first detail band of the description (the second form of PRINT).
  int32_t firstDetail() const;
  // ENDPAGE: completes the page in progress.
  void endPage(ui::Screen& w);

  bool hasPrinter() const { return !printer_.empty(); }
  const std::string& printer() const { return printer_; }
  bool recording() const { return recording_; }
  std::vector<PagePtr> recordedPages() const;  // unpacked
  int32_t pagesCompleted() const { return pagesCompleted_; }

 private:
  struct ActiveGroup {
    const ui::ControlDesc* group;
    std::string value;  // the break variable's value when the group began
  };
  struct Page {
    Page(Box body, int32_t header, int32_t footer) : flow(body, header, footer) {}
    std::shared_ptr<RecordedPage> page = std::make_shared<RecordedPage>();
    PageFlow flow;
  };

  void choosePrinter();
  void collectBands(const std::vector<ui::ControlDesc>& list,
                    std::vector<const ui::ControlDesc*>& groups, bool topLevel);
  const BandInfo* band(int32_t feq) const;
  const ui::ControlDesc* groupBand(const ui::ControlDesc& group, ui::ControlType type) const;
  std::string breakValue(ui::Screen& w, const ui::ControlDesc& group) const;
  size_t matching(ui::Screen& w, const std::vector<const ui::ControlDesc*>& path) const;
  void closeGroupsFrom(ui::Screen& w, size_t level);
  void openGroups(ui::Screen& w, const std::vector<const ui::ControlDesc*>& path, size_t level);
  void printBand(ui::Screen& w, const ui::ControlDesc& band);
  Box bandSize(ui::Screen& w, const ui::ControlDesc& band, int32_t bodyWidth) const;
  void beginPage(ui::Screen& w);
  void completePage(ui::Screen& w);
  void drawBand(ui::Screen& w, const ui::ControlDesc& band, Box at);
  void drawControl(ui::Screen& w, const ui::ControlDesc& d, Box origin);
  std::string shownText(ui::Screen& w, const ui::ControlDesc& d, const ui::Control* c) const;
  const QImage& image(const std::string& name);
  void addRecord(DrawRecord r);
  void deliver(const PagePtr& page);
  void appendToQueue(const std::string& name);
  void printRecorded();
  std::unique_ptr<PrintJob> startJob();
  void dropRecordings();
  Box body() const;

  const uint32_t serial_;  // tells this report's page names from others'
  bool open_ = false;
  std::string text_;
  Box at_;  // the body's place on the paper, as the description or the properties give it
  int32_t paperWidth_ = 8500, paperHeight_ = 11000;
  ui::FontDesc font_;
  std::map<int32_t, BandInfo> bands_;
  std::vector<int32_t> detailOrder_;
  const ui::ControlDesc* pageHeader_ = nullptr;
  const ui::ControlDesc* pageFooter_ = nullptr;
  std::vector<ActiveGroup> active_;

  std::string printer_;    // empty: the report has no printer
  std::string printFile_;  // set: pages print into this PDF file instead
  std::unique_ptr<PrintJob> job_;
  bool jobFailed_ = false;

  std::unique_ptr<Page> page_;  // the page in progress
  int32_t pageCount_ = 0;
  int32_t pagesCompleted_ = 0;

  KivQueue* queue_ = nullptr;
  bool recording_ = false;
  std::vector<PackedPtr> recorded_;
  std::map<std::string, QImage> images_;
};

// The report behind a window object, or nullptr when it is not a report.
Report* reportOf(void* object) KIV_REQUIRES_RUNTIME_LOCK;
ui::Screen* reportScreen(void* object) KIV_REQUIRES_RUNTIME_LOCK;

// The limit of one drawing record of a recorded page, in bytes (runtime error 523 beyond it).
uint64_t recordLimit();
void setRecordLimit(uint64_t bytes);

}  // namespace kiv::report
