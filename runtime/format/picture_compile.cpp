// The picture compiler: picture text to a list of display positions with roles.
#include <cctype>
#include <cstring>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/format/picture.h"

namespace kiv::format {
namespace {

using Items = std::vector<PictureItem>;

// A cursor over the picture text.
struct Reader {
  std::string_view text;
  size_t pos = 0;

  bool done() const { return pos >= text.size(); }
  char peek(size_t ahead = 0) const { return pos + ahead < text.size() ? text[pos + ahead] : '\0'; }
  bool take(char c) {
    if (done() || text[pos] != c) return false;
    ++pos;
    return true;
  }
  // A decimal number of at most three digits; -1 when there is none.
  int number() {
    int value = -1;
    int digits = 0;
    while (!done() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      if (++digits > 3) return -2;
      value = (value < 0 ? 0 : value * 10) + (text[pos++] - '0');
    }
    return value;
  }
};

void push(Items& items, char ch, Role role) {
  items.push_back({static_cast<uint8_t>(ch), static_cast<uint8_t>(role)});
}

// A currency: "$", or a text between tildes.
bool readCurrency(Reader& r, std::string& currency) {
  if (r.take('$')) {
    currency.assign(1, '$');
    return true;
  }
  if (r.peek() != '~') return false;
  size_t close = r.text.find('~', r.pos + 1);
  if (close == std::string_view::npos || close == r.pos + 1) return false;
  currency = std::string(r.text.substr(r.pos + 1, close - r.pos - 1));
  r.pos = close + 1;
  return true;
}

bool isGroupingChar(char c) { return c == '.' || c == '`' || c == '_' || c == 'v'; }
bool followsGrouping(char c) {
  return c == 'v' || c == 'V' || c == '.' || c == '`' || c == '_' || c == '\0';
}

bool compileNumeric(Reader& r, Items& items) {
  std::string leadCurrency, trailCurrency;
  bool hasLeadCurrency = false;
  if (r.peek() == '$' || r.peek() == '~') {
    if (!readCurrency(r, leadCurrency)) return false;
    hasLeadCurrency = true;
  }
  char leadSign = 0;
  if (r.peek() == '-' || r.peek() == '(') leadSign = r.text[r.pos++];
  char fill = 0;
  if (r.peek() == '0' || r.peek() == '_' || r.peek() == '*') fill = r.text[r.pos++];
  int width = r.number();
  if (width < 1 || width > 255) return false;

  char grouping = 0, decimal = 0;
  int places = 0;
  if (isGroupingChar(r.peek()) && followsGrouping(r.peek(1))) grouping = r.text[r.pos++];
  char c = r.peek();
  if (c == '.' || c == '`' || c == 'v' || c == 'V') {
    ++r.pos;
    int n = r.number();
    if (n < -1 || n > 255) return false;
    if (n > 0) {
      decimal = c;
      places = n;
    } else if (!grouping && isGroupingChar(c)) {
      grouping = c;  // a lone character after the width groups
    } else {
      return false;
    }
  }

  char trailSign = 0;
  if (leadSign == '(') {
    if (!r.take(')')) return false;
    trailSign = ')';
  } else if (!leadSign && r.take('-')) {
    trailSign = '-';
  }
  if (!hasLeadCurrency && (r.peek() == '$' || r.peek() == '~')) {
    if (!readCurrency(r, trailCurrency)) return false;
  }
  if (!r.done()) return false;

  int fixed = int(leadCurrency.size() + trailCurrency.size()) + (leadSign ? 1 : 0) +
              (trailSign ? 1 : 0) + (decimal ? places + 1 : 0);
  if (fixed > width) return false;
  int integerPositions = width - fixed;

  if (!grouping) {
    if (fill == '*')
      grouping = '*';
    else if (fill != '0' && fill != '_')
      grouping = decimal == '`' ? '.' : ',';
  }
  bool implied = decimal == 'v' || decimal == 'V';
  char digitFill = fill == '0' ? '0' : fill == '*' ? '*' : ' ';

  // Built from the right, then reversed.
  Items rev;
  for (auto it = trailCurrency.rbegin(); it != trailCurrency.rend(); ++it)
    push(rev, *it, kCurrency);
  if (trailSign) push(rev, trailSign, kSign);
  for (int i = 0; i < (decimal ? places : 0); ++i) push(rev, '0', kDigitFill);
  if (decimal)
    push(rev, implied ? decimal : shownCharacter(decimal), implied ? kImpliedDecimal : kDecimal);
  for (int i = 0; i < integerPositions; ++i) {
    if (i == 0)
      push(rev, implied ? ' ' : '0', implied ? kDigitBlank : kDigitFill);
    else if (grouping && i % 4 == 3)
      push(rev, shownCharacter(grouping), kGrouping);
    else if (digitFill == ' ')
      push(rev, ' ', kDigitBlank);
    else
      push(rev, digitFill, kDigitFill);
  }
  if (leadSign) push(rev, leadSign, kSign);
  for (auto it = leadCurrency.rbegin(); it != leadCurrency.rend(); ++it) push(rev, *it, kCurrency);
  items.assign(rev.rbegin(), rev.rend());
  return true;
}

bool compileScientific(Reader& r, Items& items) {
  int width = r.number();
  if (width < 7 || width > 255) return false;
  char grouping = ',', decimal = 0;
  int places = 0;
  char c = r.peek();
  if ((c == '.' || c == '`' || c == '_') && (r.peek(1) == '.' || r.peek(1) == '`')) {
    grouping = c;
    ++r.pos;
    c = r.peek();
  }
  if (c == '.' || c == '`') {
    ++r.pos;
    decimal = c;
    places = r.number();
    if (places < 0) places = 0;
    if (places > 255) return false;
  }
  if (!r.done()) return false;
  int integerPositions = width - 6 - (decimal ? places + 1 : 0);
  if (integerPositions < 1) return false;
  push(items, '-', kSign);
  for (int i = integerPositions - 1; i >= 0; --i) {
    if (i % 4 == 3)
      push(items, shownCharacter(grouping), kGrouping);
    else
      push(items, i == 0 ? '0' : ' ', i == 0 ? kDigitFill : kDigitBlank);
  }
  if (decimal) {
    push(items, shownCharacter(decimal), kDecimal);
    for (int i = 0; i < places; ++i) push(items, '0', kDigitFill);
  }
  push(items, 'E', kLiteral);
  push(items, '+', kExponentSign);
  for (int i = 0; i < 3; ++i) push(items, '0', kDigitFill);
  return true;
}

bool isFill(char c) { return c == '0' || c == '_' || c == '*'; }
char fillShown(char fill, char standard) { return fill == 0 ? standard : fill == '_' ? ' ' : fill; }

// Layouts of the numbered date formats. In a layout, m d y are the digit runs ("m" blank-padded
// when written "M", "d" likewise "D"), N a month-name letter, "/" a separator and any other
// character a literal.
const char* const kDateLayouts[17] = {
    nullptr,      "Mm/dd/yy",   "mm/dd/yyyy", "NNN Dd,yyyy", "NNNNNNNNNNNN Dd, yyyy",
    "Dd/mm/yy",   "dd/mm/yyyy", "Dd NNN yy",  "dd NNN yyyy", "yy/mm/dd",
    "yyyy/mm/dd", "yymmdd",     "yyyymmdd",   "mm/yy",       "mm/yyyy",
    "yy/mm",      "yyyy/mm"};

void dateLayoutItems(int format, char fill, Items& items) {
  std::string_view layout = kDateLayouts[format];
  bool spaceSeparators = format == 7 || format == 8;
  for (size_t i = 0; i < layout.size(); ++i) {
    char c = layout[i];
    bool runStart = i == 0 || std::tolower(uint8_t(layout[i - 1])) != std::tolower(uint8_t(c));
    char first = std::isupper(uint8_t(c)) ? ' ' : '0';
    char digitChar = runStart ? fillShown(fill, first) : '0';
    switch (c) {
      case 'm':
      case 'M':
        push(items, digitChar, kMonth);
        break;
      case 'd':
      case 'D':
        push(items, digitChar, kDay);
        break;
      case 'y':
        push(items, '0', kYear);
        break;
      case 'N':
        push(items, format == 4 ? kNameAsStored : kNameUpper, kMonthName);
        break;
      case '/':
        push(items, '/', kSeparator);
        break;
      case ' ':
        push(items, ' ', spaceSeparators ? kSeparator : kLiteral);
        break;
      default:
        push(items, c, kLiteral);
        break;
    }
  }
}

const char* const kTimeLayouts[7] = {nullptr,    "Hh:mm",  "hhmm",      "Hh:mmAA",
                                     "hh:mm:ss", "hhmmss", "Hh:mm:ssAA"};

void timeLayoutItems(int format, char fill, Items& items) {
  std::string_view layout = kTimeLayouts[format];
  for (size_t i = 0; i < layout.size(); ++i) {
    char c = layout[i];
    bool runStart = i == 0 || std::tolower(uint8_t(layout[i - 1])) != std::tolower(uint8_t(c));
    char first = std::isupper(uint8_t(c)) ? ' ' : '0';
    char digitChar = runStart ? fillShown(fill, first) : '0';
    switch (c) {
      case 'h':
      case 'H':
        push(items, digitChar, kHour);
        break;
      case 'm':
        push(items, digitChar, kMinute);
        break;
      case 's':
        push(items, digitChar, kSecond);
        break;
      case 'A':
        push(items, kMarkerPicture, kAmPm);
        break;
      case ':':
        push(items, ':', kSeparator);
        break;
      default:
        push(items, c, kLiteral);
        break;
    }
  }
}

bool readSeparator(Reader& r, char& separator) {
  char c = r.peek();
  if (c == '.' || c == '-' || c == '_' || c == '`') {
    separator = shownCharacter(c);
    ++r.pos;
    return true;
  }
  return false;
}

void replaceSeparators(Items& items, char separator) {
  if (!separator) return;
  for (PictureItem& item : items)
    if (item.role == kSeparator) item.ch = static_cast<uint8_t>(separator);
}

bool compileDate(Reader& r, Items& items, uint8_t& pivot) {
  char fill = 0;
  if (isFill(r.peek())) {
    // "0" is a fill only when a format number follows it.
    if (r.peek() != '0' || std::isdigit(uint8_t(r.peek(1)))) fill = r.text[r.pos++];
  }
  int format = r.number();
  if (format < 1 || format > 18) return false;
  pivot = 80;
  if (r.peek() == '<' || r.peek() == '>') {
    char which = r.text[r.pos++];
    int n = r.number();
    if (n < -1 || n > 99) return false;
    if (which == '<')
      pivot = static_cast<uint8_t>(n <= 0 ? 80 : n);
    else
      pivot = static_cast<uint8_t>(99 - (n < 0 ? 19 : n));
  }
  char separator = 0;
  readSeparator(r, separator);
  if (!r.done()) return false;
  if (format <= 16)
    dateLayoutItems(format, fill, items);
  else
    systemDateItems(format == 17 ? ISFINFO.shortDate : ISFINFO.longDate, format == 18,
                    static_cast<uint8_t>(fill), items);
  replaceSeparators(items, separator);
  return !items.empty();
}

bool compileTime(Reader& r, Items& items) {
  char fill = 0;
  if (isFill(r.peek())) {
    if (r.peek() != '0' || std::isdigit(uint8_t(r.peek(1)))) fill = r.text[r.pos++];
  }
  int format = r.number();
  if (format < 1 || format > 8) return false;
  char separator = 0;
  readSeparator(r, separator);
  if (!r.done()) return false;
  if (format <= 6)
    timeLayoutItems(format, fill, items);
  else
    systemTimeItems(format == 7 ? ISFINFO.shortTime : ISFINFO.longTime, static_cast<uint8_t>(fill),
                    items);
  replaceSeparators(items, separator);
  return !items.empty();
}

// Pattern and key-in pictures: the template between the kind letter and its repetition.
bool compileTemplate(Reader& r, char kindLetter, bool keyIn, Items& items) {
  std::string_view rest = r.text.substr(r.pos);
  if (rest.empty() || rest.back() != kindLetter) return false;
  rest.remove_suffix(1);
  for (size_t i = 0; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '#') {
      push(items, '0', kDigitFill);
    } else if (c == '<') {
      push(items, ' ', kDigitBlank);
    } else if (keyIn && c == '\\') {
      if (++i >= rest.size()) return false;
      push(items, rest[i], kLiteral);
    } else if (keyIn && (c == '@' || c == '^' || c == '_' || c == '?' || c == '|')) {
      Role role = c == '@'   ? kKeyAt
                  : c == '^' ? kKeyCaret
                  : c == '_' ? kKeyUnderscore
                  : c == '?' ? kKeyQuestion
                             : kKeyBar;
      push(items, c, role);
    } else {
      push(items, c, kLiteral);
    }
  }
  return true;
}

void markNotCompiled(CompiledPicture& out) {
  std::memset(&out, 0, sizeof out);
  out.kindFlags = kNotCompiledKind;
}

}  // namespace

bool compilePicture(std::string_view text, CompiledPicture& out) {
  markNotCompiled(out);
  if (text.empty() || text.size() > 255) return false;
  if (text[0] == '@') text.remove_prefix(1);
  if (text.empty()) return false;
  bool blank = false;
  if (text.size() >= 3 && (text.back() == 'B' || text.back() == 'b')) {
    char kind = static_cast<char>(std::toupper(uint8_t(text[0])));
    // In pattern and key-in pictures a final "B" is the flag only after the closing letter.
    bool templated = kind == 'P' || kind == 'K';
    if (!templated || text[text.size() - 2] == text[0]) {
      blank = true;
      text.remove_suffix(1);
    }
  }
  Reader r{text, 1};
  Items items;
  uint8_t pivot = 0;
  PictureKind kind;
  bool ok = false;
  uint32_t stringWidth = 0;
  switch (std::toupper(uint8_t(text[0]))) {
    case 'N':
      kind = PictureKind::Numeric;
      ok = compileNumeric(r, items);
      break;
    case 'E':
      kind = PictureKind::Scientific;
      ok = compileScientific(r, items);
      break;
    case 'D':
      kind = PictureKind::Date;
      ok = compileDate(r, items, pivot);
      break;
    case 'T':
      kind = PictureKind::Time;
      ok = compileTime(r, items);
      break;
    case 'P':
      kind = PictureKind::Pattern;
      ok = compileTemplate(r, text[0], false, items);
      break;
    case 'K':
      kind = PictureKind::KeyIn;
      ok = compileTemplate(r, text[0], true, items);
      break;
    case 'S': {
      kind = PictureKind::String;
      int width = r.number();
      ok = width >= 1 && width <= 255 && r.done();
      stringWidth = ok ? static_cast<uint32_t>(width) : 0;
      break;
    }
    default:
      return false;
  }
  if (!ok || items.size() > 255) return false;
  out.kindFlags = static_cast<uint8_t>(static_cast<uint8_t>(kind) | (blank ? kBlankWhenZero : 0));
  out.count = static_cast<uint8_t>(kind == PictureKind::String ? stringWidth : items.size());
  out.pivot = pivot;
  for (size_t i = 0; i < items.size(); ++i) out.items[i] = items[i];
  out.compiled = 1;
  return true;
}

}  // namespace kiv::format
