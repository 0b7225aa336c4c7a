// Thousands of random decimal-stack operations checked against results computed exactly by
// make_cases.py (cases.txt). Operands are pushed as literals (Kiv$DPushConstant), so the text
// parser is exercised only where a row asks for it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"

namespace {

// Pushes canonical text ("-12.5") through the literal entry point.
void pushLiteral(const std::string& text) {
  bool negative = !text.empty() && text[0] == '-';
  std::vector<uint8_t> digits;
  uint32_t places = 0;
  bool fraction = false;
  for (char c : text) {
    if (c == '.') fraction = true;
    if (c < '0' || c > '9') continue;
    digits.insert(digits.begin(), static_cast<uint8_t>(c - '0'));
    if (fraction) ++places;
  }
  Kiv$DPushConstant(digits.data(), static_cast<uint32_t>(digits.size()), places, negative);
}

std::string popText() {
  Kiv$DStack2Stack();
  return kiv::core::popText();
}

std::vector<uint8_t> fromNibbles(const std::string& hex) {
  std::vector<uint8_t> bytes(hex.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  return bytes;
}

std::string toNibbles(const std::vector<uint8_t>& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : bytes) s += {kHex[b >> 4], kHex[b & 15]};
  return s;
}

// Runs one row; gives an empty string when it passes, else what went wrong.
std::string runRow(const std::string& line, std::map<std::string, int>& counts) {
  std::istringstream in(line);
  std::string op;
  in >> op;
  ++counts[op];
  static const std::map<std::string, void (*)()> kBinary = {
      {"add", Kiv$DecAdd},    {"sub", Kiv$DecSub},      {"subr", Kiv$DecSubR}, {"mul", Kiv$DecMul},
      {"div", Kiv$DecDivide}, {"divr", Kiv$DecDivideR}, {"round", Kiv$DRound}};
  if (auto it = kBinary.find(op); it != kBinary.end()) {
    std::string a, b, expected;
    in >> a >> b >> expected;
    pushLiteral(a);
    pushLiteral(b);
    it->second();
    std::string got = popText();
    return got == expected ? "" : "got " + got;
  }
  if (op == "cmp") {
    std::string a, b;
    int expected;
    in >> a >> b >> expected;
    pushLiteral(a);
    pushLiteral(b);
    int forward = Kiv$DecDistinct();
    pushLiteral(a);
    pushLiteral(b);
    int reverse = Kiv$DecDistinctR();
    if (forward != expected || reverse != -expected)
      return "got " + std::to_string(forward) + "/" + std::to_string(reverse);
    return "";
  }
  if (op == "dec" || op == "pdec") {
    uint32_t n, p;
    std::string value, bytes, back;
    in >> n >> p >> value >> bytes >> back;
    bool packed = op == "pdec";
    std::vector<uint8_t> field(n + 2, 0xAA);  // guard bytes on either side stay untouched
    pushLiteral(value);
    (packed ? Kiv$DPopPdec : Kiv$DPopDec)(field.data() + 1, n, p);
    if (field.front() != 0xAA || field.back() != 0xAA) return "wrote outside the field";
    std::vector<uint8_t> stored(field.begin() + 1, field.end() - 1);
    if (stored != fromNibbles(bytes)) return "stored " + toNibbles(stored);
    (packed ? Kiv$DPushPdec : Kiv$DPushDec)(stored.data(), n, p);
    std::string got = popText();
    return got == back ? "" : "loaded " + got;
  }
  if (op == "long") {
    std::string a;
    int32_t expectedLong;
    uint32_t expectedUlong;
    in >> a >> expectedLong >> expectedUlong;
    pushLiteral(a);
    int32_t l = Kiv$DPopLong();
    pushLiteral(a);
    uint32_t u = Kiv$DPopUlong();
    if (l != expectedLong || u != expectedUlong)
      return "got " + std::to_string(l) + " / " + std::to_string(u);
    return "";
  }
  if (op == "real") {
    std::string x, expected;
    in >> x >> expected;
    double value = std::strtod(x.c_str(), nullptr);
    Kiv$DPushReal(value);
    std::string got = popText();
    if (got != expected) return "pushed " + got;
    // Sixteen digits come back to within a few units of the sixteenth digit.
    pushLiteral(expected);
    double back = Kiv$DPopReal();
    double exact = std::strtod(expected.c_str(), nullptr);
    if (std::fabs(back - exact) > std::fabs(exact) * 2e-15) return "popped " + std::to_string(back);
    return "";
  }
  if (op == "pow") {
    std::string a, expected;
    int32_t n;
    in >> a >> n >> expected;
    pushLiteral(a);
    Kiv$Dlongpower(n);
    std::string got = popText();
    if (got != expected) return "got " + got;
    if (n >= 0) {
      pushLiteral(a);
      Kiv$Dulongpower(static_cast<uint32_t>(n));
      got = popText();
      if (got != expected) return "unsigned got " + got;
    }
    return "";
  }
  return "unknown row";
}

TEST(DecimalOracle, RandomOperationsMatchExactResults) {
  std::ifstream file(KIV_SOURCE_DIR "/tests/runtime/decimal/cases.txt");
  ASSERT_TRUE(file.is_open());
  std::map<std::string, int> counts;
  int failures = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.empty()) continue;
    std::string problem = runRow(line, counts);
    ASSERT_EQ(Kiv$DStackDepth(), 0) << line;
    if (problem.empty()) continue;
    if (++failures <= 20) ADD_FAILURE() << line << "\n  " << problem;
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GE(counts["add"] + counts["mul"] + counts["div"], 4000);
}

// Every value the rows produce survives text out and text in unchanged.
TEST(DecimalOracle, TextRoundTrips) {
  std::ifstream file(KIV_SOURCE_DIR "/tests/runtime/decimal/cases.txt");
  ASSERT_TRUE(file.is_open());
  int checked = 0;
  for (std::string line; std::getline(file, line);) {
    std::istringstream in(line);
    std::string op, a;
    in >> op >> a;
    if (op == "real" || op == "dec" || op == "pdec") continue;
    Kiv$DPushCString(a.c_str());
    std::string got = popText();
    ASSERT_EQ(got, a) << line;
    kiv::core::pushCopy(a);
    Kiv$Stack2DStack();
    ASSERT_EQ(popText(), a) << line;
    ++checked;
  }
  EXPECT_GT(checked, 5000);
}

}  // namespace
