// A finished recorded page kept packed: its drawing records as bytes, each font as a number in a
// table shared by all pages, images beside the bytes. A packed page takes a fraction of the
// memory of its records as objects, so a report of thousands of pages can be kept for its
// preview; it is unpacked each time it is drawn or printed.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/report/page_record.h"

namespace kiv::report {

class PackedPage {
 public:
  explicit PackedPage(const RecordedPage& page);
  PagePtr unpack() const;
  const std::string& name() const { return name_; }
  // Bytes the packed page holds (its images not counted).
  size_t bytes() const {
    return sizeof(*this) + records_.capacity() + bands_.capacity() * sizeof(BandPlacement);
  }

 private:
  std::string name_;
  int32_t number_ = 0, paperWidth_ = 0, paperHeight_ = 0;
  uint32_t count_ = 0;
  std::string records_;
  std::vector<QImage> images_;
  std::vector<BandPlacement> bands_;
};

using PackedPtr = std::shared_ptr<const PackedPage>;

}  // namespace kiv::report
