// Bound names: one unbalanced binary tree per bind scope, ordered by name without regard to
// case, with a root entry "MMMMMMM" so names spread to both sides.
#include <strings.h>

#include <cctype>
#include <string>

#include "runtime/core/string_stack.h"
#include "runtime/data/expr_builtins.h"
#include "runtime/data/expr_tree.h"

namespace kiv::data {

const BuiltinInfo kBuiltins[44] = {
    {"ABS", kAbs, 1, kReal},
    {"ACOS", kAcos, 1, kReal},
    {"AGE", kAge, 2, kString},
    {"ALL", kAll, 2, kString},
    {"ASIN", kAsin, 1, kReal},
    {"ATAN", kAtan, 1, kReal},
    {"BAND", kBand, 2, kInteger},
    {"BOR", kBor, 2, kInteger},
    {"BSHIFT", kBshift, 2, kInteger},
    {"BXOR", kBxor, 2, kInteger},
    {"CENTER", kCenter, 2, kString},
    {"CHOOSE", kChoose, kAnyCount, kString},
    {"CHR", kChr, 1, kString},
    {"CLIP", kClip, 1, kString},
    {"CLOCK", kClock, 0, kInteger},
    {"COS", kCos, 1, kReal},
    {"DATE", kDate, 3, kInteger},
    {"DAY", kDay, 1, kInteger},
    {"DEFORMAT", kDeformat, 2, kString},
    {"FORMAT", kFormat, 2, kString},
    {"GETINI", kGetini, 4, kString},
    {"INLIST", kInlist, kAnyCount, kInteger},
    {"INRANGE", kInrange, 3, kInteger},
    {"INSTRING", kInstring, 4, kInteger},
    {"INT", kInt, 1, kInteger},
    {"LEFT", kLeft, 2, kString},
    {"LEN", kLen, 1, kInteger},
    {"LOG10", kLog10, 1, kReal},
    {"LOGE", kLoge, 1, kReal},
    {"LOWER", kLower, 1, kString},
    {"MEMORY", kMemory, 1, kInteger},
    {"MONTH", kMonth, 1, kInteger},
    {"NUMERIC", kNumeric, 1, kInteger},
    {"RANDOM", kRandom, 2, kInteger},
    {"RIGHT", kRight, 2, kString},
    {"ROUND", kRound, 2, kReal},
    {"SIN", kSin, 1, kReal},
    {"SQRT", kSqrt, 1, kReal},
    {"SUB", kSub, 3, kString},
    {"TAN", kTan, 1, kReal},
    {"TODAY", kToday, 0, kInteger},
    {"UPPER", kUpper, 1, kString},
    {"VAL", kVal, 1, kInteger},
    {"YEAR", kYear, 1, kInteger},
};

namespace {

struct OperatorWord {
  const char* name;
  int32_t code;
};
constexpr OperatorWord kOperatorWords[] = {
    {"AND", kOpAnd}, {"OR", kOpOr}, {"XOR", kOpXor}, {"NOT", kOpNot}};

std::unique_ptr<Symbol> newRoot() {
  auto root = std::make_unique<Symbol>();
  root->name = "MMMMMMM";
  root->kind = SymbolKind::Operator;  // binds nothing: never matches a real operator
  root->opCode = 0;
  return root;
}

std::unique_ptr<Symbol> gScope = newRoot();
std::vector<std::unique_ptr<Symbol>> gSaved;

int compareNames(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = std::toupper(static_cast<unsigned char>(a[i]));
    int cb = std::toupper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca - cb;
  }
  return (a.size() > n) - (b.size() > n);
}

// The slot where `name` lives or would be inserted.
std::unique_ptr<Symbol>* find(std::string_view name) {
  std::unique_ptr<Symbol>* slot = &gScope;
  while (*slot) {
    int c = compareNames(name, (*slot)->name);
    if (c == 0) return slot;
    slot = c < 0 ? &(*slot)->left : &(*slot)->right;
  }
  return slot;
}

// Replaces or inserts an entry, keeping the subtrees of a replaced one.
Symbol* enter(std::unique_ptr<Symbol> entry) {
  std::unique_ptr<Symbol>* slot = find(entry->name);
  if (*slot) {
    entry->left = std::move((*slot)->left);
    entry->right = std::move((*slot)->right);
  }
  *slot = std::move(entry);
  return slot->get();
}

// A bound name ends at the first character that is not a letter, digit, "_" or ":", keeping
// one following "#", "$" or double quote.
std::string cutName(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    if (std::isalnum(c) || c == '_' || c == ':' || ISFINFO.caseMap[c] != 0)
      ++i;
    else
      break;
  }
  if (i < text.size() && (text[i] == '#' || text[i] == '$' || text[i] == '"')) ++i;
  return std::string(text.substr(0, i));
}

// Drops the root's subtrees' owned entries (all but the root) from a scope.
void emptyScope() { gScope = newRoot(); }

}  // namespace

Symbol::~Symbol() {
  if (variable) Kiv$FreeUfo(variable);
}

Symbol* lookup(std::string_view name) {
  ensureBuiltins();
  Symbol* s = find(name)->get();
  if (s == gScope.get()) return nullptr;  // the root binds nothing
  return s;
}

void ensureBuiltins() {
  if (gScope->left) return;
  for (const OperatorWord& w : kOperatorWords) {
    if (*find(w.name)) continue;
    auto s = std::make_unique<Symbol>();
    s->kind = SymbolKind::Operator;
    s->name = w.name;
    s->opCode = w.code;
    enter(std::move(s));
  }
  for (const BuiltinInfo& b : kBuiltins) {
    if (*find(b.name)) continue;  // a later BIND of the name keeps precedence
    auto s = std::make_unique<Symbol>();
    s->kind = SymbolKind::Function;
    s->name = b.name;
    s->valueKind = b.resultKind;
    s->function = b.number;
    s->paramCount = b.params;
    enter(std::move(s));
  }
}

void bindVariable(std::string_view name, Ufo* variable) {
  ensureBuiltins();
  auto s = std::make_unique<Symbol>();
  s->kind = SymbolKind::Variable;
  s->name = cutName(name);
  s->variable = Kiv$CloneUfo(variable, 0);
  s->valueKind = variableKind(variable);
  enter(std::move(s));
}

}  // namespace kiv::data

using namespace kiv::data;

extern "C" {

void Kiv$BindV(Ufo* variable) {
  std::string name = kiv::core::popText();
  if (variable) bindVariable(name, variable);
}

void Kiv$BindP(void* procedure, int32_t resultType) {
  std::string name = kiv::core::popText();
  ensureBuiltins();
  auto s = std::make_unique<Symbol>();
  s->kind = SymbolKind::Function;
  s->name = cutName(name);
  s->valueKind = resultType == 6 ? kInteger : resultType == 9 ? kReal : kString;
  s->address = procedure;
  s->paramCount = 0;
  enter(std::move(s));
}

void Kiv$UnbindV(void) {
  std::string name = cutName(kiv::core::popText());
  Kiv$clearerror();
  std::unique_ptr<Symbol>* slot = find(name);
  bool bound = *slot && slot->get() != gScope.get() &&
               ((*slot)->kind == SymbolKind::Variable || (*slot)->address != nullptr);
  if (!bound) {
    Kiv$seterror(801);
    return;
  }
  // Remove the node, keeping both subtrees in order.
  std::unique_ptr<Symbol> gone = std::move(*slot);
  if (!gone->left) {
    *slot = std::move(gone->right);
  } else if (!gone->right) {
    *slot = std::move(gone->left);
  } else {
    std::unique_ptr<Symbol>* min = &gone->right;
    while ((*min)->left) min = &(*min)->left;
    std::unique_ptr<Symbol> successor = std::move(*min);
    *min = std::move(successor->right);
    successor->left = std::move(gone->left);
    successor->right = std::move(gone->right);
    *slot = std::move(successor);
  }
}

void Kiv$UnbindA(void) { emptyScope(); }

void Kiv$PushBind(void) {
  gSaved.push_back(std::move(gScope));
  gScope = newRoot();
}

void Kiv$PopBind(void) {
  if (gSaved.empty()) {
    Kiv$rterr(802, "Mismatched POPSCOPE");
    return;
  }
  gScope = std::move(gSaved.back());
  gSaved.pop_back();
}

}  // extern "C"
