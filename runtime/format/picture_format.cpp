// Formatting values through compiled pictures: numbers, scientific notation, dates, times,
// patterns, key-in templates and strings.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "include/kvrun32.h"
#include "runtime/format/calendar.h"
#include "runtime/format/picture.h"
#include "runtime/format/picture_number.h"

namespace kiv::format {
namespace {

constexpr const char* kWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};

bool isDigitRole(uint8_t role) { return role == kDigitFill || role == kDigitBlank; }

bool isEntryRole(uint8_t role) {
  return (role >= kKeyAt && role <= kKeyQuestion) || role == kKeyBar;
}

bool hasEntryPositions(const CompiledPicture& p) {
  for (int i = 0; i < p.count; ++i)
    if (isEntryRole(p.items[i].role)) return true;
  return false;
}

void fill(const CompiledPicture& p, char* out, char c) { std::memset(out, c, p.count); }

// Copies shown text into the output: shorter text is padded, on the left for numbers (so the
// digits stay right-aligned) and on the right otherwise.
void place(const CompiledPicture& p, const std::string& shown, char* out, bool padLeft) {
  size_t n = std::min<size_t>(shown.size(), p.count);
  size_t pad = p.count - n;
  std::memset(out, ' ', p.count);
  std::memcpy(out + (padLeft ? pad : 0), shown.data(), n);
}

void formatScientific(const CompiledPicture& p, const DecimalText& value, char* out) {
  int places = 0;
  bool afterDecimal = false;
  for (int i = 0; i < p.count; ++i) {
    if (p.items[i].role == kDecimal) afterDecimal = true;
    if (afterDecimal && p.items[i].role == kDigitFill) ++places;
    if (p.items[i].role == kLiteral) break;
  }
  // Significant digits: one before the point, `places` after it.
  std::string all = value.integer + value.fraction;
  size_t first = all.find_first_not_of('0');
  std::string mantissa(static_cast<size_t>(places) + 1, '0');
  int exponent = 0;
  bool negative = value.negative;
  if (first == std::string::npos) {
    negative = false;
  } else {
    exponent = static_cast<int>(value.integer.size()) - 1 - static_cast<int>(first);
    DecimalText m;
    m.integer = all.substr(first, 1);
    m.fraction = all.substr(first + 1);
    roundToPlaces(m, static_cast<size_t>(places));
    if (m.integer.size() > 1) {  // 9.99 rounded up to 10.0
      ++exponent;
      m.fraction = (m.integer.substr(1) + m.fraction).substr(0, static_cast<size_t>(places));
      m.integer.resize(1);
    }
    mantissa = m.integer + m.fraction;
  }
  if (std::abs(exponent) > 999) return fill(p, out, '#');
  std::string expDigits = std::to_string(std::abs(exponent));
  expDigits.insert(0, 3 - expDigits.size(), '0');
  size_t mantissaAt = 0, expAt = 0;
  bool seenUnits = false, seenE = false;
  for (int i = 0; i < p.count; ++i) {
    const PictureItem& item = p.items[i];
    char c = static_cast<char>(item.ch);
    switch (item.role) {
      case kSign:
        c = negative ? '-' : ' ';
        break;
      case kGrouping:
        c = ' ';
        break;
      case kDigitBlank:
        c = ' ';
        break;
      case kDigitFill:
        if (seenE)
          c = expDigits[expAt++];
        else
          c = mantissa[mantissaAt++];
        seenUnits = true;
        break;
      case kExponentSign:
        c = exponent < 0 ? '-' : '+';
        break;
      case kLiteral:
        seenE = true;
        break;
      default:
        break;
    }
    out[i] = c;
  }
  (void)seenUnits;
}

// Numeric, pattern and numeric key-in pictures.
void formatDigits(const CompiledPicture& p, DecimalText value, char* out) {
  int count = p.count;
  int decimalAt = -1;
  int integerPositions = 0, places = 0;
  bool floating = false;
  for (int i = 0; i < count; ++i) {
    uint8_t role = p.items[i].role;
    if (role == kDecimal || role == kImpliedDecimal) decimalAt = i;
    if (isDigitRole(role)) (decimalAt < 0 ? integerPositions : places) += 1;
    if (role == kDigitBlank) floating = true;
  }
  roundToPlaces(value, static_cast<size_t>(places));
  if (blankWhenZero(p) && isZero(value)) return fill(p, out, ' ');
  if (static_cast<int>(value.integer.size()) > integerPositions) return fill(p, out, '#');
  floating = floating && kindOf(p) == PictureKind::Numeric;

  std::string shown(static_cast<size_t>(count), ' ');
  // Integer digits from the units leftward.
  const std::string& digits = value.integer;
  int k = 0;
  int firstSignificant = count;  // leftmost position holding a digit of the value
  char digitFill = ' ';
  for (int i = (decimalAt < 0 ? count : decimalAt) - 1; i >= 0; --i) {
    const PictureItem& item = p.items[i];
    if (!isDigitRole(item.role)) continue;
    if (k < static_cast<int>(digits.size())) {
      shown[i] = digits[digits.size() - 1 - k];
      firstSignificant = i;
    } else {
      shown[i] = item.role == kDigitFill ? static_cast<char>(item.ch) : ' ';
    }
    if (k > 0 && item.role == kDigitFill) digitFill = static_cast<char>(item.ch);
    ++k;
  }
  size_t f = 0;
  for (int i = 0; i < count; ++i) {
    const PictureItem& item = p.items[i];
    char c = static_cast<char>(item.ch);
    switch (item.role) {
      case kDigitFill:
      case kDigitBlank:
        if (decimalAt >= 0 && i > decimalAt) shown[i] = value.fraction[f++];
        continue;
      case kGrouping:
        if (i > firstSignificant || digitFill == '0')
          shown[i] = c;
        else
          shown[i] = digitFill == '*' ? '*' : ' ';
        continue;
      case kSign:
        shown[i] = value.negative ? c : ' ';
        continue;
      default:
        shown[i] = c;
        continue;
    }
  }
  if (floating) {
    // The leading currency and sign move to just before the first digit shown.
    std::string prefix;
    int i = 0;
    for (; i < count && (p.items[i].role == kCurrency || p.items[i].role == kSign); ++i) {
      if (shown[i] != ' ') prefix += shown[i];
      shown[i] = ' ';
    }
    int firstShown = -1;
    for (int j = i; j < count && firstShown < 0; ++j)
      if (isDigitRole(p.items[j].role) && shown[j] != ' ') firstShown = j;
    if (firstShown < 0) firstShown = i;
    int at = firstShown - static_cast<int>(prefix.size());
    if (at >= 0) std::memcpy(shown.data() + at, prefix.data(), prefix.size());
  }
  std::string visible;
  for (int i = 0; i < count; ++i)
    if (p.items[i].role != kImpliedDecimal) visible += shown[i];
  place(p, visible, out, true);
}

std::string upperText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(Kiv$isftoupper(static_cast<uint8_t>(c)));
  return out;
}

// Length of the run of items with the same role starting at i.
int runAt(const CompiledPicture& p, int i) {
  int n = 1;
  while (i + n < p.count && p.items[i + n].role == p.items[i].role) ++n;
  return n;
}

void appendNumber(std::string& shown, const PictureItem& first, int width, int value, bool valid) {
  if (!valid) {
    shown.append(static_cast<size_t>(width), ' ');
    return;
  }
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) > width) digits = digits.substr(digits.size() - width);
  std::string run(static_cast<size_t>(width) - digits.size(), '0');
  run += digits;
  if (width > 1 && run[0] == '0') run[0] = static_cast<char>(first.ch);
  shown += run;
}

std::string nameText(std::string_view name, const PictureItem& first, int width) {
  std::string text(name.substr(0, static_cast<size_t>(width)));
  return first.ch == kNameUpper ? upperText(text) : text;
}

void formatDate(const CompiledPicture& p, int32_t serial, char* out) {
  if (blankWhenZero(p) && serial == 0) return fill(p, out, ' ');
  int32_t year = 0, month = 0, day = 0;
  bool valid = splitSerial(serial, year, month, day);
  std::string shown;
  for (int i = 0; i < p.count;) {
    const PictureItem& item = p.items[i];
    int n = runAt(p, i);
    switch (item.role) {
      case kMonth:
        appendNumber(shown, item, n, month, valid);
        break;
      case kDay:
        appendNumber(shown, item, n, day, valid);
        break;
      case kYear:
        appendNumber(shown, item, n, n <= 2 ? year % 100 : year, valid);
        break;
      case kMonthName:
        if (!valid)
          shown.append(static_cast<size_t>(n), ' ');
        else
          shown += nameText(n == 3 ? ISFINFO.monthAbbrev[month - 1] : ISFINFO.monthNames[month - 1],
                            item, n);
        break;
      case kWeekdayName:
        if (!valid)
          shown.append(static_cast<size_t>(n), ' ');
        else
          shown += nameText(kWeekdays[serial % 7], item, n);
        break;
      default:
        for (int j = 0; j < n; ++j) shown += static_cast<char>(p.items[i + j].ch);
        break;
    }
    i += n;
  }
  place(p, shown, out, false);
}

void formatTime(const CompiledPicture& p, int32_t serial, char* out) {
  if (blankWhenZero(p) && serial == 0) return fill(p, out, ' ');
  KivClockRec clock;
  Kiv$abs2time(serial, &clock);
  bool twelveHour = false;
  for (int i = 0; i < p.count; ++i) twelveHour = twelveHour || p.items[i].role == kAmPm;
  int hour = clock.hours;
  bool pm = hour >= 12;
  if (twelveHour) {
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  std::string shown;
  for (int i = 0; i < p.count;) {
    const PictureItem& item = p.items[i];
    int n = runAt(p, i);
    switch (item.role) {
      case kHour:
        appendNumber(shown, item, n, hour, true);
        break;
      case kMinute:
        appendNumber(shown, item, n, clock.minutes, true);
        break;
      case kSecond:
        appendNumber(shown, item, n, clock.seconds, true);
        break;
      case kAmPm: {
        const char* text = item.ch == kMarkerSystem ? ISFINFO.timeAmPm[pm] : ISFINFO.amPm[pm];
        shown += std::string_view(text).substr(0, static_cast<size_t>(n));
        break;
      }
      default:
        for (int j = 0; j < n; ++j) shown += static_cast<char>(p.items[i + j].ch);
        break;
    }
    i += n;
  }
  place(p, shown, out, false);
}

// Key-in templates with entry positions take the text character by character.
void formatKeyInText(const CompiledPicture& p, std::string_view text, char* out) {
  size_t next = 0;
  for (int i = 0; i < p.count; ++i) {
    const PictureItem& item = p.items[i];
    if (isEntryRole(item.role) || isDigitRole(item.role))
      out[i] = next < text.size() ? text[next++] : ' ';
    else
      out[i] = static_cast<char>(item.ch);
  }
}

int32_t serialOfText(std::string_view text) {
  DecimalText d;
  parseDecimalText(text, d);
  if (d.integer.size() > 9) return -1;
  int32_t v = d.integer.empty() ? 0 : std::stoi(d.integer);
  return d.negative ? -v : v;
}

}  // namespace

void formatNumber(const CompiledPicture& p, const DecimalText& value, char* out) {
  if (!isCompiled(p)) return;
  switch (kindOf(p)) {
    case PictureKind::Scientific:
      if (blankWhenZero(p) && isZero(value)) return fill(p, out, ' ');
      return formatScientific(p, value, out);
    case PictureKind::Date:
    case PictureKind::Time: {
      std::string text =
          (value.negative ? "-" : "") + (value.integer.empty() ? "0" : value.integer);
      return formatSerial(p, serialOfText(text), out);
    }
    case PictureKind::String: {
      std::string text =
          (value.negative ? "-" : "") + (value.integer.empty() ? "0" : value.integer);
      std::string fraction = value.fraction;
      while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
      if (!fraction.empty()) text += "." + fraction;
      return formatText(p, text, out);
    }
    case PictureKind::KeyIn:
      if (hasEntryPositions(p)) {
        std::string text = value.integer.empty() ? "0" : value.integer;
        return formatKeyInText(p, text, out);
      }
      return formatDigits(p, value, out);
    default:
      return formatDigits(p, value, out);
  }
}

void formatSerial(const CompiledPicture& p, int32_t serial, char* out) {
  if (!isCompiled(p)) return;
  switch (kindOf(p)) {
    case PictureKind::Date:
      return formatDate(p, serial, out);
    case PictureKind::Time:
      return formatTime(p, serial, out);
    default:
      return formatNumber(p, decimalOfLong(serial), out);
  }
}

void formatText(const CompiledPicture& p, std::string_view text, char* out) {
  if (!isCompiled(p)) return;
  switch (kindOf(p)) {
    case PictureKind::String:
      Kiv$storestr(out, p.count, text.data(), static_cast<int32_t>(text.size()));
      return;
    case PictureKind::Date:
    case PictureKind::Time:
      return formatSerial(p, serialOfText(text), out);
    case PictureKind::KeyIn:
      if (hasEntryPositions(p)) return formatKeyInText(p, text, out);
      [[fallthrough]];
    default: {
      DecimalText value;
      parseDecimalText(text, value);
      return formatNumber(p, value, out);
    }
  }
}

void formatLong(const CompiledPicture& p, int32_t value, char* out) {
  PictureKind kind = kindOf(p);
  if (kind == PictureKind::Date || kind == PictureKind::Time) return formatSerial(p, value, out);
  formatNumber(p, decimalOfLong(value), out);
}

void formatReal(const CompiledPicture& p, double value, char* out) {
  PictureKind kind = kindOf(p);
  if (kind == PictureKind::Date || kind == PictureKind::Time)
    return formatSerial(p, static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0)),
                        out);
  if (kind == PictureKind::String) {
    char text[32];
    std::snprintf(text, sizeof text, "%.14G", value);
    size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '.') text[--n] = '\0';
    return formatText(p, text, out);
  }
  formatNumber(p, decimalOfReal(value), out);
}

}  // namespace kiv::format
