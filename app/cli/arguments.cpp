#include "app/cli/arguments.h"

namespace cli {

std::optional<std::string> Arguments::value(const std::string& option) const {
  auto it = values.find(option);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<Arguments> parseArguments(const std::vector<std::string>& words,
                                        const Grammar& grammar, std::string* error) {
  Arguments a;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (optionsEnded || w.size() < 2 || w[0] != '-') {
      a.operands.push_back(w);
      continue;
    }
    if (w == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = w, value;
    bool hasValue = false;
    if (size_t eq = w.find('='); w.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = w.substr(0, eq);
      value = w.substr(eq + 1);
      hasValue = true;
    }
    if (grammar.flagOptions.count(name)) {
      if (hasValue) {
        *error = "the option " + name + " takes no value";
        return std::nullopt;
      }
      a.flags.insert(name);
    } else if (grammar.valueOptions.count(name)) {
      if (!hasValue) {
        if (i + 1 >= words.size()) {
          *error = "the option " + name + " needs a value";
          return std::nullopt;
        }
        value = words[++i];
      }
      a.values[name] = value;
    } else {
      *error = "unknown option " + w;
      return std::nullopt;
    }
  }
  return a;
}

}  // namespace cli
