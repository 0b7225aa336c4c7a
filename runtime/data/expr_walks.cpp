// Walks over a parsed tree for drivers that run views: levels, three-valued truth at a level,
// a starting value for a key, and printing the tree back as text.
#include "runtime/core/string_stack.h"
#include "runtime/data/expr_tree.h"

namespace kiv::data {
namespace {

enum Truth : int32_t { kTrue = 0, kFalse = 1, kUnknown = 2 };

int32_t annotate(Node& n, KivLevelResolver resolver, void* context) {
  int32_t level = 0;
  if ((n.kind == NodeKind::Variable || n.kind == NodeKind::Element || n.kind == NodeKind::Slice) &&
      resolver)
    level = resolver(context, n.variable, n.text.c_str());
  for (auto& a : n.args) level = std::max(level, annotate(*a, resolver, context));
  n.level = level;
  return level;
}

// NOT, AND and OR combine their operands' truths, so a known false operand decides even when
// the other needs a later level; any other node above the level is unknown.
int32_t truthAt(const Node& n, int32_t level) {
  if (n.kind == NodeKind::Unary && n.op == kOpNot) {
    int32_t t = truthAt(*n.args[0], level);
    return t == kUnknown ? kUnknown : (t == kTrue ? kFalse : kTrue);
  }
  if (n.kind == NodeKind::Binary && (n.op == kOpAnd || n.op == kOpOr)) {
    int32_t a = truthAt(*n.args[0], level), b = truthAt(*n.args[1], level);
    if (n.op == kOpAnd) {
      if (a == kFalse || b == kFalse) return kFalse;
      if (a == kTrue && b == kTrue) return kTrue;
      return kUnknown;
    }
    if (a == kTrue || b == kTrue) return kTrue;
    if (a == kFalse && b == kFalse) return kFalse;
    return kUnknown;
  }
  if (n.level > level) return kUnknown;
  return evalTruth(n) ? kTrue : kFalse;
}

bool sameField(const Node& n, Ufo* keyField) {
  return n.kind == NodeKind::Variable && keyField && n.variable &&
         Kiv$AddressUfo(n.variable) == Kiv$AddressUfo(keyField);
}

// Keeps the lowest (highest when descending) known value compared with the key field.
void findMin(const Node& n, int32_t level, bool descending, bool caseBlind, Ufo* keyField,
             Ufo** best) {
  if ((n.kind == NodeKind::Binary && (n.op == kOpAnd || n.op == kOpOr)) ||
      (n.kind == NodeKind::Unary && n.op == kOpNot)) {
    for (const auto& a : n.args) findMin(*a, level, descending, caseBlind, keyField, best);
    return;
  }
  if (n.kind != NodeKind::Binary || n.op < kOpEq || n.op > kOpGe || n.op == kOpNe) return;
  const Node* key = nullptr;
  const Node* known = nullptr;
  int32_t op = n.op;
  if (sameField(*n.args[0], keyField) && n.args[0]->level == level && n.args[1]->level < level) {
    key = n.args[0].get(), known = n.args[1].get();
  } else if (sameField(*n.args[1], keyField) && n.args[1]->level == level &&
             n.args[0]->level < level) {
    key = n.args[1].get(), known = n.args[0].get();
    // Mirror the comparison so that it reads "key op known".
    if (op == kOpLt)
      op = kOpGt;
    else if (op == kOpGt)
      op = kOpLt;
    else if (op == kOpLe)
      op = kOpGe;
    else if (op == kOpGe)
      op = kOpLe;
  }
  if (!key) return;
  // Only comparisons that bound the key from the starting side give a start.
  bool bounds =
      op == kOpEq || (descending ? (op == kOpLt || op == kOpLe) : (op == kOpGt || op == kOpGe));
  if (!bounds) return;
  Ufo* candidate = nullptr;
  Value v = evaluate(*known);
  if (v.kind == kString) {
    kiv::core::pushCopy(v.text);
    candidate = Kiv$Stack2Ufo();
  } else if (v.kind == kReal) {
    candidate = Kiv$Real2Ufo(v.real);
  } else {
    candidate = Kiv$Long2Ufo(v.integer);
  }
  if (!*best) {
    *best = candidate;
    return;
  }
  int32_t c = caseBlind ? Kiv$Ufodistincti(candidate, *best) : Kiv$Ufodistinct(candidate, *best);
  if (descending ? c > 0 : c < 0) {
    Kiv$FreeUfo(*best);
    *best = candidate;
  } else {
    Kiv$FreeUfo(candidate);
  }
}

const char* opText(int32_t op) {
  switch (op) {
    case kOpPower:
      return "^";
    case kOpMul:
      return "*";
    case kOpDiv:
      return "/";
    case kOpMod:
      return "%";
    case kOpNeg:
      return "-";
    case kOpAdd:
      return "+";
    case kOpSub:
      return "-";
    case kOpConcat:
      return "&";
    case kOpEq:
      return "=";
    case kOpNe:
      return "<>";
    case kOpLt:
      return "<";
    case kOpGt:
      return ">";
    case kOpLe:
      return "<=";
    case kOpGe:
      return ">=";
    case kOpNot:
      return "NOT";
    case kOpAnd:
      return "AND";
    case kOpOr:
      return "OR";
    case kOpXor:
      return "XOR";
  }
  return "?";
}

int32_t opOf(const Node& n) {
  return (n.kind == NodeKind::Binary || n.kind == NodeKind::Unary) ? n.op : 0;
}

// How loosely an operator binds (0 for operands).
int32_t looseness(int32_t op) {
  switch (op) {
    case 0:
      return 0;
    case kOpNeg:
      return 1;
    case kOpPower:
      return 2;
    case kOpMul:
    case kOpDiv:
    case kOpMod:
      return 3;
    case kOpAdd:
    case kOpSub:
      return 4;
    case kOpConcat:
      return 5;
    case kOpNot:
      return 7;
    case kOpAnd:
      return 8;
    case kOpOr:
    case kOpXor:
      return 9;
  }
  return 6;  // comparisons
}

}  // namespace

std::string print(const Node& n) {
  switch (n.kind) {
    case NodeKind::Integer:
    case NodeKind::Real:
    case NodeKind::Picture:
      return n.text;
    case NodeKind::String: {
      std::string out = "'";
      for (char c : n.text) {
        out += c;
        if (c == '\'') out += '\'';
      }
      return out + "'";
    }
    case NodeKind::Variable:
      return n.text;
    case NodeKind::Element: {
      std::string out = n.text + "[";
      for (size_t i = 0; i < n.args.size(); ++i) out += (i ? ", " : "") + print(*n.args[i]);
      return out + "]";
    }
    case NodeKind::Slice:
      return n.text + "[" + print(*n.args[0]) + " : " + print(*n.args[1]) + "]";
    case NodeKind::Call: {
      std::string out = n.text + "(";
      for (size_t i = 0; i < n.args.size(); ++i) out += (i ? ", " : "") + print(*n.args[i]);
      return out + ")";
    }
    case NodeKind::Unary: {
      std::string operand = print(*n.args[0]);
      int32_t inner = opOf(*n.args[0]);
      bool wrap = n.op == kOpNot ? inner > n.op : (inner != 0 && inner != kOpNeg);
      if (wrap) operand = "(" + operand + ")";
      return n.op == kOpNot ? "NOT " + operand : "-" + operand;
    }
    case NodeKind::Binary: {
      std::string left = print(*n.args[0]), right = print(*n.args[1]);
      if (opOf(*n.args[0]) > n.op) left = "(" + left + ")";
      // A right operand binding as loosely as its parent needs parentheses to keep the grouping.
      int32_t r = opOf(*n.args[1]);
      if (r != 0 && looseness(r) >= looseness(n.op)) right = "(" + right + ")";
      return left + " " + opText(n.op) + " " + right;
    }
  }
  return {};
}

int32_t annotateTree(Node& root, KivLevelResolver resolver, void* context) {
  annotate(root, resolver, context);
  return truthAt(root, 0);
}

int32_t truthAtLevel(const Node& root, int32_t level) { return truthAt(root, level); }

Ufo* startingValue(const Node& root, int32_t level, bool descending, bool caseBlind, Ufo* key) {
  Ufo* best = nullptr;
  findMin(root, level, descending, caseBlind, key, &best);
  return best;
}

}  // namespace kiv::data
