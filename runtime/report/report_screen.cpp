// The report object: opening with the choice of printer, properties, band printing with the
// chain of active groups, pages and their delivery to the printer or to the recording.
#include "runtime/report/report_screen.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/data/queue_store.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/properties.h"
#include "runtime/ui/resources.h"
#include "runtime/ui/threads.h"
#include "runtime/ui/value_codec.h"

namespace kiv::report {

using ui::ControlDesc;
using ui::ControlType;
using ui::Screen;

namespace {

constexpr size_t kQueueEntry = 80;                      // characters of a preview-queue entry
constexpr uint32_t kNoSuchDevice = 55;                  // platform error: the device does not exist
constexpr uint32_t kPrintCancelled = 63;                // platform error: the print job failed
std::atomic<uint64_t> gRecordLimit{16u * 1024 * 1024};  // bytes of one drawing record
std::atomic<uint32_t> gNextSerial{1};

int32_t number(const std::string& s) {
  return static_cast<int32_t>(std::strtol(s.c_str(), nullptr, 10));
}

void platformFailure(uint32_t error) {
  core::setPlatformError(error);
  Kiv$seterror(0);
}

}  // namespace

uint64_t recordLimit() { return gRecordLimit; }
void setRecordLimit(uint64_t bytes) { gRecordLimit = bytes; }

Report::Report() : serial_(gNextSerial++) {}

Report::~Report() { dropRecordings(); }

void Report::collectBands(const std::vector<ControlDesc>& list,
                          std::vector<const ControlDesc*>& groups, bool topLevel) {
  for (const ControlDesc& d : list) {
    if (d.type == ControlType::Break) {
      groups.push_back(&d);
      collectBands(d.children, groups, false);
      groups.pop_back();
      continue;
    }
    if (!ui::isBand(d.type)) continue;
    BandInfo b;
    b.desc = &d;
    b.groups = groups;
    b.pageBand = topLevel && d.type != ControlType::Detail;
    if (b.pageBand && d.type == ControlType::Header) pageHeader_ = &d;
    if (b.pageBand && d.type == ControlType::Footer) pageFooter_ = &d;
    if (d.type == ControlType::Detail) detailOrder_.push_back(d.feq);
    bands_[d.feq] = std::move(b);
  }
}

void Report::open(Screen& w) {
  if (open_) {
    Kiv$rterr(525, nullptr);
    return;
  }
  w.moduleDesc = ui::loadModule(w.module);
  w.desc = w.moduleDesc ? w.moduleDesc->find(w.label) : nullptr;
  if (!w.desc || w.desc->kind != ui::StructureKind::Report) {
    Kiv$rterr(529, nullptr);
    return;
  }
  at_ = {w.desc->at.x, w.desc->at.y, w.desc->at.w, w.desc->at.h};
  paperWidth_ = w.desc->paperWidth;
  paperHeight_ = w.desc->paperHeight;
  font_ = w.desc->font;
  text_ = w.desc->text;
  bands_.clear();
  detailOrder_.clear();
  pageHeader_ = pageFooter_ = nullptr;
  std::vector<const ControlDesc*> groups;
  collectBands(w.desc->controls, groups, true);
  choosePrinter();
  open_ = true;
  w.platformOpen = true;
  w.text = text_;
  ui::createControls(w);
  active_.clear();
  page_.reset();
  pageCount_ = pagesCompleted_ = 0;
  jobFailed_ = false;
}

void Report::choosePrinter() {
  PrinterSetup& setup = printerSetup();
  PrinterPlatform& platform = printerPlatform();
  if (setup.valid && !platform.exists(setup.printer)) setup = {};
  if (!setup.valid) {
    std::string name;
    switch (platform.defaultPrinter(name)) {
      case PrinterPlatform::Default::Found:
        setup.valid = true;
        setup.printer = name;
        break;
      case PrinterPlatform::Default::NoDefault:
      case PrinterPlatform::Default::NoPrinters:
        break;  // the report has no printer: pages can still be recorded
      case PrinterPlatform::Default::Failed:
        Kiv$rterr(524, nullptr);
        return;
    }
  }
  printer_ = setup.valid ? setup.printer : std::string();
}

void Report::close(Screen& w) {
  if (!open_) return;
  if (page_) {
    if (recording_)
      page_.reset();  // an unfinished recording is dropped, never printed
    else
      completePage(w);
  }
  if (job_) {
    if (!job_->end()) platformFailure(kPrintCancelled);
    job_.reset();
  }
  dropRecordings();
  queue_ = nullptr;
  recording_ = false;
  printFile_.clear();
  active_.clear();
  ui::destroyControls(w);
  w.platformOpen = false;
  open_ = false;
}

Box Report::body() const { return bodyOnPaper(at_, paperWidth_, paperHeight_); }

bool Report::setProperty(Screen& w, int32_t n, int32_t index, const std::string& value) {
  switch (n) {
    case ui::prop::Text:
      text_ = value;
      w.text = value;
      return true;
    case ui::prop::X:
      at_.x = number(value);
      return true;
    case ui::prop::Y:
      at_.y = number(value);
      return true;
    case ui::prop::Width:
      at_.w = number(value);
      return true;
    case ui::prop::Height:
      at_.h = number(value);
      return true;
    case prop::PaperWidth:
      if (number(value) > 0) paperWidth_ = number(value);
      return true;
    case prop::PaperHeight:
      if (number(value) > 0) paperHeight_ = number(value);
      return true;
    case prop::PrintRecorded:
      if (number(value) == 1) printRecorded();
      return true;
    case prop::PrintFile:
      printFile_ = value;
      return true;
    case prop::PrinterName:
      return true;  // read only
    default:
      return false;
  }
}

bool Report::getProperty(Screen& w, int32_t n, int32_t index, std::string& out) {
  switch (n) {
    case ui::prop::Text:
      out = text_;
      return true;
    case ui::prop::X:
      out = std::to_string(at_.x);
      return true;
    case ui::prop::Y:
      out = std::to_string(at_.y);
      return true;
    case ui::prop::Width:
      out = std::to_string(at_.w);
      return true;
    case ui::prop::Height:
      out = std::to_string(at_.h);
      return true;
    case prop::PaperWidth:
      out = std::to_string(paperWidth_);
      return true;
    case prop::PaperHeight:
      out = std::to_string(paperHeight_);
      return true;
    case prop::PrintRecorded:
      out = recording_ ? "0" : "1";
      return true;
    case prop::PreviewQueue:
      out = std::to_string(reinterpret_cast<uintptr_t>(queue_));
      return true;
    case prop::PrinterName:
      out = printer_;
      return true;
    case prop::PrintFile:
      out = printFile_;
      return true;
    default:
      return false;
  }
}

bool Report::setAddressProperty(Screen& w, int32_t n, void* address) {
  if (n != prop::PreviewQueue) return false;
  if (!open_) {
    Kiv$rterr(536, nullptr);
    return true;
  }
  if (!address) return true;
  queue_ = static_cast<KivQueue*>(address);
  recording_ = true;
  return true;
}

const BandInfo* Report::band(int32_t feq) const {
  auto it = bands_.find(feq);
  return it == bands_.end() ? nullptr : &it->second;
}

int32_t Report::firstDetail() const { return detailOrder_.empty() ? 0 : detailOrder_.front(); }

const ControlDesc* Report::groupBand(const ControlDesc& group, ControlType type) const {
  for (const ControlDesc& d : group.children)
    if (d.type == type) return &d;
  return nullptr;
}

std::string Report::breakValue(Screen& w, const ControlDesc& group) const {
  if (!group.use.index) return {};
  size_t i = static_cast<size_t>(group.use.index);
  void* address = i <= w.use.size() ? w.use[i - 1] : nullptr;
  return address ? ui::formatUse(group.use, address, "") : std::string();
}

// How many of the groups on `path` are active and unbroken, counted from the outermost.
size_t Report::matching(Screen& w, const std::vector<const ControlDesc*>& path) const {
  size_t i = 0;
  for (; i < path.size() && i < active_.size(); ++i) {
    if (active_[i].group != path[i]) break;
    if (path[i]->use.index && breakValue(w, *path[i]) != active_[i].value) break;
  }
  return i;
}

void Report::closeGroupsFrom(Screen& w, size_t level) {
  while (active_.size() > level) {
    const ControlDesc* footer = groupBand(*active_.back().group, ControlType::Footer);
    if (footer) printBand(w, *footer);
    active_.pop_back();
  }
}

void Report::openGroups(Screen& w, const std::vector<const ControlDesc*>& path, size_t level) {
  for (size_t i = level; i < path.size(); ++i) {
    active_.push_back({path[i], breakValue(w, *path[i])});
    if (const ControlDesc* header = groupBand(*path[i], ControlType::Header)) printBand(w, *header);
  }
}

void Report::print(Screen& w, int32_t feq) {
  if (!open_) {
    Kiv$rterr(536, nullptr);
    return;
  }
  const BandInfo* b = band(feq);
  if (!b) return;
  const ControlDesc& d = *b->desc;
  if (b->pageBand || b->groups.empty() || d.type == ControlType::Detail) {
    size_t level = matching(w, b->groups);
    closeGroupsFrom(w, level);
    openGroups(w, b->groups, level);
    printBand(w, d);
    return;
  }
  // The header or footer of the innermost group it stands in.
  std::vector<const ControlDesc*> outer(b->groups.begin(), b->groups.end() - 1);
  const ControlDesc* own = b->groups.back();
  if (d.type == ControlType::Header) {
    // Printing a group's header starts the group again.
    size_t level = std::min(matching(w, b->groups), outer.size());
    closeGroupsFrom(w, level);
    openGroups(w, b->groups, level);  // prints this header
    return;
  }
  size_t level = matching(w, outer);
  if (level == outer.size() && active_.size() > level && active_[level].group == own) {
    // The group's own footer ends it, after the groups inside it.
    closeGroupsFrom(w, level + 1);
    printBand(w, d);
    active_.pop_back();
    return;
  }
  closeGroupsFrom(w, level);
  openGroups(w, outer, level);
  printBand(w, d);
}

Box Report::bandSize(Screen& w, const ControlDesc& band, int32_t bodyWidth) const {
  ui::Control* c = w.control(band.feq);
  ui::Rect at = c ? c->position : band.at;
  Box size{0, 0, at.w > 0 ? at.w : bodyWidth, at.h};
  if (size.h <= 0) {
    // No height of its own: as high as its controls reach.
    for (const ControlDesc& d : band.children) {
      ui::Control* k = d.feq ? w.control(d.feq) : nullptr;
      ui::Rect r = k ? k->position : d.at;
      size.h = std::max(size.h, r.y + std::max(0, r.h));
    }
  }
  return size;
}

void Report::beginPage(Screen& w) {
  Box b = body();
  int32_t header = 0, footer = 0;
  ui::Control* hc = pageHeader_ ? w.control(pageHeader_->feq) : nullptr;
  ui::Control* fc = pageFooter_ ? w.control(pageFooter_->feq) : nullptr;
  bool showHeader = pageHeader_ && !(hc && hc->hidden);
  bool showFooter = pageFooter_ && !(fc && fc->hidden);
  if (showHeader) header = bandSize(w, *pageHeader_, b.w).h;
  if (showFooter) footer = bandSize(w, *pageFooter_, b.w).h;
  page_ = std::make_unique<Page>(b, header, footer);
  page_->page->number = ++pageCount_;
  page_->page->paperWidth = paperWidth_;
  page_->page->paperHeight = paperHeight_;
  if (showHeader) {
    Box at = page_->flow.headerBox();
    drawBand(w, *pageHeader_, at);
    page_->page->bands.push_back({pageHeader_->feq, ControlType::Header, at});
  }
}

void Report::completePage(Screen& w) {
  if (!page_) return;
  ui::Control* fc = pageFooter_ ? w.control(pageFooter_->feq) : nullptr;
  if (pageFooter_ && !(fc && fc->hidden)) {
    Box at = page_->flow.footerBox();
    drawBand(w, *pageFooter_, at);
    page_->page->bands.push_back({pageFooter_->feq, ControlType::Footer, at});
  }
  std::shared_ptr<RecordedPage> done = std::move(page_->page);
  page_.reset();
  ++pagesCompleted_;
  if (recording_) {
    done->name = PageRegistry::instance().nameFor(serial_, done->number);
    auto packed = std::make_shared<const PackedPage>(*done);
    PageRegistry::instance().add(packed);
    recorded_.push_back(std::move(packed));
    appendToQueue(done->name);
    return;
  }
  deliver(done);
}

void Report::printBand(Screen& w, const ControlDesc& band) {
  ui::Control* c = w.control(band.feq);
  if (c && c->hidden) return;
  if (!page_) beginPage(w);
  Box size = bandSize(w, band, body().w);
  bool beside = band.type == ControlType::Detail;
  std::optional<Box> at = page_->flow.place(size.w, size.h, beside);
  if (!at) {
    completePage(w);
    beginPage(w);
    at = page_->flow.place(size.w, size.h, beside);
  }
  drawBand(w, band, *at);
  page_->page->bands.push_back({band.feq, band.type, *at});
}

void Report::endPage(Screen& w) {
  if (!open_) {
    Kiv$rterr(536, nullptr);
    return;
  }
  completePage(w);
}

std::unique_ptr<PrintJob> Report::startJob() {
  if (!printFile_.empty()) return printerFileJob(printFile_, text_);
  return printerPlatform().startJob(printer_, text_);
}

void Report::deliver(const PagePtr& page) {
  // No printer and no file: the page goes nowhere.
  if ((printer_.empty() && printFile_.empty()) || jobFailed_) return;
  if (!job_) job_ = startJob();
  if (!job_ || !job_->page(*page)) {
    jobFailed_ = true;
    job_.reset();
    platformFailure(kPrintCancelled);
  }
}

void Report::appendToQueue(const std::string& name) {
  if (!queue_ || !queue_->buffer) return;
  Kiv$RECORDSqueue(queue_);  // makes the queue's store when it has none
  if (!queue_->store) return;
  uint32_t size = queue_->store->recordSize();
  auto* buffer = static_cast<char*>(queue_->buffer);
  std::string saved(buffer, size);
  size_t entry = std::min<size_t>(size, kQueueEntry);
  std::memset(buffer, ' ', entry);
  std::memcpy(buffer, name.data(), std::min(entry, name.size()));
  Kiv$ADDqueue(queue_);
  std::memcpy(buffer, saved.data(), size);
}

void Report::printRecorded() {
  Kiv$clearerror();
  if (!recording_) return;
  recording_ = false;
  if (printer_.empty() && printFile_.empty()) {
    platformFailure(kNoSuchDevice);
    return;
  }
  std::unique_ptr<PrintJob> job = startJob();
  bool ok = job != nullptr;
  // The pages are the report's own and are painted with Qt alone: the runtime lock is let go
  // meanwhile, so that the program's other windows are served while thousands of pages print.
  const bool locked = ui::holdsRuntimeLock();
  if (locked) ui::unlockRuntime();
  for (const PackedPtr& p : recorded_)
    if (ok) ok = job->page(*p->unpack());
  if (job && !job->end()) ok = false;
  if (locked) ui::lockRuntime();
  if (!ok) platformFailure(kPrintCancelled);
}

std::vector<PagePtr> Report::recordedPages() const {
  std::vector<PagePtr> pages;
  pages.reserve(recorded_.size());
  for (const PackedPtr& p : recorded_) pages.push_back(p->unpack());
  return pages;
}

void Report::dropRecordings() {
  for (const PackedPtr& p : recorded_) PageRegistry::instance().remove(p->name());
  recorded_.clear();
}

}  // namespace kiv::report
