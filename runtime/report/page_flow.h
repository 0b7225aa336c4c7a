// Where bands go on a page. The page header takes the top of the body and the page footer its
// bottom; the other bands fill the space between, row by row. A detail band goes beside the one
// before it when it fits in the rest of the row (label sheets); any other band, or a detail that
// does not fit, starts a new row below the tallest band of the row. A row that would cross the
// footer needs a new page; an empty page takes any band, so a band taller than the page still
// prints (cut off at the page's end) instead of asking for pages without end.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/report/page_record.h"

namespace kiv::report {

class PageFlow {
 public:
  // `body` is the report's body on the paper (already cut to the paper).
  PageFlow(Box body, int32_t headerHeight, int32_t footerHeight);

  Box headerBox() const { return {body_.x, body_.y, body_.w, header_}; }
  Box footerBox() const { return {body_.x, body_.bottom() - footer_, body_.w, footer_}; }

  // The place of a band of the given size, or nothing when it needs a new page.
  std::optional<Box> place(int32_t width, int32_t height, bool besideOthers);
  bool empty() const { return !placed_; }

 private:
  Box body_;
  int32_t header_, footer_;
  int32_t top_, bottom_;  // the space between header and footer
  int32_t rowTop_, rowHeight_ = 0, rowRight_ = 0;
  bool rowTakesMore_ = false;  // the row holds details that others may join
  bool placed_ = false;
};

// The body of a report on its paper: the report's place on the paper with an empty width or
// height filling the paper up to a margin as wide as the left or top one, cut to the paper.
Box bodyOnPaper(Box at, int32_t paperWidth, int32_t paperHeight);

}  // namespace kiv::report
