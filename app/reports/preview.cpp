// ReportPreview: the recorded pages as a grid of thumbnails or as one page zoomed. The image
// controls draw each page from its recording at their own size, so text stays sharp at every
// zoom; thumbnails and the zoomed page are controls the preview makes while it runs.
#include "app/reports/preview.h"

#include <cstdlib>
#include <filesystem>

#include "app/reports/preview_layout.h"
#include "app/tables/globals.h"
#include "include/kiv/window.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro_sf";

// Controls of REPORTPREVIEW$PREVIEW:WINDOW.
enum : int32_t {
  kPrint = 2,
  kExit = 3,
  kPagesMenu = 4,
  kNext = 5,
  kPrevious = 6,
  kJump = 7,
  kChangeDisplay = 8,
  kZoomNone = 10,  // to 16: one item per zoom mode
  kZoomLast = 16,
  kPrintButton = 17,
  kExitButton = 18,
  kZoomButton = 19,
  kPageSpin = 20,
  kAcrossSpin = 21,
  kDownSpin = 22,
  kMeasure = 100,     // made for a moment, to measure the page
  kPageImage = 102,   // the zoomed page
  kFrames = 104,      // thumbnail frames from here
  kThumbnails = 204,  // thumbnail images from here
};

// Properties the preview sets (this runtime's meanings).
constexpr int32_t kMinimumSize = 31917;  // the window's smallest size, pixels
constexpr int32_t kFitPicture = 31837;   // an image scales its picture to fit
constexpr int32_t kZoomPercent = 31838;  // an image shows its picture zoomed, and scrolls
constexpr int32_t kFixedZoom = 31847;    // ... at that zoom (1) or as wide as itself (0)
constexpr int32_t kMessage = 31859;      // status-bar message of a control
constexpr int32_t kInnerWidth = 31919, kInnerHeight = 31920;
constexpr int32_t kLeftClick = 1, kPageUp = 33, kPageDown = 34;
constexpr int32_t kBlack = 0, kWhite = 16777215;

class Preview {
 public:
  explicit Preview(PreviewPages& pages)
      : pages_(pages),
        layout_(pages.records()),
        window_(kiv::Window::Plain, kModule, "REPORTPREVIEW$PREVIEW:WINDOW", &first_, &across_,
                &down_) {}

  int32_t run();

 private:
  void measurePage();
  void layOut();
  void showThumbnails(const kiv::Position& body);
  void showZoomed(const kiv::Position& body);
  void dropThumbnails();
  void dropZoomed();
  void showState();
  std::string pageName(int32_t page);
  void goToTypedPage(int32_t feq);
  void refused(int32_t feq);

  PreviewPages& pages_;
  PreviewLayout layout_;
  kiv::Long first_ = 1, across_ = 1, down_ = 1;  // the spins' values
  kiv::Window window_;
  double aspect_ = 11.0 / 8.5;
  int32_t pageWidth_ = 816;               // pixels of the page at 100%
  int32_t thumbnailsMade_ = 0;            // pairs of thumbnail controls in the window
  int32_t typedFeq_ = 0, typed_ = 0;      // the spin accepted last and the number typed into it
  int32_t shownSpins_[3] = {-1, -1, -1};  // what the page, across and down spins show
  bool zoomedMade_ = false;
};

std::string Preview::pageName(int32_t page) {
  pages_.get(page);
  return std::string(pages_.rec.Name.clipped());
}

void Preview::measurePage() {
  window_.create(kMeasure, KIV_CTL_IMAGE);
  window_.setText(kMeasure, pageName(1));
  const int32_t width = window_.number(kMeasure, kInnerWidth);
  const int32_t height = window_.number(kMeasure, kInnerHeight);
  window_.destroy(kMeasure);
  if (width > 0 && height > 0) {
    pageWidth_ = width;
    aspect_ = double(height) / width;
  }
}

void Preview::dropThumbnails() {
  if (thumbnailsMade_ == 0) return;
  window_.destroy(kFrames, kFrames + thumbnailsMade_ - 1);
  window_.destroy(kThumbnails, kThumbnails + thumbnailsMade_ - 1);
  thumbnailsMade_ = 0;
}

void Preview::dropZoomed() {
  if (!zoomedMade_) return;
  window_.destroy(kPageImage);
  zoomedMade_ = false;
}

void Preview::showThumbnails(const kiv::Position& body) {
  dropZoomed();
  const int32_t shown = layout_.shown();
  if (thumbnailsMade_ != shown) {
    dropThumbnails();
    for (int32_t k = 0; k < shown; ++k) {
      window_.create(kFrames + k, KIV_CTL_BOX);
      window_.set(kFrames + k, kiv::prop::BorderColor, kBlack);
      window_.set(kFrames + k, kiv::prop::Fill, kWhite);
      window_.create(kThumbnails + k, KIV_CTL_IMAGE);
      window_.set(kThumbnails + k, kFitPicture, 1);
      window_.set(kThumbnails + k, kiv::prop::AlertKey, kLeftClick, 1);
    }
    thumbnailsMade_ = shown;
  }
  std::vector<Slot> slots =
      ThumbnailSlots(body.width, body.height, layout_.across(), layout_.down(), aspect_);
  for (int32_t k = 0; k < shown; ++k) {
    const Slot& s = slots[size_t(k)];
    const kiv::Position at{s.x, s.y, s.width, s.height};
    window_.setPosition(kFrames + k, at);
    window_.setPosition(kThumbnails + k, at);
    const int32_t page = layout_.first() + k;
    if (page <= layout_.pages()) {
      window_.setText(kThumbnails + k, pageName(page));
      window_.unhide(kFrames + k);
      window_.unhide(kThumbnails + k);
    } else {
      window_.hide(kFrames + k);
      window_.hide(kThumbnails + k);
    }
  }
}

void Preview::showZoomed(const kiv::Position& body) {
  dropThumbnails();
  if (!zoomedMade_) {
    window_.create(kPageImage, KIV_CTL_IMAGE);
    window_.set(kPageImage, kiv::prop::AlertKey, kLeftClick, 1);
    zoomedMade_ = true;
  }
  const double factor = ZoomFactor(layout_.zoom(), body.width, pageWidth_);
  window_.set(kPageImage, kFixedZoom, layout_.zoom() == Zoom::PageWidth ? 0 : 1);
  window_.set(kPageImage, kZoomPercent, std::max(1, int32_t(factor * 100 + 0.5)));
  window_.setPosition(kPageImage, {0, 0, body.width, body.height});
  window_.setText(kPageImage, pageName(layout_.first()));
}

void Preview::showState() {
  if (layout_.pages() > 1) {
    if (layout_.canGoBack())
      window_.enable(kPrevious);
    else
      window_.disable(kPrevious);
    if (layout_.canGoNext())
      window_.enable(kNext);
    else
      window_.disable(kNext);
  }
  // A spin is shown afresh only when its number changed, so that a number being typed into
  // another spin stays there until that spin is accepted.
  const int32_t now[3] = {layout_.first(), layout_.across(), layout_.down()};
  kiv::Long* values[3] = {&first_, &across_, &down_};
  for (int32_t i = 0; i < 3; ++i) {
    *values[i] = now[i];
    if (now[i] == shownSpins_[i]) continue;
    shownSpins_[i] = now[i];
    window_.display(kPageSpin + i);
  }
  window_.setStatus(2, layout_.pageStatus());
  window_.setStatus(3, layout_.zoomStatus());
}

void Preview::layOut() {
  const kiv::Position body{0, 0, window_.number(0, kInnerWidth), window_.number(0, kInnerHeight)};
  if (layout_.zoomed())
    showZoomed(body);
  else
    showThumbnails(body);
  showState();
}

// A spin was accepted: the page spin's number is the first page on show, the others make the
// grid.
void Preview::goToTypedPage(int32_t feq) {
  typedFeq_ = feq;
  typed_ = std::atoi(window_.text(feq).c_str());
  window_.update(feq);  // a number outside the spin's range is refused (EVENT:Rejected)
  shownSpins_[feq - kPageSpin] = -1;  // shown again as taken
  if (feq == kPageSpin)
    layout_.goTo(first_);
  else
    layout_.setGrid(across_, down_);
}

// A spin refused a number outside its range: the nearer bound takes its place.
void Preview::refused(int32_t feq) {
  // The number as typed: the spin shows the page on show again by now.
  const int32_t typed = feq == typedFeq_ ? typed_ : std::atoi(window_.text(feq).c_str());
  typedFeq_ = 0;
  if (feq >= kPageSpin && feq <= kDownSpin) shownSpins_[feq - kPageSpin] = -1;
  if (feq == kPageSpin) {
    layout_.goTo(IntoRange(typed, 1, layout_.pages()));
  } else if (feq == kAcrossSpin || feq == kDownSpin) {
    const int32_t value = IntoRange(typed, window_.number(feq, kiv::prop::RangeLow),
                                    window_.number(feq, kiv::prop::RangeHigh));
    layout_.setGrid(feq == kAcrossSpin ? value : layout_.across(),
                    feq == kDownSpin ? value : layout_.down());
  }
}

int32_t Preview::run() {
  window_.open();
  window_.set(0, kMinimumSize, 315);
  measurePage();
  if (layout_.pages() == 1) {
    window_.disable(kPageSpin, kDownSpin);
    window_.disable(kPagesMenu);
  } else {
    window_.set(kPageSpin, kiv::prop::RangeHigh, layout_.pages());
    window_.set(kPageSpin, kMessage,
                "Enter a page number from 1 to " + std::to_string(layout_.pages()));
  }
  window_.alert(kPageUp, kPageDown);
  layOut();

  bool print = false;
  for (kiv::Event& event : window_.events()) {
    const int32_t code = event.code(), feq = event.field();
    bool handled = true;
    if (code == kiv::event::Accepted) {
      switch (feq) {
        case kPrint:
        case kPrintButton:
          print = true;
          window_.post(kiv::event::CloseWindow);
          break;
        case kExit:
        case kExitButton:
          window_.post(kiv::event::CloseWindow);
          break;
        case kNext:
          layout_.next();
          break;
        case kPrevious:
          layout_.previous();
          break;
        case kJump:
          layout_.goTo(JumpToPage(layout_.first(), layout_.pages()));
          break;
        case kChangeDisplay:
          ChangeDisplay(across_, down_);
          layout_.setGrid(across_, down_);
          break;
        case kZoomButton:
          if (int32_t item = window_.popup(ZoomMenu(layout_.zoom())); item >= 1 && item <= 7)
            layout_.setZoom(Zoom(item));
          break;
        case kPageSpin:
        case kAcrossSpin:
        case kDownSpin:
          goToTypedPage(feq);
          break;
        default:
          if (feq >= kZoomNone && feq <= kZoomLast)
            layout_.setZoom(Zoom(feq - kZoomNone + 1));
          else
            handled = false;
      }
    } else if (code == kiv::event::NewSelection &&
               (feq == kPageSpin || feq == kAcrossSpin || feq == kDownSpin)) {
      goToTypedPage(feq);
    } else if (code == kiv::event::Rejected) {
      refused(feq);
    } else if (code == kiv::event::AlertKey) {
      const int32_t key = event.keycode();
      if (feq == 0 && key == kPageUp) {
        window_.post(kiv::event::Accepted, kPrevious);
      } else if (feq == 0 && key == kPageDown) {
        window_.post(kiv::event::Accepted, kNext);
      } else if (feq == kPageImage) {
        layout_.setZoom(Zoom::None);
      } else if (feq >= kThumbnails && feq < kThumbnails + thumbnailsMade_) {
        layout_.thumbnailClicked(feq - kThumbnails);
      } else {
        handled = false;
      }
    } else if (code == kiv::event::Sized) {
      // laid out again below
    } else {
      handled = false;
    }
    if (handled && window_.isCurrent()) layOut();
  }
  GlobalResponse = print ? response::Completed : response::Cancelled;
  return GlobalResponse;
}

}  // namespace

int32_t ReportPreview(PreviewPages& pages) {
  if (pages.records() == 0) {
    GlobalResponse = response::Cancelled;
    return GlobalResponse;
  }
  return Preview(pages).run();
}

int32_t JumpToPage(int32_t current, int32_t pages) {
  enum : int32_t { kSpin = 2, kOk = 3, kCancel = 4 };
  kiv::Long page = current;
  kiv::Window window(kiv::Window::Plain, kModule, "PREVIEW:JUMPTOPAGE$JUMPWINDOW", &page);
  window.open();
  window.set(kSpin, kiv::prop::RangeHigh, pages);
  window.display(kSpin);
  window.select(kSpin);
  int32_t chosen = current;
  for (kiv::Event& event : window.events()) {
    if (event.accepted(kOk)) {
      chosen = IntoRange(std::atoi(window.text(kSpin).c_str()), 1, pages);
      event.breakLoop();
    } else if (event.accepted(kCancel)) {
      chosen = current;
      event.breakLoop();
    } else if (event.is(kiv::event::Rejected)) {
      page = IntoRange(std::atoi(window.text(kSpin).c_str()), 1, pages);
      window.display(kSpin);
    }
  }
  return chosen;
}

void ChangeDisplay(kiv::Long& across, kiv::Long& down) {
  enum : int32_t { kAcross = 3, kDown = 5, kOk = 6 };
  kiv::Window window(kiv::Window::Plain, kModule, "PREVIEW:SELECTDISPLAY$SELECTWINDOW", &across,
                     &down);
  window.open();
  window.select(kAcross);
  for (kiv::Event& event : window.events()) {
    if (event.accepted(kOk)) {
      for (int32_t feq : {kAcross, kDown}) {
        kiv::Long& value = feq == kAcross ? across : down;
        value = IntoRange(std::atoi(window.text(feq).c_str()), 1, 10);
      }
      window.post(kiv::event::CloseWindow);
    } else if (event.is(kiv::event::Rejected)) {
      kiv::Long& value = event.field() == kAcross ? across : down;
      value = IntoRange(std::atoi(window.text(event.field()).c_str()), 1, 10);
      window.display(event.field());
    }
  }
}

std::string PrintToFileName(std::string_view document) {
  enum : int32_t { kFile = 4, kPrintIt = 5, kCancel = 6 };
  std::string name(document.empty() ? "Report" : document);
  for (char& c : name)
    if (c == '/' || c == '\\') c = '-';
  const char* home = std::getenv("HOME");
  std::filesystem::path folder = home && *home ? home : std::filesystem::current_path().c_str();
  kiv::String<255> file((folder / (name + ".pdf")).string());
  kiv::Window window(kiv::Window::Plain, kModule, "PRINTTOFILE$WINDOW", &file);
  window.open();
  window.display();
  window.select(kFile);
  std::string chosen;
  for (kiv::Event& event : window.events()) {
    if (event.accepted(kPrintIt)) {
      window.update(kFile);
      if (file.blank()) {
        window.select(kFile);
        continue;
      }
      chosen = file.str();
      window.post(kiv::event::CloseWindow);
    } else if (event.accepted(kCancel)) {
      chosen.clear();
      window.post(kiv::event::CloseWindow);
    }
  }
  return chosen;
}
