// Collating comparisons by the locale's weights, with digraphs.
#pragma once

#include <cstdint>
#include <string_view>

namespace kiv::format {

// Which table a comparison uses and whether lower-case letters weigh as their partners.
struct CollationMode {
  bool caseBlind = false;
  bool oem = false;  // the OEM collation table and the OEM copy of the digraphs
};

// The collating comparison of texts of any length: trailing spaces never make two texts
// differ. Digraphs count as their weighing character.
int32_t collateText(std::string_view a, std::string_view b, CollationMode mode);

// Comparison over a fixed length: the difference of the first differing weights, or 0.
int32_t compareFixed(const char* a, const char* b, uint32_t len, CollationMode mode);

}  // namespace kiv::format
