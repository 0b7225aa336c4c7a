// Compiled pictures: the layout, the compiler, formatting and deformatting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::format {

enum class PictureKind : uint8_t {
  Numeric = 0,
  Scientific = 1,
  Date = 2,
  Time = 3,
  Pattern = 4,
  String = 5,
  KeyIn = 6,
};

// Roles of picture items.
enum Role : uint8_t {
  kLiteral = 0,
  kGrouping = 1,
  kDecimal = 2,
  kDigitFill = 3,   // digit whose leading zero shows the item's character
  kDigitBlank = 4,  // digit whose leading zero shows a space
  kSign = 5,
  kCurrency = 6,
  kMonth = 7,
  kDay = 8,
  kYear = 9,
  kMonthName = 10,
  kHour = 11,
  kMinute = 12,
  kSecond = 13,
  kKeyAt = 14,
  kKeyCaret = 15,
  kKeyUnderscore = 16,
  kKeyQuestion = 17,
  kSeparator = 19,
  kAmPm = 20,
  kExponentSign = 21,
  kImpliedDecimal = 22,
  kKeyBar = 23,
  kWeekdayName = 24,  // weekday letters of the system long date format
};

// Characters of name and marker items: how the run shows its text.
constexpr uint8_t kNameUpper = 'U';      // upper case
constexpr uint8_t kNameAsStored = 'K';   // as the locale stores it
constexpr uint8_t kMarkerPicture = 'S';  // AM/PM texts of the tables
constexpr uint8_t kMarkerSystem = 'L';   // AM/PM texts of the system time formats

struct PictureItem {
  uint8_t ch;
  uint8_t role;
};

// The compiled form: 515 bytes. The first four bytes are the header that CHECKPICT gives.
struct CompiledPicture {
  uint8_t kindFlags;  // kind in the low three bits, blank-when-zero in the top bit
  uint8_t count;      // items, or the width of a string picture
  uint8_t pivot;      // two-digit-year pivot of date pictures
  uint8_t reserved;
  PictureItem items[255];
  uint8_t compiled;  // 1 when the text compiled
};
static_assert(sizeof(CompiledPicture) == 515);

constexpr uint8_t kBlankWhenZero = 0x80;
constexpr uint8_t kNotCompiledKind = 0x7F;

inline PictureKind kindOf(const CompiledPicture& p) {
  return static_cast<PictureKind>(p.kindFlags & 7);
}
inline bool blankWhenZero(const CompiledPicture& p) { return (p.kindFlags & kBlankWhenZero) != 0; }
inline bool isCompiled(const CompiledPicture& p) { return p.compiled == 1; }

// Compiles a picture text; false (and the buffer marked as not compiled) when it does not
// follow its kind's grammar.
bool compilePicture(std::string_view text, CompiledPicture& out);

// A number as exact decimal text: integer digits without leading zeros and fraction digits.
struct DecimalText {
  bool negative = false;
  std::string integer;
  std::string fraction;
};

// Parses "[spaces][sign]digits[.digits][e[sign]digits]"; false when no digits were found.
bool parseDecimalText(std::string_view text, DecimalText& out);
DecimalText decimalOfLong(int64_t value);
DecimalText decimalOfReal(double value);

// Formatting: fills exactly count characters of `out`.
void formatNumber(const CompiledPicture& p, const DecimalText& value, char* out);
void formatSerial(const CompiledPicture& p, int32_t serial, char* out);
void formatText(const CompiledPicture& p, std::string_view text, char* out);
void formatLong(const CompiledPicture& p, int32_t value, char* out);
void formatReal(const CompiledPicture& p, double value, char* out);

// Deformatting: the number text read back (dates and times as serials).
std::string deformat(const CompiledPicture& p, std::string_view typed);
std::string deformatWithoutPicture(std::string_view typed);

// Translates a system date or time pattern ("MM/dd/yy", "hh:mm tt") into items; false when it
// would not fit.
// `fill` is the picture's fill character for digits (0 when none was given).
void systemDateItems(std::string_view pattern, bool keepNameCase, uint8_t fill,
                     std::vector<PictureItem>& items);
void systemTimeItems(std::string_view pattern, uint8_t fill, std::vector<PictureItem>& items);

// Character shown for a picture character: "_" a space, a grave accent a comma, "v" a zero.
inline char shownCharacter(char c) { return c == '_' ? ' ' : c == '`' ? ',' : c == 'v' ? '0' : c; }

}  // namespace kiv::format
