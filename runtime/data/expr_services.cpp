// What the evaluator takes from other runtime services: descriptor types, group binding,
// pictures and settings files.
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"
#include "runtime/data/expr_tree.h"

namespace kiv::data {

int32_t ufoTypeCode(Ufo* variable) {
  return variable ? int32_t(variable->type()) : int32_t(KIV_STRING);
}

void installFieldBinder() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  kiv::core::setFieldBinder([](Ufo& field, std::string_view name) { bindVariable(name, &field); });
}

std::string formatBuiltin(const std::string& text, const Node* value, const std::string& picture) {
  (void)value;
  kiv::core::pushCopy(text);
  kiv::core::pushCopy(picture);
  Kiv$StackFORMAT();
  return kiv::core::popText();
}

std::string deformatBuiltin(const std::string& text, const std::string& picture) {
  kiv::core::pushCopy(text);
  kiv::core::pushCopy(picture);
  Kiv$StackDEFORMAT();
  return kiv::core::popText();
}

std::string getiniBuiltin(const std::string& section, const std::string& entry,
                          const std::string& dflt, const std::string& file) {
  kiv::core::pushCopy(file);
  kiv::core::pushCopy(dflt);
  kiv::core::pushCopy(entry);
  kiv::core::pushCopy(section);
  Kiv$GETINI();
  return kiv::core::popText();
}

}  // namespace kiv::data
