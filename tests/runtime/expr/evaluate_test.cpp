// EVALUATE and parsed expressions: numbers in every base, strings, precedence, comparisons,
// built-ins, bound variables and groups, scopes, and texts that must not parse.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/core/ufo.h"

namespace {

std::string evaluate(const std::string& text) {
  kiv::core::pushCopy(text);
  Kiv$Evaluate();
  return kiv::core::popText();
}

void bind(const char* name, Ufo* u) {
  kiv::core::pushCopy(name);
  Kiv$BindV(u);
}

class Evaluate : public testing::Test {
 protected:
  void SetUp() override { Kiv$PushBind(); }
  void TearDown() override {
    Kiv$PopBind();
    EXPECT_EQ(Kiv$StackDepth(), 0);
  }
};

TEST_F(Evaluate, ArithmeticPrecedenceAndConstants) {
  struct Row {
    const char* text;
    const char* result;
  } rows[] = {
      {"1 + 2 * 3", "7"},    {"2 ^ 3 ^ 2", "64"}, {"- - 5", "5"},      {"-2 ^ 2", "4"},
      {"(1 + 2) * 3", "9"},  {"7 / 2", "3.5"},    {"7 % 3", "1"},      {"1 / 0", "0"},
      {"0FFh + 1", "256"},   {"101b", "5"},       {"17o", "15"},       {"0ABCDh", "43981"},
      {"1.5e2", "150"},      {".25 * 4", "1"},    {"'It''s'", "It's"}, {"'a' & 'b' & 1", "ab1"},
      {"'abc' & ''", "abc"}, {"1 + '2'", "3"},    {"10 - 2 - 3", "5"}, {"2 * 3 % 4", "2"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(evaluate(r.text), r.result) << r.text;
    EXPECT_EQ(Kiv$ERRCODE, 0) << r.text;
  }
}

TEST_F(Evaluate, ComparisonsAndLogic) {
  struct Row {
    const char* text;
    bool truth;
  } rows[] = {
      {"1 = 1", true},           {"1 <> 1", false},          {"2 ~= 3", true},
      {"2 =< 2", true},          {"3 => 4", false},          {"3 ~< 2", true},
      {"3 ~> 2", false},         {"'abc' = 'abc   '", true}, {"' abc' = 'abc'", false},
      {"'B' > 'A'", true},       {"0.1 + 0.2 = 0.3", true},  {"1 = 1.0", true},
      {"1 < 2 AND 2 < 3", true}, {"1 > 2 OR 2 > 3", false},  {"1 = 1 XOR 2 = 2", false},
      {"NOT 1 = 2", true},       {"~ ~ 1 = 1", true},        {"NOT NOT NOT 0", true},
      {"'x' AND 1", true},       {"'  ' OR 0", false},       {"1 = 2 OR 3 = 3 AND 4 = 4", true},
  };
  for (const Row& r : rows) {
    kiv::core::pushCopy(r.text);
    Kiv$Evaluate();
    EXPECT_EQ(Kiv$ERRCODE, 0) << r.text;
    EXPECT_EQ(kiv::core::popText(), r.truth ? "1" : "") << r.text;
    KivExpr* tree = Kiv$ParseCString(r.text);
    ASSERT_NE(tree, nullptr) << r.text;
    EXPECT_EQ(Kiv$EvalR(tree), r.truth ? 1 : 0) << r.text;
    Kiv$FreeParsed(tree);
  }
}

TEST_F(Evaluate, TextsThatDoNotParse) {
  const char* bad[] = {"12AB",  "1 +", "(1 + 2", "'open", "1 2", "a$b$", "SUB('x', 1, 2, 3)",
                       "1 ! 2", "[1]", "AND 1",  ")",     "",    "ABS(", "1 = = 2"};
  for (const char* text : bad) {
    EXPECT_EQ(evaluate(text), "") << text;
    EXPECT_TRUE(Kiv$ERRCODE == 800 || Kiv$ERRCODE == 801) << text << " " << Kiv$ERRCODE;
    EXPECT_EQ(Kiv$ParseCString(text), nullptr) << text;
  }
  EXPECT_EQ(evaluate("Unknown + 1"), "");
  EXPECT_EQ(Kiv$ERRCODE, 800);
  EXPECT_EQ(Kiv$ParseCString("Unknown + 1"), nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 801);
}

TEST_F(Evaluate, BuiltIns) {
  struct Row {
    const char* text;
    const char* result;
  } rows[] = {
      {"ABS(-2.5)", "2.5"},
      {"INT(-7.9)", "-7"},
      {"ROUND(2.345, .01)", "2.35"},
      {"SQRT(16)", "4"},
      {"BAND(12, 10)", "8"},
      {"BOR(12, 10)", "14"},
      {"BXOR(12, 10)", "6"},
      {"BSHIFT(1, 4)", "16"},
      {"BSHIFT(16, -2)", "4"},
      {"CHR(65)", "A"},
      {"VAL('A')", "65"},
      {"LEN('abc  ')", "5"},
      {"CLIP('abc  ') & '|'", "abc|"},
      {"UPPER('Disk 1')", "DISK 1"},
      {"LOWER('Disk 1')", "disk 1"},
      {"SUB('abcdef', -2, 2)", "ef"},
      {"SUB('abcdef', 2, 3)", "bcd"},
      {"LEFT('  ab', 4) & '|'", "ab  |"},
      {"RIGHT('ab  ', 4)", "  ab"},
      {"CENTER('abc', 6) & '|'", "  abc |"},
      {"ALL('ab', 5)", "ababa"},
      {"INSTRING('cd', 'abcdef', 1, 1)", "3"},
      {"INSTRING('cd', 'abcdef', 2, 1)", "2"},
      {"INLIST('b', 'a', 'b', 'c')", "2"},
      {"INLIST('z', 'a', 'b')", "0"},
      {"INRANGE(5, 1, 10)", "1"},
      {"INRANGE(11, 1, 10)", "0"},
      {"CHOOSE(2, 'x', 'y', 'z')", "y"},
      {"CHOOSE(9, 'x', 'y', 'z')", "z"},
      {"NUMERIC('12.5')", "1"},
      {"NUMERIC('12a')", "0"},
      {"DATE(1, 1, 1801)", "4"},
      {"YEAR(109211)", "2099"},
      {"MONTH(36527)", "12"},
      {"DAY(36527)", "31"},
      {"FORMAT(1234, @n6)", " 1,234"},
      {"DEFORMAT('1,234', @n6)", "1234"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(evaluate(r.text), r.result) << r.text;
    EXPECT_EQ(Kiv$ERRCODE, 0) << r.text;
  }
  int32_t today = std::stoi(evaluate("TODAY()"));
  EXPECT_GT(today, 80000);
  int32_t r = std::stoi(evaluate("RANDOM(3, 5)"));
  EXPECT_GE(r, 3);
  EXPECT_LE(r, 5);
}

TEST_F(Evaluate, BoundVariablesAreReadAtEachEvaluation) {
  int32_t count = 5;
  char label[8];
  std::memcpy(label, "Fixed   ", 8);
  double ratio = 0.25;
  Ufo* c = Kiv$Mem2Ufo(&count, KIV_LONG, 4, 0, 0);
  Ufo* l = Kiv$Mem2Ufo(label, KIV_STRING, 8, 0, 0);
  Ufo* q = Kiv$Mem2Ufo(&ratio, KIV_REAL, 8, 0, 0);
  bind("GLO:Count", c);
  bind("Label$ and more", l);  // the name ends after "$"
  bind("Ratio", q);
  Kiv$FreeUfo(c);
  Kiv$FreeUfo(l);
  Kiv$FreeUfo(q);

  KivExpr* tree = Kiv$ParseCString("glo:count * 2 + ratio");
  ASSERT_NE(tree, nullptr);
  Kiv$EvaluateParsed(tree);
  EXPECT_EQ(kiv::core::popText(), "10.25");
  count = 7;
  Kiv$EvaluateParsed(tree);
  EXPECT_EQ(kiv::core::popText(), "14.25");
  Kiv$FreeParsed(tree);

  EXPECT_EQ(evaluate("UPPER(LABEL$) = 'FIXED'"), "1");
  EXPECT_EQ(evaluate("Label$[2 : 3]"), "ix");

  // Unbinding makes the name unknown again; unbinding twice is an error.
  kiv::core::pushCopy("Ratio");
  Kiv$UnbindV();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(Kiv$ParseCString("Ratio"), nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 801);
  kiv::core::pushCopy("Ratio");
  Kiv$UnbindV();
  EXPECT_EQ(Kiv$ERRCODE, 801);
  EXPECT_EQ(evaluate("GLO:Count"), "7");  // the other names survive the removal
}

TEST_F(Evaluate, ScopesHideOuterNamesAndBindingsHideBuiltIns) {
  int32_t year = 1997;
  Ufo* y = Kiv$Mem2Ufo(&year, KIV_LONG, 4, 0, 0);
  bind("Outer", y);
  Kiv$PushBind();
  EXPECT_EQ(Kiv$ParseCString("Outer"), nullptr);
  EXPECT_EQ(Kiv$ERRCODE, 801);
  bind("YEAR", y);  // hides the built-in in this scope
  EXPECT_EQ(evaluate("YEAR + 1"), "1998");
  Kiv$PopBind();
  EXPECT_EQ(evaluate("Outer"), "1997");
  EXPECT_EQ(evaluate("YEAR(36527)"), "1900");
  Kiv$FreeUfo(y);
}

TEST(EvaluateDeathTest, PopBindWithoutPushIsARuntimeError) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < 100; ++i) Kiv$PopBind();
      },
      testing::ExitedWithCode(2), "Mismatched PUSHSCOPE/POPSCOPE : Mismatched POPSCOPE");
}

TEST_F(Evaluate, GroupsBindEveryLabelledField) {
  CLASS_DESCRIPTOR d;
  d.SETUP("DISKS");
  d.ADDFIELD(KIV_LONG, 4, "DIS:IDNUM");
  d.ADDFIELD(KIV_STRING, 11, "DIS:LABEL");
  d.ADDFIELD(KIV_STRING, 20, "DIS:CATEGORY");
  const std::vector<uint8_t>& layout = d.ENDDECLARATION();
  struct __attribute__((packed)) {
    int32_t id;
    char label[11];
    char category[20];
  } record;
  record.id = 42;
  std::memcpy(record.label, "BACKUP     ", 11);
  std::memcpy(record.category, "Archive             ", 20);
  Ufo* g = Kiv$Group2Ufo(&record, layout.data());
  Kiv$BindG(g);
  Kiv$FreeUfo(g);
  EXPECT_EQ(evaluate("DIS:IdNum + 1"), "43");
  EXPECT_EQ(evaluate("UPPER(DIS:Category) = 'ARCHIVE' AND DIS:Label = 'BACKUP'"), "1");
  record.id = 7;
  EXPECT_EQ(evaluate("DIS:IDNUM"), "7");
}

TEST_F(Evaluate, PrintingGivesTextThatParsesToTheSameValue) {
  struct Row {
    const char* text;
    const char* printed;
  } rows[] = {
      {"1+2*3", "1 + 2 * 3"},
      {"(1+2)*3", "(1 + 2) * 3"},
      {"10-(2-3)", "10 - (2 - 3)"},
      {"NOT 1=2 AND 'It''s'<>'x'", "NOT 1 = 2 AND 'It''s' <> 'x'"},
      {"SUB('abc',1,2)", "SUB('abc', 1, 2)"},
      {"-(2^2)", "-(2 ^ 2)"},
      {"(1=1 OR 1=2) AND 2=2", "(1 = 1 OR 1 = 2) AND 2 = 2"},
  };
  for (const Row& r : rows) {
    KivExpr* tree = Kiv$ParseCString(r.text);
    ASSERT_NE(tree, nullptr) << r.text;
    KivHeapStr out{};
    Kiv$PrintSQL(tree, &out);
    std::string printed(out.addr ? out.addr : "", out.len);
    Kiv$freestr(&out);
    EXPECT_EQ(printed, r.printed);
    EXPECT_EQ(evaluate(printed), evaluate(r.text)) << printed;
    Kiv$FreeParsed(tree);
  }
}

// Levels: DISKS fields at level 1, FILES fields at level 2, other variables at 0.
int32_t levelOf(void*, Ufo*, const char* name) {
  std::string n(name);
  for (char& c : n) c = char(toupper(static_cast<unsigned char>(c)));
  if (n.rfind("DIS:", 0) == 0) return 1;
  if (n.rfind("FIL:", 0) == 0) return 2;
  return 0;
}

TEST_F(Evaluate, ThreeValuedTruthByLevel) {
  char category[20];
  std::memcpy(category, "Music               ", 20);
  int32_t size = 100;
  Ufo* c = Kiv$Mem2Ufo(category, KIV_STRING, 20, 0, 0);
  Ufo* s = Kiv$Mem2Ufo(&size, KIV_LONG, 4, 0, 0);
  bind("DIS:Category", c);
  bind("FIL:Size", s);
  KivExpr* tree = Kiv$ParseCString("DIS:Category = 'Games' AND FIL:Size > 50");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(Kiv$AnnotateParsed(tree, levelOf, nullptr), 2);  // nothing is known at level 0
  EXPECT_EQ(Kiv$EvalLevel(tree, 1), 1);  // the disk fails: false without reading FILES
  std::memcpy(category, "Games", 5);
  EXPECT_EQ(Kiv$EvalLevel(tree, 1), 2);  // the disk passes: the file decides
  EXPECT_EQ(Kiv$EvalLevel(tree, 2), 0);
  size = 10;
  EXPECT_EQ(Kiv$EvalLevel(tree, 2), 1);
  Kiv$FreeParsed(tree);

  tree = Kiv$ParseCString("NOT DIS:Category = 'Games' OR FIL:Size > 50");
  Kiv$AnnotateParsed(tree, levelOf, nullptr);
  EXPECT_EQ(Kiv$EvalLevel(tree, 1), 2);
  std::memcpy(category, "Books", 5);
  EXPECT_EQ(Kiv$EvalLevel(tree, 1), 0);  // true at level 1 already
  Kiv$FreeParsed(tree);
  EXPECT_EQ(Kiv$AnnotateParsed(nullptr, levelOf, nullptr), 2);
  Kiv$FreeUfo(c);
  Kiv$FreeUfo(s);
}

TEST_F(Evaluate, FindMinGivesTheLowestKnownStart) {
  int32_t disk = 0, low = 7;
  Ufo* d = Kiv$Mem2Ufo(&disk, KIV_LONG, 4, 0, 0);
  Ufo* l = Kiv$Mem2Ufo(&low, KIV_LONG, 4, 0, 0);
  bind("FIL:DiskID", d);
  bind("GLO:Low", l);
  KivExpr* tree =
      Kiv$ParseCString("FIL:DiskID >= GLO:Low + 3 AND FIL:DiskID > 5 OR 9 = FIL:DiskID");
  ASSERT_NE(tree, nullptr);
  Kiv$AnnotateParsed(tree, levelOf, nullptr);
  Ufo* start = Kiv$FindMin(tree, 2, 0, 0, d);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(Kiv$Ufo2Long(start), 5);
  Kiv$FreeUfo(start);
  start = Kiv$FindMin(tree, 2, 1, 0, d);  // descending: only "=" bounds the start
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(Kiv$Ufo2Long(start), 9);
  Kiv$FreeUfo(start);
  Kiv$FreeParsed(tree);
  Kiv$FreeUfo(d);
  Kiv$FreeUfo(l);
}

TEST_F(Evaluate, RandomTextsNeverCrashTheParser) {
  std::mt19937 rng(11);
  const std::string alphabet = "0123456789abcfhoBHO+-*/%^&=<>~,:()[]'@ .eE_?$#\"ANDORNOTSUB";
  for (int i = 0; i < 20000; ++i) {
    std::string text(rng() % 24, ' ');
    for (char& ch : text) ch = alphabet[rng() % alphabet.size()];
    KivExpr* tree = Kiv$ParseCString(text.c_str());
    if (tree) {
      Kiv$EvaluateParsed(tree);
      Kiv$STACKpop();
      KivHeapStr out{};
      Kiv$PrintSQL(tree, &out);
      Kiv$freestr(&out);
      Kiv$FreeParsed(tree);
    }
  }
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

}  // namespace
