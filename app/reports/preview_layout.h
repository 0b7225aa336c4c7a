// What the report preview shows and how it moves: the pages on show, the zoom, the paging rules,
// the places of the thumbnails and the status texts. No window here: the preview procedure
// draws what this says.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The seven ways of showing pages; the numbers are the items of the zoom pop-up menu.
enum class Zoom : int32_t {
  None = 1,  // thumbnails, across x down
  PageWidth,
  Percent50,
  Percent75,
  Percent100,
  Percent200,
  Percent300
};

// A thumbnail's place in the window, in pixels.
struct Slot {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

class PreviewLayout {
 public:
  explicit PreviewLayout(int32_t pages) : pages_(pages) {}

  int32_t pages() const { return pages_; }
  int32_t first() const { return first_; }
  int32_t across() const { return across_; }
  int32_t down() const { return down_; }
  Zoom zoom() const { return zoom_; }
  bool zoomed() const { return zoom_ != Zoom::None; }
  // Thumbnail slots; one page when zoomed.
  int32_t shown() const { return zoomed() ? 1 : across_ * down_; }
  // The last page on show.
  int32_t last() const;

  // Next: with thumbnails a screen on, if that page exists; zoomed one page on.
  void next();
  // Previous: with thumbnails a screen back, not below page 1; zoomed one page back.
  void previous();
  bool canGoNext() const { return last() < pages_; }
  bool canGoBack() const { return first_ > 1; }
  // A page by its number (the page spin, the jump window), kept within the pages.
  void goTo(int32_t page);
  void setGrid(int32_t across, int32_t down);
  void setZoom(Zoom zoom) { zoom_ = zoom; }
  // The k-th thumbnail of the screen (from 0) was clicked: that page at page width.
  void thumbnailClicked(int32_t k);

  // Status zone 2 ("Page 1 of 6", "Pages 1-4 of 6") and zone 3 ("Zoom (50%)").
  std::string pageStatus() const;
  std::string zoomStatus() const;

 private:
  int32_t pages_;
  int32_t first_ = 1, across_ = 1, down_ = 1;
  Zoom zoom_ = Zoom::None;
};

// The thumbnails of a window `width` x `height` pixels, across x down, row by row from (1, 1)
// with 3 pixels between them, each as high or as wide as the page's shape (height / width)
// allows in its cell.
std::vector<Slot> ThumbnailSlots(int32_t width, int32_t height, int32_t across, int32_t down,
                                 double aspect);

// The zoom factor: page width is the window's width over the page's; the others are fixed.
double ZoomFactor(Zoom zoom, int32_t windowWidth, int32_t pageWidth);

// The zoom pop-up menu with the current mode checked:
// "-No Zoom|-|-Page Width|-50%|-75%|-100%|-200%|-300%".
std::string ZoomMenu(Zoom current);

// A number outside [low, high] brought back to the nearer bound (a spin's refused value).
int32_t IntoRange(int32_t value, int32_t low, int32_t high);
