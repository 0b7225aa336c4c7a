// Tokenizer and recursive-descent parser of expressions.
#include <cctype>
#include <optional>

#include "runtime/data/expr_tree.h"

namespace kiv::data {
namespace {

enum class Tok { End, Name, Integer, Real, String, Picture, Char, Error };

struct Token {
  Tok type = Tok::End;
  std::string text;  // name, string, picture, or the character
  int32_t integer = 0;
  double real = 0.0;
};

bool isLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || ISFINFO.caseMap[c] != 0;
}
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

class Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : s_(text) {}

  Token next() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    if (i_ >= s_.size()) return {};
    auto c = static_cast<unsigned char>(s_[i_]);
    if (isLetter(c) || c == '_' || c == '?') return name();
    if (isDigit(c)) return number();
    if (c == '.' && i_ + 1 < s_.size() && isDigit(static_cast<unsigned char>(s_[i_ + 1])))
      return real(i_);
    if (c == '\'') return string();
    if (c == '@') return picture();
    static const std::string_view kSingles = "+-*/%^&=<>~,:()[]";
    if (kSingles.find(char(c)) != std::string_view::npos) {
      ++i_;
      return {Tok::Char, std::string(1, char(c)), 0, 0.0};
    }
    return error();
  }

 private:
  Token error() {
    i_ = s_.size();
    return {Tok::Error, {}};
  }

  Token name() {
    size_t start = i_;
    while (i_ < s_.size()) {
      auto c = static_cast<unsigned char>(s_[i_]);
      if (isLetter(c) || isDigit(c) || c == '_' || c == ':')
        ++i_;
      else
        break;
    }
    if (i_ < s_.size() && (s_[i_] == '#' || s_[i_] == '$' || s_[i_] == '"')) ++i_;
    return {Tok::Name, std::string(s_.substr(start, i_ - start)), 0, 0.0};
  }

  Token number() {
    size_t start = i_;
    while (i_ < s_.size() && (isDigit(static_cast<unsigned char>(s_[i_])) ||
                              std::isalpha(static_cast<unsigned char>(s_[i_]))))
      ++i_;
    std::string run(s_.substr(start, i_ - start));
    for (char& ch : run) ch = char(std::toupper(static_cast<unsigned char>(ch)));
    // A decimal integer part followed by "." and a digit is a real.
    bool allDecimal = run.find_first_not_of("0123456789") == std::string::npos;
    if (allDecimal && i_ + 1 < s_.size() && s_[i_] == '.' &&
        isDigit(static_cast<unsigned char>(s_[i_ + 1])))
      return real(start);
    uint32_t base = 10;
    std::string digits = run;
    char last = run.back();
    auto allBelow = [](const std::string& d, uint32_t b) {
      for (char ch : d) {
        uint32_t v =
            isDigit(static_cast<unsigned char>(ch)) ? uint32_t(ch - '0') : uint32_t(ch - 'A' + 10);
        if (v >= b) return false;
      }
      return true;
    };
    std::string body = run.substr(0, run.size() - 1);
    if (!body.empty() && last == 'H' && allBelow(body, 16)) {
      base = 16, digits = body;
    } else if (!body.empty() && last == 'O' && allBelow(body, 8)) {
      base = 8, digits = body;
    } else if (!body.empty() && last == 'B' && allBelow(body, 2)) {
      base = 2, digits = body;
    } else if (!allDecimal) {
      return error();
    }
    uint32_t value = 0;
    for (char ch : digits) {
      uint32_t v =
          isDigit(static_cast<unsigned char>(ch)) ? uint32_t(ch - '0') : uint32_t(ch - 'A' + 10);
      value = value * base + v;
    }
    Token t{Tok::Integer, run, 0, 0.0};
    t.integer = static_cast<int32_t>(value);
    return t;
  }

  Token real(size_t start) {
    i_ = start;
    while (i_ < s_.size() && isDigit(static_cast<unsigned char>(s_[i_]))) ++i_;
    if (i_ < s_.size() && s_[i_] == '.') ++i_;
    while (i_ < s_.size() && isDigit(static_cast<unsigned char>(s_[i_]))) ++i_;
    if (i_ < s_.size() && (s_[i_] == 'E' || s_[i_] == 'e')) {
      size_t j = i_ + 1;
      if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
      if (j < s_.size() && isDigit(static_cast<unsigned char>(s_[j]))) {
        while (j < s_.size() && isDigit(static_cast<unsigned char>(s_[j]))) ++j;
        i_ = j;
      }
    }
    Token t{Tok::Real, std::string(s_.substr(start, i_ - start)), 0, 0.0};
    t.real = std::strtod(t.text.c_str(), nullptr);
    return t;
  }

  Token string() {
    std::string text;
    ++i_;
    while (true) {
      if (i_ >= s_.size()) return error();  // unterminated
      if (s_[i_] == '\'') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
          text += '\'';
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      text += s_[i_++];
    }
    return {Tok::String, text, 0, 0.0};
  }

  Token picture() {
    size_t start = i_++;
    if (i_ >= s_.size()) return error();
    char kind = s_[i_];
    if (kind == 'P' || kind == 'p') {
      ++i_;
      while (i_ < s_.size() && s_[i_] != 'P' && s_[i_] != 'p') ++i_;
      if (i_ >= s_.size()) return error();
      ++i_;
    } else {
      bool numeric = kind == 'N' || kind == 'n';
      bool quoted = false;
      int depth = 0;
      while (i_ < s_.size()) {
        char c = s_[i_];
        if (numeric && c == '~') {
          quoted = !quoted;
        } else if (!quoted) {
          if (c == '(') ++depth;
          if (c == ')') {
            if (depth == 0) break;
            --depth;
          }
          if (depth == 0 && (c == ' ' || c == ',' || c == '\t')) break;
        }
        ++i_;
      }
    }
    if (i_ < s_.size() && (s_[i_] == 'B' || s_[i_] == 'b')) ++i_;
    return {Tok::Picture, std::string(s_.substr(start, i_ - start)), 0, 0.0};
  }

  std::string_view s_;
  size_t i_ = 0;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : lex_(text) { advance(); }

  std::unique_ptr<Node> parseAll() {
    auto n = orExpr();
    if (!n || tok_.type != Tok::End) return nullptr;
    return n;
  }

 private:
  void advance() { tok_ = lex_.next(); }
  bool isChar(char c) const { return tok_.type == Tok::Char && tok_.text[0] == c; }
  bool isWord(int32_t op) {
    if (tok_.type != Tok::Name) return false;
    Symbol* s = lookup(tok_.text);
    return s && s->kind == SymbolKind::Operator && s->opCode == op;
  }

  static std::unique_ptr<Node> binary(int32_t op, std::unique_ptr<Node> l,
                                      std::unique_ptr<Node> r) {
    auto n = std::make_unique<Node>();
    n->kind = NodeKind::Binary;
    n->op = op;
    n->valueKind = op >= kOpEq ? kLogical : op == kOpConcat ? kString : kReal;
    n->args.push_back(std::move(l));
    n->args.push_back(std::move(r));
    return n;
  }

  static std::unique_ptr<Node> unary(int32_t op, std::unique_ptr<Node> operand) {
    auto n = std::make_unique<Node>();
    n->kind = NodeKind::Unary;
    n->op = op;
    n->valueKind = op == kOpNot ? kLogical : kReal;
    n->args.push_back(std::move(operand));
    return n;
  }

  std::unique_ptr<Node> orExpr() {
    auto left = andExpr();
    while (left && (isWord(kOpOr) || isWord(kOpXor))) {
      int32_t op = isWord(kOpOr) ? kOpOr : kOpXor;
      advance();
      auto right = andExpr();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> andExpr() {
    auto left = notExpr();
    while (left && isWord(kOpAnd)) {
      advance();
      auto right = notExpr();
      if (!right) return nullptr;
      left = binary(kOpAnd, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> notExpr() {
    int nots = 0;
    while (isChar('~') || isWord(kOpNot)) {
      ++nots;
      advance();
    }
    auto n = comparison();
    if (n && nots % 2) n = unary(kOpNot, std::move(n));
    return n;
  }

  // The comparison operator at the current token, consuming it; 0 when there is none.
  int32_t comparisonOp() {
    if (tok_.type != Tok::Char) return 0;
    char c = tok_.text[0];
    if (c != '=' && c != '<' && c != '>' && c != '~') return 0;
    advance();
    char d = tok_.type == Tok::Char ? tok_.text[0] : 0;
    auto take = [&](int32_t op) {
      advance();
      return op;
    };
    switch (c) {
      case '=':
        if (d == '<') return take(kOpLe);
        if (d == '>') return take(kOpGe);
        return kOpEq;
      case '<':
        if (d == '>') return take(kOpNe);
        if (d == '=') return take(kOpLe);
        return kOpLt;
      case '>':
        if (d == '=') return take(kOpGe);
        return kOpGt;
      default:  // '~' as a comparison
        if (d == '=') return take(kOpNe);
        if (d == '<') return take(kOpGe);
        if (d == '>') return take(kOpLe);
        return -1;
    }
  }

  std::unique_ptr<Node> comparison() {
    auto left = concat();
    while (left) {
      int32_t op = comparisonOp();
      if (op == 0) break;
      if (op < 0) return nullptr;
      auto right = concat();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> concat() {
    auto left = additive();
    while (left && isChar('&')) {
      advance();
      auto right = additive();
      if (!right) return nullptr;
      left = binary(kOpConcat, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> additive() {
    auto left = term();
    while (left && (isChar('+') || isChar('-'))) {
      int32_t op = isChar('+') ? kOpAdd : kOpSub;
      advance();
      auto right = term();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> term() {
    auto left = power();
    while (left && (isChar('*') || isChar('/') || isChar('%'))) {
      int32_t op = isChar('*') ? kOpMul : isChar('/') ? kOpDiv : kOpMod;
      advance();
      auto right = power();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> power() {
    auto left = signedPrimary();
    while (left && isChar('^')) {
      advance();
      auto right = signedPrimary();
      if (!right) return nullptr;
      left = binary(kOpPower, std::move(left), std::move(right));
    }
    return left;
  }

  std::unique_ptr<Node> signedPrimary() {
    int minus = 0;
    while (isChar('+') || isChar('-')) {
      minus += isChar('-');
      advance();
    }
    auto n = primary();
    if (n && minus % 2) n = unary(kOpNeg, std::move(n));
    return n;
  }

  std::unique_ptr<Node> primary() {
    auto n = std::make_unique<Node>();
    switch (tok_.type) {
      case Tok::Integer:
        n->kind = NodeKind::Integer;
        n->valueKind = kInteger;
        n->integer = tok_.integer;
        n->text = tok_.text;
        advance();
        return n;
      case Tok::Real:
        n->kind = NodeKind::Real;
        n->valueKind = kReal;
        n->real = tok_.real;
        n->text = tok_.text;
        advance();
        return n;
      case Tok::String:
      case Tok::Picture:
        n->kind = tok_.type == Tok::String ? NodeKind::String : NodeKind::Picture;
        n->valueKind = kString;
        n->text = tok_.text;
        advance();
        return n;
      case Tok::Char:
        if (isChar('(')) {
          advance();
          auto inner = orExpr();
          if (!inner || !isChar(')')) return nullptr;
          advance();
          return inner;
        }
        return nullptr;
      case Tok::Name:
        return named();
      default:
        return nullptr;
    }
  }

  std::unique_ptr<Node> named() {
    Symbol* s = lookup(tok_.text);
    if (!s) {
      Kiv$seterror(801);
      return nullptr;
    }
    if (s->kind == SymbolKind::Operator) return nullptr;  // a misplaced operator word
    auto n = std::make_unique<Node>();
    n->text = tok_.text;
    n->valueKind = s->valueKind;
    advance();
    if (s->kind == SymbolKind::Function) {
      n->kind = NodeKind::Call;
      n->function = s->function;
      n->address = s->address;
      if (!isChar('(')) return n;  // a call without arguments
      advance();
      if (isChar(')')) {
        advance();
        return n;
      }
      while (true) {
        auto arg = orExpr();
        if (!arg) return nullptr;
        n->args.push_back(std::move(arg));
        if (isChar(',')) {
          advance();
          continue;
        }
        if (!isChar(')')) return nullptr;
        advance();
        break;
      }
      if (int32_t(n->args.size()) > s->paramCount && s->paramCount != kAnyCount) return nullptr;
      return n;
    }
    n->kind = NodeKind::Variable;
    n->variable = Kiv$CloneUfo(s->variable, 0);
    if (!isChar('[')) return n;
    advance();
    auto first = orExpr();
    if (!first) return nullptr;
    if (isChar(':')) {
      advance();
      auto last = orExpr();
      if (!last || !isChar(']')) return nullptr;
      advance();
      n->kind = NodeKind::Slice;
      n->valueKind = kString;
      n->args.push_back(std::move(first));
      n->args.push_back(std::move(last));
      return n;
    }
    n->kind = NodeKind::Element;
    n->args.push_back(std::move(first));
    while (isChar(',')) {
      advance();
      auto sub = orExpr();
      if (!sub) return nullptr;
      n->args.push_back(std::move(sub));
    }
    if (!isChar(']')) return nullptr;
    advance();
    return n;
  }

  Tokenizer lex_;
  Token tok_;
};

}  // namespace

Node::~Node() {
  if (variable) Kiv$FreeUfo(variable);
}

std::unique_ptr<Node> parse(std::string_view text) { return Parser(text).parseAll(); }

}  // namespace kiv::data
