// Deformatting: typed text read back through a compiled picture into the text of a number,
// or of a date or time serial.
#include <cctype>
#include <string>

#include "include/kvrun32.h"
#include "runtime/format/calendar.h"
#include "runtime/format/picture.h"

namespace kiv::format {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string deformatNumber(const CompiledPicture& p, std::string_view typed) {
  std::string text;
  bool negative = false;
  for (int i = 0; i < p.count && i < static_cast<int>(typed.size()); ++i) {
    const PictureItem& item = p.items[i];
    char c = typed[i];
    switch (item.role) {
      case kDigitFill:
      case kDigitBlank:
      case kGrouping:
      case kSign:
        if (c == '-' || c == '(')
          negative = true;
        else if (c == '+')
          negative = false;
        else if (isDigit(c))
          text += c;
        else if (c == ' ' && item.role == kDigitBlank)
          text += '0';
        break;
      case kDecimal:
        text += '.';
        break;
      case kImpliedDecimal:
        // The position shows the units digit; the point is implied after it.
        if (isDigit(c))
          text += c;
        else if (c == ' ')
          text += '0';
        text += '.';
        break;
      case kExponentSign:
        text += c == '-' ? "e-" : "e+";
        break;
      case kKeyAt:
      case kKeyCaret:
      case kKeyUnderscore:
      case kKeyQuestion:
      case kKeyBar:
        text += c;
        break;
      default:
        break;
    }
  }
  return negative ? "-" + text : text;
}

// Walks the typed text beside the items of a date or time picture.
class CalendarReader {
 public:
  CalendarReader(const CompiledPicture& p, std::string_view typed) : p_(p), typed_(typed) {}

  void read() {
    for (int i = 0; i < p_.count;) {
      int n = runAt(i);
      const PictureItem& item = p_.items[i];
      switch (item.role) {
        case kMonth:
          month_ = number(n, &monthRead_);
          break;
        case kDay:
          day_ = number(n);
          hasDay_ = true;
          break;
        case kYear:
          year_ = number(n, &yearRead_);
          break;
        case kHour:
          hour_ = number(n);
          break;
        case kMinute:
          minute_ = number(n);
          break;
        case kSecond:
          second_ = number(n);
          break;
        case kMonthName:
          monthName();
          break;
        case kWeekdayName:
          while (pos_ < typed_.size() && std::isalpha(static_cast<uint8_t>(typed_[pos_]))) ++pos_;
          break;
        case kAmPm:
          marker(item, n);
          break;
        default:
          pos_ += static_cast<size_t>(n);
          break;
      }
      i += n;
    }
  }

  std::string dateResult() const {
    if (month_ == 0 && day_ == 0 && year_ == 0) return "0";
    int day = day_;
    if (!hasDay_ && monthRead_ && yearRead_) day = 1;
    int year = year_;
    if (year < 100) year = windowYearByPivot(year);
    return std::to_string(Kiv$DATE(month_, day, year));
  }

  std::string timeResult() const {
    if (hour_ >= 24 || minute_ >= 60 || second_ >= 60) return "-1";
    if (hour_ == 0 && minute_ == 0 && second_ == 0 && !adjusted_) return "0";
    return std::to_string(hour_ * 360000 + minute_ * 6000 + second_ * 100 + 1);
  }

 private:
  int runAt(int i) const {
    int n = 1;
    while (i + n < p_.count && p_.items[i + n].role == p_.items[i].role) ++n;
    return n;
  }

  // The digits typed over a run of n positions. Blanks before the first digit take their
  // position; a non-digit after a digit ends the run without being consumed.
  int number(int n, bool* read = nullptr) {
    int value = 0;
    bool any = false;
    for (int k = 0; k < n && pos_ < typed_.size(); ++k) {
      char c = typed_[pos_];
      if (isDigit(c)) {
        value = value * 10 + (c - '0');
        any = true;
        ++pos_;
      } else if (!any) {
        ++pos_;
      } else {
        break;
      }
    }
    if (read) *read = any;
    return value;
  }

  void monthName() {
    std::string letters;
    while (pos_ < typed_.size() && letters.size() < 3 &&
           std::isalpha(static_cast<uint8_t>(typed_[pos_])))
      letters += typed_[pos_++];
    while (pos_ < typed_.size() && std::isalpha(static_cast<uint8_t>(typed_[pos_]))) ++pos_;
    if (letters.size() < 3) return;
    for (int m = 0; m < 12 && month_ == 0; ++m)
      if (Kiv$isficompare(letters.data(), ISFINFO.monthNames[m], 3) == 0) month_ = m + 1;
    for (int m = 0; m < 12 && month_ == 0; ++m)
      if (Kiv$isficompare(letters.data(), ISFINFO.monthAbbrev[m], 3) == 0) month_ = m + 1;
    monthRead_ = month_ != 0;
  }

  void marker(const PictureItem& item, int n) {
    if (pos_ >= typed_.size()) return;
    const char(*texts)[3] = ISFINFO.amPm;
    const char* am = item.ch == kMarkerSystem ? ISFINFO.timeAmPm[0] : texts[0];
    const char* pm = item.ch == kMarkerSystem ? ISFINFO.timeAmPm[1] : texts[1];
    int c = Kiv$isftoupper(static_cast<uint8_t>(typed_[pos_]));
    if (*pm && c == Kiv$isftoupper(static_cast<uint8_t>(*pm))) {
      if (hour_ != 12) hour_ += 12;
      adjusted_ = true;
    } else if (*am && c == Kiv$isftoupper(static_cast<uint8_t>(*am))) {
      if (hour_ == 12) hour_ = 0;
      adjusted_ = true;
    }
    pos_ += static_cast<size_t>(n);
  }

  int windowYearByPivot(int year) const {
    // The pivot is how many years the window reaches back from the current year.
    int y0 = currentYear();
    int back = p_.pivot;
    int d = y0 % 100 - year;
    int result = y0 - d;
    if (d < -(99 - back)) result -= 100;
    if (d > back) result += 100;
    return result;
  }

  const CompiledPicture& p_;
  std::string_view typed_;
  size_t pos_ = 0;
  int month_ = 0, day_ = 0, year_ = 0;
  int hour_ = 0, minute_ = 0, second_ = 0;
  bool hasDay_ = false;
  bool monthRead_ = false, yearRead_ = false;
  bool adjusted_ = false;
};

}  // namespace

std::string deformat(const CompiledPicture& p, std::string_view typed) {
  if (!isCompiled(p)) return {};
  switch (kindOf(p)) {
    case PictureKind::String:
      return std::string(typed);
    case PictureKind::Date: {
      CalendarReader reader(p, typed);
      reader.read();
      return reader.dateResult();
    }
    case PictureKind::Time: {
      CalendarReader reader(p, typed);
      reader.read();
      return reader.timeResult();
    }
    default:
      return deformatNumber(p, typed);
  }
}

std::string deformatWithoutPicture(std::string_view typed) {
  std::string text;
  bool exponent = false;
  for (size_t i = 0; i < typed.size(); ++i) {
    char c = typed[i];
    if (isDigit(c) || c == '.') {
      text += c;
    } else if ((c == 'e' || c == 'E') && !exponent) {
      exponent = true;
      text += c;
      if (i + 1 < typed.size() && (typed[i + 1] == '+' || typed[i + 1] == '-')) text += typed[++i];
    } else if (c == '-' && i == 0) {
      text += c;
    }
  }
  return text;
}

}  // namespace kiv::format
