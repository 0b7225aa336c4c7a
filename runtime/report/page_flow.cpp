#include "runtime/report/page_flow.h"

#include <algorithm>

namespace kiv::report {

PageFlow::PageFlow(Box body, int32_t headerHeight, int32_t footerHeight)
    : body_(body),
      header_(std::max(0, headerHeight)),
      footer_(std::max(0, footerHeight)),
      top_(body.y + header_),
      bottom_(body.bottom() - footer_),
      rowTop_(top_) {}

std::optional<Box> PageFlow::place(int32_t width, int32_t height, bool besideOthers) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (besideOthers && rowTakesMore_ && rowRight_ + width <= body_.right()) {
    Box at{rowRight_, rowTop_, width, height};
    rowRight_ += width;
    rowHeight_ = std::max(rowHeight_, height);
    return at;
  }
  int32_t y = placed_ ? rowTop_ + rowHeight_ : top_;
  if (placed_ && y + height > bottom_) return std::nullopt;
  rowTop_ = y;
  rowHeight_ = height;
  rowRight_ = body_.x + width;
  rowTakesMore_ = besideOthers;
  placed_ = true;
  return Box{body_.x, y, width, height};
}

Box bodyOnPaper(Box at, int32_t paperWidth, int32_t paperHeight) {
  Box b = at;
  b.x = std::clamp(b.x, 0, paperWidth);
  b.y = std::clamp(b.y, 0, paperHeight);
  if (b.w <= 0) b.w = paperWidth - 2 * b.x;
  if (b.h <= 0) b.h = paperHeight - 2 * b.y;
  b.w = std::clamp(b.w, 0, paperWidth - b.x);
  b.h = std::clamp(b.h, 0, paperHeight - b.y);
  return b;
}

}  // namespace kiv::report
