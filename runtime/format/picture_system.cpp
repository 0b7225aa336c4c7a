// The system date and time formats: the platform's patterns ("MM/dd/yy", "ddd', 'MMMM' 'dd',
// 'yyyy", "hh:mm tt") translated into picture items. Field letters become digit or name runs,
// quoted text becomes literals, and any other character a separator that a picture's own
// separator replaces.
#include <algorithm>
#include <cctype>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/format/picture.h"

namespace kiv::format {
namespace {

void push(std::vector<PictureItem>& items, uint8_t ch, Role role, size_t n = 1) {
  for (size_t i = 0; i < n; ++i) items.push_back({ch, static_cast<uint8_t>(role)});
}

// A two-position digit run; "single" letters have no leading zero, shown as a blank.
void pushDigits(std::vector<PictureItem>& items, Role role, bool single, uint8_t fill) {
  uint8_t first = single ? ' ' : '0';
  if (fill) first = fill == '_' ? ' ' : fill;
  push(items, first, role);
  push(items, '0', role);
}

size_t runLength(std::string_view pattern, size_t i) {
  size_t n = 1;
  while (i + n < pattern.size() && pattern[i + n] == pattern[i]) ++n;
  return n;
}

// Quoted literal text from position i (at the opening quote); gives the position after it.
size_t quoted(std::string_view pattern, size_t i, std::vector<PictureItem>& items) {
  ++i;
  while (i < pattern.size()) {
    if (pattern[i] == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        push(items, '\'', kLiteral);
        i += 2;
        continue;
      }
      return i + 1;
    }
    push(items, static_cast<uint8_t>(pattern[i++]), kLiteral);
  }
  return i;
}

size_t longestName(const char (*names)[13], int count) {
  size_t longest = 0;
  for (int i = 0; i < count; ++i) longest = std::max(longest, std::string_view(names[i]).size());
  return longest;
}

constexpr size_t kWeekdayLetters = 9;  // "Wednesday"

}  // namespace

void systemDateItems(std::string_view pattern, bool keepNameCase, uint8_t fill,
                     std::vector<PictureItem>& items) {
  uint8_t nameCase = keepNameCase ? kNameAsStored : kNameUpper;
  for (size_t i = 0; i < pattern.size();) {
    char c = pattern[i];
    if (c == '\'') {
      i = quoted(pattern, i, items);
      continue;
    }
    size_t n = runLength(pattern, i);
    switch (c) {
      case 'd':
        if (n <= 2)
          pushDigits(items, kDay, n == 1, fill);
        else
          push(items, nameCase, kWeekdayName, n == 3 ? 3 : kWeekdayLetters);
        break;
      case 'M':
        if (n <= 2)
          pushDigits(items, kMonth, n == 1, fill);
        else
          push(items, nameCase, kMonthName, n == 3 ? 3 : longestName(ISFINFO.monthNames, 12));
        break;
      case 'y':
        push(items, '0', kYear, n >= 3 ? 4 : 2);
        break;
      case ' ':
        push(items, ' ', kLiteral, n);
        break;
      default:
        if (std::isalpha(static_cast<unsigned char>(c)))
          push(items, static_cast<uint8_t>(c), kLiteral, n);
        else
          push(items, static_cast<uint8_t>(c), kSeparator, n);
        break;
    }
    i += n;
  }
}

void systemTimeItems(std::string_view pattern, uint8_t fill, std::vector<PictureItem>& items) {
  size_t markerLength = std::max(std::string_view(ISFINFO.timeAmPm[0]).size(),
                                 std::string_view(ISFINFO.timeAmPm[1]).size());
  for (size_t i = 0; i < pattern.size();) {
    char c = pattern[i];
    if (c == '\'') {
      i = quoted(pattern, i, items);
      continue;
    }
    size_t n = runLength(pattern, i);
    switch (c) {
      case 'h':
      case 'H':
        pushDigits(items, kHour, n == 1, fill);
        break;
      case 'm':
        pushDigits(items, kMinute, n == 1, fill);
        break;
      case 's':
        pushDigits(items, kSecond, n == 1, fill);
        break;
      case 't':
        push(items, kMarkerSystem, kAmPm, n == 1 ? 1 : std::max<size_t>(markerLength, 1));
        break;
      case ' ':
        push(items, ' ', kLiteral, n);
        break;
      default:
        if (std::isalpha(static_cast<unsigned char>(c)))
          push(items, static_cast<uint8_t>(c), kLiteral, n);
        else
          push(items, static_cast<uint8_t>(c), kSeparator, n);
        break;
    }
    i += n;
  }
}

}  // namespace kiv::format
