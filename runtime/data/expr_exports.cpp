// The exported operations of the expression evaluator.
#include <cstdlib>
#include <cstring>

#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/data/expr_tree.h"

namespace kiv::data {
int32_t annotateTree(Node& root, KivLevelResolver resolver, void* context);
int32_t truthAtLevel(const Node& root, int32_t level);
Ufo* startingValue(const Node& root, int32_t level, bool descending, bool caseBlind, Ufo* key);
}  // namespace kiv::data

using namespace kiv::data;

namespace {

void toHeap(const std::string& s, KivHeapStr* out) {
  Kiv$loadstr(out, s.data(), uint32_t(s.size()));
}

}  // namespace

extern "C" {

void Kiv$BindG(Ufo* group) {
  if (!group) return;
  ensureBuiltins();
  installFieldBinder();
  // Every field of the group that has a label is bound under it.
  group->BIND();
}

void Kiv$Evaluate(void) {
  Kiv$clearerror();
  std::string text = kiv::core::popText();
  if (text.size() > 999) text.resize(999);
  std::unique_ptr<Node> tree = parse(text);
  if (!tree) {
    Kiv$seterror(800);
    Kiv$PushNull();
    return;
  }
  kiv::core::pushCopy(evalString(*tree));
}

KivExpr* Kiv$ParseCString(const char* text) {
  std::unique_ptr<Node> root = parse(text ? text : "");
  if (!root) return nullptr;
  return new KivExpr{std::move(root)};
}

void Kiv$EvaluateParsed(KivExpr* tree) {
  if (!tree || !tree->root) {
    Kiv$PushNull();
    return;
  }
  kiv::core::pushCopy(evalString(*tree->root));
}

int32_t Kiv$EvalR(KivExpr* tree) { return tree && tree->root && evalTruth(*tree->root) ? 1 : 0; }

void Kiv$EvalS(KivExpr* tree, KivHeapStr* out) {
  toHeap(tree && tree->root ? evalString(*tree->root) : std::string(), out);
}

void Kiv$FreeParsed(KivExpr* tree) { delete tree; }

int32_t Kiv$AnnotateParsed(KivExpr* tree, KivLevelResolver resolver, void* context) {
  if (!tree || !tree->root) return 2;
  return annotateTree(*tree->root, resolver, context);
}

int32_t Kiv$EvalLevel(KivExpr* tree, int32_t level) {
  if (!tree || !tree->root) return 2;
  return truthAtLevel(*tree->root, level);
}

Ufo* Kiv$FindMin(KivExpr* tree, int32_t level, int32_t descending, int32_t caseBlind,
                 Ufo* keyField) {
  if (!tree || !tree->root) return nullptr;
  return startingValue(*tree->root, level, descending != 0, caseBlind != 0, keyField);
}

void Kiv$PrintSQL(KivExpr* tree, KivHeapStr* out) {
  toHeap(tree && tree->root ? print(*tree->root) : std::string(), out);
}

void Kiv$PrintSQLOrder(KivExpr* const* trees, const uint8_t* descending, int32_t count,
                       KivHeapStr* out) {
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    if (!trees || !trees[i] || !trees[i]->root) continue;
    if (!text.empty()) text += ", ";
    text += print(*trees[i]->root);
    if (descending && descending[i]) text += " DESC";
  }
  toHeap(text, out);
}

}  // extern "C"
