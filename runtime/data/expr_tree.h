// The expression evaluator's pieces: symbol entries and scopes, tokens, tree nodes, and the
// walks over a tree. Everything runs under the runtime lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "include/kvrun32.h"

namespace kiv::data {

// Value kinds of names and nodes.
enum ValueKind : int32_t { kInteger = 1, kReal = 2, kString = 4, kLogical = 8 };

// Operator codes, which are also the printer's order of binding (higher binds less tightly).
enum OpCode : int32_t {
  kOpPower = 2,
  kOpMul = 3,
  kOpDiv = 4,
  kOpMod = 5,
  kOpNeg = 6,
  kOpAdd = 7,
  kOpSub = 8,
  kOpConcat = 9,
  kOpEq = 10,
  kOpNe = 11,
  kOpLt = 12,
  kOpGt = 13,
  kOpLe = 14,
  kOpGe = 15,
  kOpNot = 16,
  kOpAnd = 17,
  kOpOr = 18,
  kOpXor = 19
};

enum class SymbolKind : int32_t { Variable = 1, Operator = 4, Function = 6 };

constexpr int32_t kAnyCount = 25;  // parameter count of CHOOSE and INLIST

struct Symbol {
  std::unique_ptr<Symbol> left, right;
  SymbolKind kind = SymbolKind::Variable;
  std::string name;
  int32_t valueKind = kInteger;
  Ufo* variable = nullptr;  // a copy of the bound descriptor, owned by the entry
  int32_t opCode = 0;
  int32_t function = 0;  // built-in number, or 0 for a bound procedure
  int32_t paramCount = 0;
  void* address = nullptr;  // bound procedure
  ~Symbol();
};

// The current scope's tree; names are found in it only.
Symbol* lookup(std::string_view name);
// Enters the operator words and the built-ins when the scope's low side is empty.
void ensureBuiltins();
void bindVariable(std::string_view name, Ufo* variable);

enum class NodeKind {
  Integer,
  Real,
  String,
  Picture,
  Variable,
  Call,
  Unary,
  Binary,
  Element,
  Slice
};

struct Node {
  NodeKind kind;
  int32_t valueKind = kInteger;
  int32_t level = 0;
  int32_t op = 0;  // unary and binary operators
  int32_t integer = 0;
  double real = 0.0;
  std::string text;         // string constant, picture, or the name as written
  Ufo* variable = nullptr;  // the variable's descriptor, a copy owned by the node
  int32_t function = 0;     // built-in number; 0 with an address for a bound procedure
  void* address = nullptr;
  std::vector<std::unique_ptr<Node>> args;  // operands, arguments, subscripts
  ~Node();
};

// Parses a whole text; null (with error 801 set for an unknown name) when it does not parse.
std::unique_ptr<Node> parse(std::string_view text);

// Evaluation in each kind.
int32_t evalInteger(const Node& n);
double evalReal(const Node& n);
std::string evalString(const Node& n);
bool evalTruth(const Node& n);

// Runs built-in `function` over evaluated arguments and yields its value as a node-like result.
struct Value {
  int32_t kind = kInteger;
  int32_t integer = 0;
  double real = 0.0;
  std::string text;
};
Value callBuiltin(int32_t function, const std::vector<std::unique_ptr<Node>>& args);
Value evaluate(const Node& n);

// Reading a bound variable.
int32_t variableKind(Ufo* variable);
int32_t ufoTypeCode(Ufo* variable);
void installFieldBinder();

// The built-ins that call other runtime services: FORMAT of a value (the node, when given, lets a
// number keep its kind), DEFORMAT, and GETINI(section, entry, default, file).
std::string formatBuiltin(const std::string& text, const Node* value, const std::string& picture);
std::string deformatBuiltin(const std::string& text, const std::string& picture);
std::string getiniBuiltin(const std::string& section, const std::string& entry,
                          const std::string& dflt, const std::string& file);

std::string print(const Node& n);

}  // namespace kiv::data

struct KivExpr {
  std::unique_ptr<kiv::data::Node> root;
};
