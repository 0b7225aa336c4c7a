// The scroll thumb of a browse: where the selected record's key value stands among key values
// sampled at even intervals through the table.
//
// Key values are compared as sortable texts: text upper case, numbers as fixed-width digits, the
// components of a key joined in order (SortableText, SortableNumber).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "include/kiv/table.h"
#include "include/kiv/view.h"

// A text key component as it sorts: upper case, without trailing blanks.
std::string SortableText(std::string_view text);
// A number key component as it sorts: fixed-width digits (negative numbers before the others).
std::string SortableNumber(int64_t value);
std::string SortableNumber(uint64_t value);

class KeySamples {
 public:
  static constexpr int32_t kCount = 100;
  // A pass through a view reads at most this many records for its samples.
  static constexpr int32_t kMostRead = 250000;

  // Samples the records that lie at even intervals through the table's record order, found by
  // their record pointers: kCount reads at most, whatever the table's size. The table's
  // sequence and record buffer are changed; the buffer is given back as it was.
  void gatherByPointer(kiv::Table& table, const std::function<std::string()>& keyValue);
  // Samples every n-th record a view delivers from its start (the records its filter lets
  // through); gives up without samples beyond kMostRead records.
  void gatherFromView(kiv::View& view, const std::function<void()>& restart,
                      const std::function<std::string()>& keyValue);
  // One sample: the key value, and where its record is (by pointer, or by its view position).
  struct Sample {
    std::string value;
    int32_t pointer = 0;
    std::string position;
  };

  void clear() { samples_.clear(); }
  bool empty() const { return samples_.empty(); }
  int32_t size() const { return int32_t(samples_.size()); }
  const std::vector<Sample>& samples() const { return samples_; }

  // Where `value` stands: the first sample not below it, in hundredths of the samples (100
  // when every sample is below it); -1 without samples.
  int32_t percent(const std::string& value) const;
  // The sample at `percent` of the way through the samples.
  const Sample& at(int32_t percent) const;

 private:
  std::vector<Sample> samples_;  // in key order
};
