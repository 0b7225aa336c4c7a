#include "app/reports/preview_layout.h"

#include <algorithm>

int32_t PreviewLayout::last() const { return std::min(first_ + shown() - 1, pages_); }

void PreviewLayout::next() {
  if (!zoomed()) {
    if (first_ + shown() <= pages_) first_ += shown();
  } else if (first_ < pages_) {
    ++first_;
  }
}

void PreviewLayout::previous() {
  if (!zoomed())
    first_ = std::max(1, first_ - shown());
  else if (first_ > 1)
    --first_;
}

void PreviewLayout::goTo(int32_t page) { first_ = std::clamp(page, 1, std::max(1, pages_)); }

void PreviewLayout::setGrid(int32_t across, int32_t down) {
  across_ = std::max(1, across);
  down_ = std::max(1, down);
  zoom_ = Zoom::None;
}

void PreviewLayout::thumbnailClicked(int32_t k) {
  if (zoomed() || k < 0 || first_ + k > pages_) return;
  first_ += k;
  zoom_ = Zoom::PageWidth;
}

std::string PreviewLayout::pageStatus() const {
  const std::string of = " of " + std::to_string(pages_);
  if (shown() == 1 || first_ == last()) return "Page " + std::to_string(first_) + of;
  return "Pages " + std::to_string(first_) + "-" + std::to_string(last()) + of;
}

std::string PreviewLayout::zoomStatus() const {
  switch (zoom_) {
    case Zoom::None:
      return "No Zoom";
    case Zoom::PageWidth:
      return "Zoom (Page Width)";
    case Zoom::Percent50:
      return "Zoom (50%)";
    case Zoom::Percent75:
      return "Zoom (75%)";
    case Zoom::Percent100:
      return "Zoom (100%)";
    case Zoom::Percent200:
      return "Zoom (200%)";
    case Zoom::Percent300:
      return "Zoom (300%)";
  }
  return {};
}

std::vector<Slot> ThumbnailSlots(int32_t width, int32_t height, int32_t across, int32_t down,
                                 double aspect) {
  across = std::max(1, across);
  down = std::max(1, down);
  const int32_t cellWidth = std::max(1, (width - (across * 3 - 1)) / across);
  const int32_t cellHeight = std::max(1, (height - (down * 3 - 1)) / down);
  int32_t w = cellWidth, h = cellHeight;
  if (aspect > 0) {
    if (aspect > double(cellHeight) / cellWidth)
      w = std::max(1, int32_t(cellHeight / aspect));
    else
      h = std::max(1, int32_t(cellWidth * aspect));
  }
  std::vector<Slot> slots;
  for (int32_t row = 0; row < down; ++row)
    for (int32_t column = 0; column < across; ++column)
      slots.push_back({1 + column * (w + 3), 1 + row * (h + 3), w, h});
  return slots;
}

double ZoomFactor(Zoom zoom, int32_t windowWidth, int32_t pageWidth) {
  switch (zoom) {
    case Zoom::PageWidth:
      return pageWidth > 0 ? double(windowWidth) / pageWidth : 1.0;
    case Zoom::Percent50:
      return 0.5;
    case Zoom::Percent75:
      return 0.75;
    case Zoom::Percent100:
    case Zoom::None:
      return 1.0;
    case Zoom::Percent200:
      return 2.0;
    case Zoom::Percent300:
      return 3.0;
  }
  return 1.0;
}

std::string ZoomMenu(Zoom current) {
  static const char* const kItems[] = {"No Zoom", "Page Width", "50%", "75%",
                                       "100%",    "200%",       "300%"};
  std::string menu;
  for (int32_t i = 1; i <= 7; ++i) {
    if (i > 1) menu += '|';
    menu += (static_cast<int32_t>(current) == i ? "+" : "-");
    menu += kItems[i - 1];
    if (i == 1) menu += "|-";
  }
  return menu;
}

int32_t IntoRange(int32_t value, int32_t low, int32_t high) {
  return value > high ? high : value < low ? low : value;
}
