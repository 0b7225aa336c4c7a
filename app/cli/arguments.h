// The words of a command line: the command, its operands and its options. Options may stand
// anywhere after the command, as "--name value", "--name=value" or a flag alone; "--" ends them.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace cli {

struct Arguments {
  std::vector<std::string> operands;
  std::map<std::string, std::string> values;  // options that take a value
  std::set<std::string> flags;                // options without one

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> value(const std::string& option) const;
};

// What a command accepts: option names (with their dashes) that take a value, and flags.
struct Grammar {
  std::set<std::string> valueOptions, flagOptions;
};

// Splits the words after the command; an unknown option, a missing value or a value given to a
// flag is reported in `error` (and nothing is returned).
std::optional<Arguments> parseArguments(const std::vector<std::string>& words,
                                        const Grammar& grammar, std::string* error);

}  // namespace cli
