#include "app/browse/key_samples.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "include/kiv/error.h"
#include "include/kiv/string.h"

std::string SortableText(std::string_view text) { return kiv::upper(kiv::clip(text)); }

std::string SortableNumber(int64_t value) {
  // Offset into the unsigned range so that the digits sort as the numbers do.
  char digits[24];
  std::snprintf(digits, sizeof digits, "%020llu",
                static_cast<unsigned long long>(static_cast<uint64_t>(value) ^ (1ull << 63)));
  return digits;
}

std::string SortableNumber(uint64_t value) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%020llu", static_cast<unsigned long long>(value));
  return digits;
}

void KeySamples::gatherByPointer(kiv::Table& table, const std::function<std::string()>& keyValue) {
  samples_.clear();
  KivTable* t = table.desc();
  std::string saved(static_cast<const char*>(t->record), t->recordLength);
  const int32_t records = table.records();
  table.set();
  table.previous();
  const int64_t last = kiv::errorCode() == 0 ? table.pointer() : 0;
  table.set();
  table.next();
  const int64_t first = kiv::errorCode() == 0 ? table.pointer() : 0;
  if (records <= kCount) {
    // No more records than samples: every record once.
    table.set();
    for (table.next(); kiv::errorCode() == 0; table.next())
      samples_.push_back({keyValue(), table.pointer(), {}});
  } else {
    const int64_t n = kCount, span = last - first + 1;
    for (int64_t i = 0; i < n && first > 0 && last >= first; ++i) {
      // The middle of the i-th of n even stretches of the pointers (the lower of two middles);
      // the record there or the next.
      const int64_t pointer = first + (span * (2 * i + 1) - 1) / (2 * n);
      table.setAt(int32_t(pointer));
      table.next();
      if (kiv::errorCode() == 0) samples_.push_back({keyValue(), table.pointer(), {}});
    }
  }
  Kiv$clearerror();
  std::memcpy(t->record, saved.data(), saved.size());
  std::stable_sort(samples_.begin(), samples_.end(),
                   [](const Sample& a, const Sample& b) { return a.value < b.value; });
}

void KeySamples::gatherFromView(kiv::View& view, const std::function<void()>& restart,
                                const std::function<std::string()>& keyValue) {
  samples_.clear();
  KivTable* t = view.primary().desc();
  std::string saved(static_cast<const char*>(t->record), t->recordLength);
  // Every step-th record is kept; when twice the samples wanted are kept, every other one goes
  // and the step doubles, so the ones kept stay evenly spread over what was read.
  std::vector<Sample> kept;
  int64_t step = 1, read = 0;
  restart();
  for (view.next(); kiv::errorCode() == 0; view.next(), ++read) {
    if (read >= kMostRead) {
      kept.clear();
      break;
    }
    if (read % step != 0) continue;
    kept.push_back({keyValue(), 0, view.position()});
    if (int32_t(kept.size()) >= 2 * kCount) {
      for (size_t i = 1; 2 * i < kept.size(); ++i) kept[i] = std::move(kept[2 * i]);
      kept.resize((kept.size() + 1) / 2);
      step *= 2;
    }
  }
  Kiv$clearerror();
  std::memcpy(t->record, saved.data(), saved.size());
  const size_t n = std::min<size_t>(kCount, kept.size());
  for (size_t i = 0; i < n; ++i) samples_.push_back(kept[(2 * i + 1) * kept.size() / (2 * n)]);
  std::stable_sort(samples_.begin(), samples_.end(),
                   [](const Sample& a, const Sample& b) { return a.value < b.value; });
}

int32_t KeySamples::percent(const std::string& value) const {
  if (samples_.empty()) return -1;
  const auto at =
      std::lower_bound(samples_.begin(), samples_.end(), value,
                       [](const Sample& s, const std::string& v) { return s.value < v; });
  return int32_t((at - samples_.begin()) * 100 / int64_t(samples_.size()));
}

const KeySamples::Sample& KeySamples::at(int32_t percent) const {
  const int64_t n = int64_t(samples_.size());
  return samples_[size_t(std::clamp<int64_t>(int64_t(percent) * n / 100, 0, n - 1))];
}
