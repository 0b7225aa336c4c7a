#include "runtime/env/command_line.h"

#include <optional>

#include "runtime/core/string_stack.h"
#include "runtime/platform/process.h"

namespace kiv::env {
namespace {

constexpr size_t kMaxToken = 255;
constexpr size_t kMaxResult = 255;

std::optional<std::string> gTail;

bool isWhite(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Case-blind equality by the locale's collation (trailing blanks never count).
bool sameText(std::string_view a, std::string_view b) {
  return kiv::core::collate(a, b, true) == 0;
}

// The runtime's integer reading: leading blanks, an optional sign, then digits.
bool readNumber(std::string_view s, long* value) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  long n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    if (n < 1000000000L) n = n * 10 + (s[i] - '0');
  *value = negative ? -n : n;
  return true;
}

}  // namespace

const std::string& commandTail() {
  if (!gTail) gTail = std::string(tailOf(joinCommandLine(kiv::platform::processArguments())));
  return *gTail;
}

void setCommandTail(std::string_view tail) { gTail = std::string(tail); }

std::string joinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    bool quote = arg.empty() && &arg != &args.front();
    for (char c : arg) quote = quote || isWhite(c);
    if (quote) line += '"';
    line += arg;
    if (quote) line += '"';
  }
  return line;
}

std::string_view tailOf(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && isWhite(line[i])) ++i;
  while (i < line.size() && !isWhite(line[i])) ++i;
  while (i < line.size() && isWhite(line[i])) ++i;
  return line.substr(i);
}

std::vector<std::string> commandTokens(std::string_view tail) {
  std::vector<std::string> tokens;
  size_t i = 0;
  for (;;) {
    while (i < tail.size() && isWhite(tail[i])) ++i;
    if (i >= tail.size()) break;
    size_t start = i++;
    while (i < tail.size() && !isWhite(tail[i]) && tail[i] != ',' && tail[i] != '/') ++i;
    tokens.emplace_back(tail.substr(start, std::min(i - start, kMaxToken)));
    if (i < tail.size() && tail[i] == ',') ++i;
  }
  return tokens;
}

std::string commandParameter(std::string_view selector, std::string_view tail) {
  std::string result;
  long n = 0;
  if (selector.empty()) {
    result = tail;
  } else if (selector == "0") {
    result = kiv::platform::executablePath();
  } else if (readNumber(selector, &n)) {
    std::vector<std::string> tokens = commandTokens(tail);
    if (n >= 1 && size_t(n) <= tokens.size()) result = tokens[size_t(n) - 1];
  } else if (selector.front() == '/') {
    for (const std::string& token : commandTokens(tail))
      if (sameText(token, selector)) {
        result = token.substr(1);
        break;
      }
  } else {
    const std::string key = std::string(selector) + "=";
    for (const std::string& token : commandTokens(tail))
      if (token.size() >= key.size() &&
          sameText(std::string_view(token).substr(0, key.size()), key)) {
        result = token.substr(key.size());
        break;
      }
  }
  if (result.size() > kMaxResult) result.resize(kMaxResult);
  return result;
}

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && isWhite(line[i])) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < line.size() && (quoted || !isWhite(line[i])); ++i) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else if (quoted && line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
        arg += '"';
        ++i;
      } else {
        arg += line[i];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace kiv::env
