#include "runtime/report/page_pack.h"

#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

namespace kiv::report {
namespace {

// The fonts the pages use, numbered in the order they were first met; a report uses a handful.
class FontTable {
 public:
  static FontTable& instance() {
    static FontTable* table = new FontTable;  // pages may be unpacked while the process exits
    return *table;
  }
  uint32_t numberOf(const ui::FontDesc& f) {
    std::lock_guard lock(mutex_);
    auto key = std::make_tuple(f.name, f.size, f.bold, f.italic, f.underline);
    auto it = numbers_.find(key);
    if (it != numbers_.end()) return it->second;
    fonts_.push_back(f);
    const auto n = static_cast<uint32_t>(fonts_.size() - 1);
    numbers_.emplace(std::move(key), n);
    return n;
  }
  ui::FontDesc font(uint32_t n) {
    std::lock_guard lock(mutex_);
    return n < fonts_.size() ? fonts_[n] : ui::FontDesc{};
  }

 private:
  std::mutex mutex_;
  std::vector<ui::FontDesc> fonts_;
  std::map<std::tuple<std::string, int32_t, bool, bool, bool>, uint32_t> numbers_;
};

// Which of a record's optional parts follow its fixed part.
enum : uint8_t { kHasColor = 1, kHasFill = 2, kHasBorder = 4, kHasImage = 8 };

template <typename T>
void put(std::string& out, T v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <typename T>
T take(const char*& at) {
  T v;
  std::memcpy(&v, at, sizeof v);
  at += sizeof v;
  return v;
}

}  // namespace

PackedPage::PackedPage(const RecordedPage& page)
    : name_(page.name),
      number_(page.number),
      paperWidth_(page.paperWidth),
      paperHeight_(page.paperHeight),
      count_(static_cast<uint32_t>(page.records.size())),
      bands_(page.bands) {
  FontTable& fonts = FontTable::instance();
  size_t size = 0;
  for (const DrawRecord& r : page.records) size += 48 + r.text.size();
  records_.reserve(size);
  for (const DrawRecord& r : page.records) {
    uint8_t parts = (r.color != -1 ? kHasColor : 0) | (r.fill != -1 ? kHasFill : 0) |
                    (r.border != -1 ? kHasBorder : 0) | (r.image.isNull() ? 0 : kHasImage);
    put(records_, static_cast<uint8_t>(r.kind));
    put(records_, r.justify);
    put(records_, parts);
    put(records_, r.feq);
    put(records_, r.at.x);
    put(records_, r.at.y);
    put(records_, r.at.w);
    put(records_, r.at.h);
    put(records_, fonts.numberOf(r.font));
    put(records_, static_cast<uint32_t>(r.text.size()));
    records_.append(r.text);
    if (parts & kHasColor) put(records_, r.color);
    if (parts & kHasFill) put(records_, r.fill);
    if (parts & kHasBorder) put(records_, r.border);
    if (parts & kHasImage) {
      put(records_, static_cast<uint32_t>(images_.size()));
      images_.push_back(r.image);
    }
  }
  records_.shrink_to_fit();
}

PagePtr PackedPage::unpack() const {
  auto page = std::make_shared<RecordedPage>();
  page->name = name_;
  page->number = number_;
  page->paperWidth = paperWidth_;
  page->paperHeight = paperHeight_;
  page->bands = bands_;
  page->records.resize(count_);
  FontTable& fonts = FontTable::instance();
  const char* at = records_.data();
  for (DrawRecord& r : page->records) {
    r.kind = static_cast<DrawRecord::Kind>(take<uint8_t>(at));
    r.justify = take<char>(at);
    const auto parts = take<uint8_t>(at);
    r.feq = take<int32_t>(at);
    r.at.x = take<int32_t>(at);
    r.at.y = take<int32_t>(at);
    r.at.w = take<int32_t>(at);
    r.at.h = take<int32_t>(at);
    r.font = fonts.font(take<uint32_t>(at));
    const auto length = take<uint32_t>(at);
    r.text.assign(at, length);
    at += length;
    if (parts & kHasColor) r.color = take<int32_t>(at);
    if (parts & kHasFill) r.fill = take<int32_t>(at);
    if (parts & kHasBorder) r.border = take<int32_t>(at);
    if (parts & kHasImage) r.image = images_[take<uint32_t>(at)];
  }
  return page;
}

}  // namespace kiv::report
