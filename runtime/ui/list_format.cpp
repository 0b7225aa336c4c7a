#include "runtime/ui/list_format.h"

#include <cctype>

namespace kiv::ui {
namespace {

class FormatParser {
 public:
  explicit FormatParser(std::string_view s) : s_(s) {}

  bool parse(std::vector<ListColumn>& out) {
    if (!columns(out, 0)) return false;
    if (pos_ != s_.size()) return fail("unexpected '" + std::string(1, s_[pos_]) + "'");
    if (out.empty()) return fail("no column");
    return true;
  }
  const std::string& error() const { return error_; }

 private:
  bool atEnd() const { return pos_ >= s_.size(); }
  char peek() const { return atEnd() ? '\0' : s_[pos_]; }
  bool fail(std::string why) {
    if (error_.empty()) error_ = why + " at position " + std::to_string(pos_ + 1);
    return false;
  }

  bool number(int32_t& value) {
    if (!std::isdigit(static_cast<unsigned char>(peek()))) return fail("number expected");
    int64_t v = 0;
    while (std::isdigit(static_cast<unsigned char>(peek()))) {
      v = v * 10 + (s_[pos_++] - '0');
      if (v > 1000000) return fail("number too large");
    }
    value = static_cast<int32_t>(v);
    return true;
  }

  // "(n)" when present.
  bool optionalParenNumber(int32_t& value) {
    if (peek() != '(') return true;
    ++pos_;
    if (!number(value)) return false;
    if (peek() != ')') return fail("')' expected");
    ++pos_;
    return true;
  }

  static bool isJustify(char c) { return c == 'L' || c == 'R' || c == 'C' || c == 'D'; }

  bool delimited(char close, std::string& text) {
    size_t end = s_.find(close, pos_);
    if (end == std::string_view::npos) return fail(std::string("closing '") + close + "' missing");
    text.assign(s_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }

  // The parts that may follow a column's justification (or a group's width), in any order.
  bool parts(ListColumn* column, std::string& modifiers) {
    for (;;) {
      char c = peek();
      switch (c) {
        case '*':
        case 'F':
        case 'I':
        case 'M':
        case '_':
        case '|':
        case 'f':
        case 'i':
        case 'm':
          ++pos_;
          modifiers += c;
          if ((c == 'I' || c == 'i') && column) column->hasIcon = true;
          break;
        case 'H':
        case 'S': {
          ++pos_;
          modifiers += c;
          int32_t ignored = 0;
          if (!optionalParenNumber(ignored)) return false;
          break;
        }
        case 'T':
          ++pos_;
          if (peek() != '(') return fail("'(' expected after T");
          ++pos_;
          while (peek() == '1' || peek() == 'B' || peek() == 'I' || peek() == 'L' || peek() == 'R')
            ++pos_;
          if (peek() != ')') return fail("')' expected after T(");
          ++pos_;
          modifiers += 'T';
          break;
        case '~': {
          ++pos_;
          std::string heading;
          if (!delimited('~', heading)) return false;
          char just = 0;
          int32_t indent = 0;
          if (isJustify(peek())) {
            just = s_[pos_++];
            if (!optionalParenNumber(indent)) return false;
          }
          if (column) {
            column->heading = heading;
            column->headingJustify = just;
            column->headingIndent = indent;
          }
          break;
        }
        case '#': {
          ++pos_;
          int32_t field = 0;
          if (!number(field)) return false;
          if (peek() != '#') return fail("closing '#' missing");
          ++pos_;
          if (column) column->fieldNumber = field;
          break;
        }
        case '/':
        case '?':
          ++pos_;
          modifiers += c;
          break;
        case '@': {
          ++pos_;
          std::string picture;
          if (!delimited('@', picture)) return false;
          if (picture.empty()) return fail("empty picture");
          if (column) column->picture = "@" + picture;
          break;
        }
        default:
          return true;
      }
    }
  }

  bool column(std::vector<ListColumn>& out, int32_t group) {
    ListColumn col;
    col.group = group;
    if (!number(col.width)) return false;
    if (!isJustify(peek())) return fail("justification L, R, C or D expected");
    col.justify = s_[pos_++];
    if (!optionalParenNumber(col.indent)) return false;
    if (!parts(&col, col.modifiers)) return false;
    out.push_back(std::move(col));
    return true;
  }

  bool columns(std::vector<ListColumn>& out, int32_t group) {
    while (!atEnd() && peek() != ']') {
      if (peek() == '[') {
        if (group != 0) return fail("groups do not nest");
        ++pos_;
        int32_t id = ++groups_;
        size_t first = out.size();
        if (!columns(out, id)) return false;
        if (peek() != ']') return fail("']' expected");
        if (out.size() == first) return fail("empty group");
        ++pos_;
        int32_t width = 0;
        if (peek() != '(') return fail("group width expected");
        if (!optionalParenNumber(width)) return false;
        std::string modifiers;
        if (!parts(nullptr, modifiers)) return false;
      } else if (!column(out, group)) {
        return false;
      }
    }
    return true;
  }

  std::string_view s_;
  size_t pos_ = 0;
  int32_t groups_ = 0;
  std::string error_;
};

}  // namespace

std::optional<std::vector<ListColumn>> parseListFormat(std::string_view format,
                                                       std::string* error) {
  FormatParser parser(format);
  std::vector<ListColumn> columns;
  if (!parser.parse(columns)) {
    if (error) *error = parser.error();
    return std::nullopt;
  }
  return columns;
}

}  // namespace kiv::ui
