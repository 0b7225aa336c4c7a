#include <cctype>

#include "app/duplicates/duplicates.h"
#include "include/kiv/string.h"

bool SameShortName(std::string_view a, std::string_view b) {
  a = kiv::clip(a);
  b = kiv::clip(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

DuplicateGroups::Print DuplicateGroups::take(std::string_view name,
                                             std::optional<std::string_view> next) {
  const bool sameAsNext = next && SameShortName(name, *next);
  Print p;
  p.detail = sameAsNext || inGroup_;
  p.separator = p.detail && !sameAsNext;
  inGroup_ = sameAsNext;
  return p;
}
