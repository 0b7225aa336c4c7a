// The command tail and COMMAND's token and selector rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "include/kvrun32.h"
#include "runtime/env/command_line.h"
#include "runtime/platform/process.h"

namespace {

using Strings = std::vector<std::string>;

std::string command(const std::string& selector) {
  Kiv$PushString(selector.data(), uint32_t(selector.size()));
  Kiv$COMMAND();
  KivHeapStr s{};
  Kiv$PopTemp(&s);
  std::string text(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return text;
}

void setCommand(const std::string& tail) {
  Kiv$PushString(tail.data(), uint32_t(tail.size()));
  Kiv$SETCOMMAND();
}

TEST(CommandTokens, FollowTheTokenRules) {
  struct Row {
    const char* tail;
    Strings tokens;
  } rows[] = {
      {"a,b /x", {"a", "b", "/x"}},
      {"  a   b  ", {"a", "b"}},
      {"/a/b", {"/a", "/b"}},
      {"in=1,out=2", {"in=1", "out=2"}},
      {"a,,b", {"a", ",b"}},  // only one comma is skipped; a token may begin with one
      {"x/y", {"x", "/y"}},
      {"a\tb", {"a", "b"}},
      {"", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(kiv::env::commandTokens(row.tail), row.tokens) << row.tail;
  EXPECT_EQ(kiv::env::commandTokens(std::string(300, 'z')), Strings{std::string(255, 'z')});
}

TEST(Command, PicksTokensSwitchesAndNamedParameters) {
  setCommand("a,b /x   ");
  EXPECT_EQ(command("1"), "a");
  EXPECT_EQ(command("2"), "b");
  EXPECT_EQ(command("/x"), "x");
  EXPECT_EQ(command("/y"), "");
  EXPECT_EQ(command("/X"), "x");  // switches compare without regard to case
  EXPECT_EQ(command("4"), "");
  EXPECT_EQ(command("-1"), "");
  EXPECT_EQ(command(""), "a,b /x");
  EXPECT_EQ(command("   "), "a,b /x");  // the selector loses its trailing blanks

  setCommand("/Debug Name=Disk1 size=10");
  EXPECT_EQ(command("/debug"), "Debug");  // the token's own spelling, without "/"
  EXPECT_EQ(command("name"), "Disk1");
  EXPECT_EQ(command("SIZE"), "10");
  EXPECT_EQ(command("colour"), "");
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST(Command, ZeroGivesTheProgramsFileName) {
  EXPECT_EQ(command("0"), kiv::platform::executablePath());
  char buffer[144];
  Kiv$PROGNAME(buffer);
  EXPECT_EQ(std::string(buffer), kiv::platform::executablePath().substr(0, 143));
}

TEST(CommandLine, TailSkipsTheProgramName) {
  EXPECT_EQ(kiv::env::tailOf("  prog   a b "), "a b ");
  EXPECT_EQ(kiv::env::tailOf("prog"), "");
  EXPECT_EQ(kiv::env::joinCommandLine({"/bin/p", "a b", "c"}), "/bin/p \"a b\" c");
}

TEST(CommandLine, SplitsCommandLinesToStart) {
  struct Row {
    const char* line;
    Strings args;
  } rows[] = {
      {"prog a  b", {"prog", "a", "b"}},
      {"  sh -c \"echo hi > f\" ", {"sh", "-c", "echo hi > f"}},
      {"p \"say \\\"x\\\"\"", {"p", "say \"x\""}},
      {"p a\"b c\"d", {"p", "ab cd"}},
      {"", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(kiv::env::splitCommandLine(row.line), row.args) << row.line;
}

TEST(CommandLine, TailComesFromTheProcessCommandLine) {
  const std::string program = std::string(KIV_TEST_PROGRAMS_DIR) + "/command_echo";
  FILE* out = popen((program + "   a,b  /x name=n1 'two words'").c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::string text;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, out)) text += buffer;
  ASSERT_EQ(pclose(out), 0);
  EXPECT_EQ(text, "[a,b /x name=n1 \"two words\"]\n[a]\n[b]\n[/x]\n[x]\n[]\n[n1]\n");
}

}  // namespace
