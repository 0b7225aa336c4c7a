// Evaluation of expression trees: every node yields its value in any kind on demand.
#include <sys/sysinfo.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/core/string_stack.h"
#include "runtime/data/expr_builtins.h"
#include "runtime/data/expr_tree.h"

namespace kiv::data {
namespace {

using kiv::core::popText;
using kiv::core::pushCopy;

int32_t roundToInteger(double r) {
  if (std::isnan(r)) return 0;
  double v = std::round(r);
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

double textToReal(const std::string& text) {
  pushCopy(text);
  return Kiv$PopReal();
}

std::string integerText(int32_t v) {
  Kiv$PushLong(v);
  return popText();
}

std::string realText(double v) {
  Kiv$PushReal(v);
  return popText();
}

Value integerValue(int32_t v, int32_t kind = kInteger) {
  Value r;
  r.kind = kind;
  r.integer = v;
  return r;
}

Value realValue(double v) {
  Value r;
  r.kind = kReal;
  r.real = v;
  return r;
}

Value stringValue(std::string s) {
  Value r;
  r.kind = kString;
  r.text = std::move(s);
  return r;
}

int32_t asInteger(const Value& v) {
  switch (v.kind) {
    case kReal:
      return roundToInteger(v.real);
    case kString:
      return roundToInteger(textToReal(v.text));
    default:
      return v.integer;
  }
}

double asReal(const Value& v) {
  switch (v.kind) {
    case kReal:
      return v.real;
    case kString:
      return textToReal(v.text);
    default:
      return v.integer;
  }
}

std::string asString(const Value& v) {
  switch (v.kind) {
    case kReal:
      return realText(v.real);
    case kString:
      return v.text;
    case kLogical:
      return v.integer ? "1" : "";
    default:
      return integerText(v.integer);
  }
}

bool asTruth(const Value& v) {
  switch (v.kind) {
    case kReal:
      return Kiv$realdistinct(v.real, 0.0) != 0;
    case kString:
      return v.text.find_first_not_of(' ') != std::string::npos;
    default:
      return v.integer != 0;
  }
}

// Reads a descriptor in the kind of its binding.
Value readVariable(Ufo* u, int32_t kind) {
  if (!u) return stringValue("");
  if (kind == kInteger) return integerValue(Kiv$Ufo2Long(u));
  if (kind == kReal) return realValue(Kiv$Ufo2Real(u));
  Kiv$PushUfo(u);
  return stringValue(popText());
}

Value compare(int32_t op, const Value& a, const Value& b) {
  int c;
  bool intLike =
      (a.kind == kInteger || a.kind == kLogical) && (b.kind == kInteger || b.kind == kLogical);
  if (intLike) {
    c = (a.integer > b.integer) - (a.integer < b.integer);
  } else if (a.kind == kString && b.kind == kString) {
    int r = kiv::core::collate(a.text, b.text, false);
    c = (r > 0) - (r < 0);
  } else {
    c = Kiv$realdistinct(asReal(a), asReal(b));
  }
  bool t = false;
  switch (op) {
    case kOpEq:
      t = c == 0;
      break;
    case kOpNe:
      t = c != 0;
      break;
    case kOpLt:
      t = c < 0;
      break;
    case kOpGt:
      t = c > 0;
      break;
    case kOpLe:
      t = c <= 0;
      break;
    case kOpGe:
      t = c >= 0;
      break;
  }
  return integerValue(t, kLogical);
}

Value binaryValue(const Node& n) {
  int32_t op = n.op;
  if (op == kOpAnd || op == kOpOr || op == kOpXor) {
    bool a = evalTruth(*n.args[0]);
    if (op == kOpAnd && !a) return integerValue(0, kLogical);
    if (op == kOpOr && a) return integerValue(1, kLogical);
    bool b = evalTruth(*n.args[1]);
    bool t = op == kOpAnd ? (a && b) : op == kOpOr ? (a || b) : (a != b);
    return integerValue(t, kLogical);
  }
  Value a = evaluate(*n.args[0]);
  Value b = evaluate(*n.args[1]);
  if (op >= kOpEq) return compare(op, a, b);
  if (op == kOpConcat) return stringValue(asString(a) + asString(b));
  double x = asReal(a), y = asReal(b);
  switch (op) {
    case kOpAdd:
      return realValue(x + y);
    case kOpSub:
      return realValue(x - y);
    case kOpMul:
      return realValue(x * y);
    case kOpDiv:
      return realValue(Kiv$divide(x, y));
    case kOpMod:
      return realValue(Kiv$modulus(x, y));
    case kOpPower:
      return realValue(Kiv$realpower(x, y));
  }
  return realValue(0.0);
}

Value callProcedure(const Node& n) {
  if (n.valueKind == kInteger) return integerValue(reinterpret_cast<int32_t (*)()>(n.address)());
  if (n.valueKind == kReal) return realValue(reinterpret_cast<double (*)()>(n.address)());
  // A string procedure leaves its result on the string stack.
  int depth = kiv::core::stringStackDepth();
  reinterpret_cast<void (*)()>(n.address)();
  return stringValue(kiv::core::stringStackDepth() > depth ? popText() : std::string());
}

}  // namespace

Value evaluate(const Node& n) {
  switch (n.kind) {
    case NodeKind::Integer:
      return integerValue(n.integer);
    case NodeKind::Real:
      return realValue(n.real);
    case NodeKind::String:
    case NodeKind::Picture:
      return stringValue(n.text);
    case NodeKind::Variable:
      return readVariable(n.variable, n.valueKind);
    case NodeKind::Element: {
      Ufo* part = n.variable ? Kiv$CloneUfo(n.variable, 0) : nullptr;
      for (const auto& sub : n.args) {
        if (!part) break;
        Ufo* element = Kiv$SelectUfo(part, evalInteger(*sub));
        Kiv$FreeUfo(part);
        part = element;
      }
      Value v = readVariable(part, n.valueKind);
      if (part) Kiv$FreeUfo(part);
      return v;
    }
    case NodeKind::Slice: {
      std::string whole = readVariable(n.variable, kString).text;
      int32_t from = evalInteger(*n.args[0]), to = evalInteger(*n.args[1]);
      if (from < 1 || to < from || size_t(to) > whole.size()) return stringValue("");
      return stringValue(whole.substr(size_t(from - 1), size_t(to - from + 1)));
    }
    case NodeKind::Call:
      return n.function ? callBuiltin(n.function, n.args) : callProcedure(n);
    case NodeKind::Unary:
      if (n.op == kOpNot) return integerValue(!evalTruth(*n.args[0]), kLogical);
      return realValue(-evalReal(*n.args[0]));
    case NodeKind::Binary:
      return binaryValue(n);
  }
  return integerValue(0);
}

int32_t evalInteger(const Node& n) { return asInteger(evaluate(n)); }
double evalReal(const Node& n) { return asReal(evaluate(n)); }
std::string evalString(const Node& n) { return asString(evaluate(n)); }
bool evalTruth(const Node& n) { return asTruth(evaluate(n)); }

int32_t variableKind(Ufo* variable) {
  int32_t type = variable ? kiv::data::ufoTypeCode(variable) : KIV_STRING;
  if (type < 7) return kInteger;
  if (type <= 17) return kReal;
  return kString;
}

namespace {

// Argument helpers: a missing argument takes the given default.
const Node* arg(const std::vector<std::unique_ptr<Node>>& args, size_t i) {
  return i < args.size() ? args[i].get() : nullptr;
}
int32_t argInteger(const std::vector<std::unique_ptr<Node>>& args, size_t i, int32_t dflt) {
  const Node* a = arg(args, i);
  return a ? evalInteger(*a) : dflt;
}
double argReal(const std::vector<std::unique_ptr<Node>>& args, size_t i, double dflt = 0.0) {
  const Node* a = arg(args, i);
  return a ? evalReal(*a) : dflt;
}
std::string argString(const std::vector<std::unique_ptr<Node>>& args, size_t i) {
  const Node* a = arg(args, i);
  return a ? evalString(*a) : std::string();
}

// Runs a string-stack operation on one string argument.
template <typename Op>
std::string onStack(const std::string& s, Op op) {
  pushCopy(s);
  op();
  return popText();
}

int32_t memoryFree() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  unsigned long long bytes = (unsigned long long)info.freeram * info.mem_unit;
  return bytes > INT32_MAX ? INT32_MAX : int32_t(bytes);
}

}  // namespace

Value callBuiltin(int32_t function, const std::vector<std::unique_ptr<Node>>& args) {
  switch (function) {
    case kAbs:
      return realValue(std::fabs(argReal(args, 0)));
    case kAcos:
      return realValue(std::acos(argReal(args, 0)));
    case kAsin:
      return realValue(std::asin(argReal(args, 0)));
    case kAtan:
      return realValue(std::atan(argReal(args, 0)));
    case kCos:
      return realValue(std::cos(argReal(args, 0)));
    case kSin:
      return realValue(std::sin(argReal(args, 0)));
    case kTan:
      return realValue(std::tan(argReal(args, 0)));
    case kSqrt:
      return realValue(std::sqrt(argReal(args, 0)));
    case kLog10:
      return realValue(std::log10(argReal(args, 0)));
    case kLoge:
      return realValue(std::log(argReal(args, 0)));
    case kRound:
      return realValue(Kiv$ROUND(argReal(args, 0), argReal(args, 1, 1.0)));
    case kInt:
      return integerValue(roundToInteger(Kiv$INT(argReal(args, 0))));
    case kBand:
      return integerValue(argInteger(args, 0, 0) & argInteger(args, 1, 0));
    case kBor:
      return integerValue(argInteger(args, 0, 0) | argInteger(args, 1, 0));
    case kBxor:
      return integerValue(argInteger(args, 0, 0) ^ argInteger(args, 1, 0));
    case kBshift: {
      auto v = static_cast<uint32_t>(argInteger(args, 0, 0));
      int32_t by = argInteger(args, 1, 0);
      if (by >= 32 || by <= -32) return integerValue(0);
      return integerValue(static_cast<int32_t>(by >= 0 ? v << by : v >> -by));
    }
    case kAge: {
      Kiv$StackAGE(argInteger(args, 0, 0), argInteger(args, 1, -1));
      return stringValue(popText());
    }
    case kAll: {
      std::string s = argString(args, 0);
      int32_t n = argInteger(args, 1, 0);
      return stringValue(onStack(s, [=] { Kiv$StackALL(n); }));
    }
    case kCenter:
    case kLeft:
    case kRight: {
      std::string s = argString(args, 0);
      int32_t w = argInteger(args, 1, -1);
      return stringValue(onStack(s, [=] {
        if (function == kCenter) Kiv$StackCENTER(w);
        if (function == kLeft) Kiv$StackLEFT(w);
        if (function == kRight) Kiv$StackRIGHT(w);
      }));
    }
    case kChoose: {
      if (args.empty()) return stringValue("");
      int32_t n = evalInteger(*args[0]);
      size_t count = args.size() - 1;
      if (count == 0) return stringValue("");
      size_t pick = (n >= 1 && size_t(n) <= count) ? size_t(n) : count;
      return stringValue(evalString(*args[pick]));
    }
    case kChr:
      return stringValue(std::string(1, char(argInteger(args, 0, 0) & 0xFF)));
    case kClip:
      return stringValue(onStack(argString(args, 0), [] { Kiv$StackCLIP(); }));
    case kUpper:
      return stringValue(onStack(argString(args, 0), [] { Kiv$StackUPPER(); }));
    case kLower:
      return stringValue(onStack(argString(args, 0), [] { Kiv$StackLOWER(); }));
    case kSub: {
      std::string s = argString(args, 0);
      int32_t start = argInteger(args, 1, 1), len = argInteger(args, 2, -1);
      return stringValue(onStack(s, [=] { Kiv$StackSUB(start, len); }));
    }
    case kLen:
      return integerValue(int32_t(argString(args, 0).size()));
    case kVal: {
      pushCopy(argString(args, 0));
      return integerValue(Kiv$StackVAL());
    }
    case kNumeric: {
      pushCopy(argString(args, 0));
      return integerValue(Kiv$StackNumeric());
    }
    case kInstring: {
      std::string sought = argString(args, 0), searched = argString(args, 1);
      int32_t step = argInteger(args, 2, 1), start = argInteger(args, 3, 1);
      pushCopy(searched);
      pushCopy(sought);
      return integerValue(Kiv$StackINSTRING(step, start));
    }
    case kInlist: {
      if (args.empty()) return integerValue(0);
      // Item 1 lies just below the value on the stack, so the list is pushed last to first.
      std::vector<std::string> values;
      for (const auto& a : args) values.push_back(evalString(*a));
      int32_t n = int32_t(values.size()) - 1;
      if (n > kiv::core::kStringStackSize - 1 - kiv::core::stringStackDepth())
        n = kiv::core::kStringStackSize - 1 - kiv::core::stringStackDepth();
      for (int32_t i = n; i >= 1; --i) pushCopy(values[size_t(i)]);
      pushCopy(values[0]);
      return integerValue(Kiv$StackINLIST(n));
    }
    case kInrange: {
      if (args.size() < 3) return integerValue(0);
      Value v = evaluate(*args[0]), lo = evaluate(*args[1]), hi = evaluate(*args[2]);
      bool in = compare(kOpGe, v, lo).integer && compare(kOpLe, v, hi).integer;
      return integerValue(in);
    }
    case kClock:
      return integerValue(Kiv$CLOCK());
    case kToday:
      return integerValue(Kiv$TODAY());
    case kDate:
      return integerValue(
          Kiv$DATE(argInteger(args, 0, 0), argInteger(args, 1, 0), argInteger(args, 2, 0)));
    case kDay:
      return integerValue(Kiv$DAY(argInteger(args, 0, 0)));
    case kMonth:
      return integerValue(Kiv$MONTH(argInteger(args, 0, 0)));
    case kYear:
      return integerValue(Kiv$YEAR(argInteger(args, 0, 0)));
    case kMemory:
      return integerValue(memoryFree());
    case kRandom: {
      int32_t lo = argInteger(args, 0, 0), hi = argInteger(args, 1, 0);
      if (hi < lo) std::swap(lo, hi);
      int64_t span = int64_t(hi) - lo + 1;
      return integerValue(int32_t(lo + int64_t(std::rand()) % span));
    }
    case kFormat:
      return stringValue(formatBuiltin(argString(args, 0), arg(args, 0), argString(args, 1)));
    case kDeformat:
      return stringValue(deformatBuiltin(argString(args, 0), argString(args, 1)));
    case kGetini:
      return stringValue(getiniBuiltin(argString(args, 0), argString(args, 1), argString(args, 2),
                                       argString(args, 3)));
  }
  return integerValue(0);
}

}  // namespace kiv::data
