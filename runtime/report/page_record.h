// A recorded page: what a report printed on one page, as a list of drawing records in
// thousandths of an inch on the paper, plus where each band went. A recording is painted again
// onto any target (printer, PDF file, image) at that target's resolution.
#pragma once

#include <QImage>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/description.h"

namespace kiv::report {

// A rectangle on the paper, in thousandths of an inch.
struct Box {
  int32_t x = 0, y = 0, w = 0, h = 0;
  int32_t right() const { return x + w; }
  int32_t bottom() const { return y + h; }
};

struct DrawRecord {
  enum class Kind { Text, Line, Rect, Ellipse, Image };
  Kind kind = Kind::Text;
  int32_t feq = 0;  // the control that drew it (0 for a control without an equate)
  Box at;           // a line runs from (x, y) to (x + w, y + h)
  std::string text;
  ui::FontDesc font;  // name and size in points
  char justify = 'L';
  int32_t color = -1;   // text or line colour, 24-bit RGB (red in the low byte); -1 black
  int32_t fill = -1;    // fill of a box or ellipse, -1 none
  int32_t border = -1;  // border of a box or ellipse, -1 black
  QImage image;

  // Bytes the record holds, measured against the recording's limit.
  uint64_t size() const;
};

// Where one band went.
struct BandPlacement {
  int32_t feq = 0;
  ui::ControlType type = ui::ControlType::Detail;
  Box at;
};

struct RecordedPage {
  std::string name;    // the page's name in the preview queue
  int32_t number = 0;  // 1-based page number within its report
  int32_t paperWidth = 0, paperHeight = 0;
  std::vector<DrawRecord> records;
  std::vector<BandPlacement> bands;
};

using PagePtr = std::shared_ptr<const RecordedPage>;

class PackedPage;

// The recorded pages that can be found by name, for as long as their report keeps them. Safe to
// use from any thread (the GUI thread reads pages that runtime threads recorded).
class PageRegistry {
 public:
  static PageRegistry& instance();
  // A name no other recording has: "*REPORT0003.PAGE00001".
  std::string nameFor(uint32_t report, int32_t page);
  void add(const std::shared_ptr<const PackedPage>& page);
  void remove(std::string_view name);
  // The page unpacked, or nullptr; trailing blanks of a queue entry are ignored.
  PagePtr find(std::string_view name);

 private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const PackedPage>, std::less<>> pages_;
};

}  // namespace kiv::report
