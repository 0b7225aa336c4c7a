// GETINI and PUTINI through the string stack, and two processes writing one file at once.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <set>
#include <sstream>
#include <string>

#include "include/kvrun32.h"
#include "tests/runtime/env/env_fixture.h"

extern char** environ;

namespace {

// Pushes the arguments so that they pop as section, entry, value, file.
void pushArguments(const std::string& section, const std::string& entry, const std::string& value,
                   const std::string& file) {
  Kiv$PushString(file.data(), uint32_t(file.size()));
  Kiv$PushString(value.data(), uint32_t(value.size()));
  Kiv$PushString(entry.data(), uint32_t(entry.size()));
  Kiv$PushString(section.data(), uint32_t(section.size()));
}

std::string getIni(const std::string& section, const std::string& entry,
                   const std::string& defaultValue, const std::string& file) {
  pushArguments(section, entry, defaultValue, file);
  Kiv$GETINI();
  KivHeapStr s{};
  Kiv$PopTemp(&s);
  std::string text(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return text;
}

void putIni(const std::string& section, const std::string& entry, const std::string& value,
            const std::string& file, bool entryOmitted = false, bool valueOmitted = false) {
  pushArguments(section, entry, value, file);
  Kiv$PUTINI(entryOmitted, valueOmitted);
}

using IniStatements = ScratchFolder;

TEST_F(IniStatements, MissingEntryGivesTheDefaultWithoutTrailingBlanks) {
  const std::string file = path("a.ini");
  EXPECT_EQ(getIni("Sec", "Key", "dflt   ", file), "dflt");
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(IniStatements, WrittenValueReadsBackAndArgumentsLoseTrailingBlanks) {
  const std::string file = path("a.ini");
  putIni("Sec   ", "Key  ", "value  ", file + "   ");
  EXPECT_EQ(readAll(file), "[Sec]\nKey=value\n");
  EXPECT_EQ(getIni("SEC", "key", "", file), "value");
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(IniStatements, LongValueIsStoredAndReadBackCutTo1023) {
  const std::string file = path("a.ini");
  putIni("S", "K", std::string(1500, 'v'), file);
  EXPECT_EQ(getIni("S", "K", "", file), std::string(1023, 'v'));
  writeAll(file, "[S]\nK=" + std::string(2000, 'w') + "\n");
  EXPECT_EQ(getIni("S", "K", "", file), std::string(1023, 'w'));
}

TEST_F(IniStatements, NamesAreCutToTheirBuffers) {
  const std::string file = path("a.ini");
  putIni(std::string(100, 's'), std::string(80, 'k'), "v", file);
  EXPECT_EQ(readAll(file), "[" + std::string(63, 's') + "]\n" + std::string(63, 'k') + "=v\n");
}

TEST_F(IniStatements, OmittedValueRemovesTheEntryAndOmittedEntryTheSection) {
  const std::string file = path("a.ini");
  putIni("A", "K1", "1", file);
  putIni("A", "K2", "2", file);
  putIni("B", "K3", "3", file);
  putIni("a", "k1", "", file, false, true);
  EXPECT_EQ(getIni("A", "K1", "gone", file), "gone");
  EXPECT_EQ(getIni("A", "K2", "", file), "2");
  putIni("a", "", "", file, true, true);
  EXPECT_EQ(getIni("A", "K2", "gone", file), "gone");
  EXPECT_EQ(readAll(file), "[B]\nK3=3\n");
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(IniStatements, EmptyFileNameUsesTheMainSettingsFile) {
  putIni("Main", "K", "v", "   ");
  EXPECT_EQ(readAll(windowsDir() + "/WIN.INI"), "[Main]\nK=v\n");
  EXPECT_EQ(getIni("main", "k", "", ""), "v");
}

TEST_F(IniStatements, NameWithoutDirectoryIsPlacedInTheWindowsDirectory) {
  ASSERT_EQ(chdir(root_.c_str()), 0);
  putIni("Frame", "Width", "640", "TARROW.INI");
  EXPECT_TRUE(std::filesystem::exists(windowsDir() + "/TARROW.INI"));
  EXPECT_FALSE(std::filesystem::exists(path("TARROW.INI")));
  EXPECT_EQ(getIni("Frame", "Width", "0", "TARROW.INI"), "640");
}

TEST_F(IniStatements, NeitherStatementChangesTheErrorCode) {
  Kiv$seterror(30);
  putIni("S", "K", "v", path("missing/a.ini"));  // cannot be written: silent
  EXPECT_EQ(getIni("S", "K", "d", path("missing/a.ini")), "d");
  EXPECT_EQ(Kiv$ERRCODE, 30);
  Kiv$clearerror();
}

TEST_F(IniStatements, EveryGetReadsTheFileAgain) {
  const std::string file = path("a.ini");
  putIni("S", "K", "1", file);
  EXPECT_EQ(getIni("S", "K", "", file), "1");
  writeAll(file, "[S]\nK=2\n");
  EXPECT_EQ(getIni("S", "K", "", file), "2");
}

// Starts the writer program; gives its process id.
pid_t startWriter(const std::string& file, const std::string& prefix, int count) {
  const std::string program = std::string(KIV_TEST_PROGRAMS_DIR) + "/ini_writer";
  const std::string n = std::to_string(count);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(file.c_str()),
                  const_cast<char*>(prefix.c_str()), const_cast<char*>(n.c_str()), nullptr};
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  return pid;
}

// True when every line is blank, a section header or a key=value entry.
bool everyLineParses(const std::string& text, std::string* bad) {
  auto parses = [](const std::string& line) {
    if (line.empty()) return true;
    if (line.front() == '[') return line.back() == ']' && line.find(']') == line.size() - 1;
    return line.front() != ';' && line.find('=') != std::string::npos && line.front() != '=';
  };
  if (!text.empty() && text.back() != '\n') {
    *bad = "(no final line end)";
    return false;
  }
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!parses(line)) {
      *bad = line;
      return false;
    }
  return true;
}

TEST_F(IniStatements, TwoProcessesWritingOneFileNeverLoseAKey) {
  constexpr int kCount = 1000;
  const std::string file = path("shared.ini");
  pid_t first = startWriter(file, "alpha", kCount);
  pid_t second = startWriter(file, "beta", kCount);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);

  // Meanwhile every read sees a whole file.
  int status = 0, reads = 0;
  pid_t done;
  while ((done = waitpid(first, &status, WNOHANG)) == 0) {
    std::string text = readAll(file), bad;
    ASSERT_TRUE(everyLineParses(text, &bad)) << "read " << reads << ": " << bad;
    ++reads;
  }
  ASSERT_EQ(done, first);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(waitpid(second, &status, 0), second);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::string text = readAll(file);
  std::string bad;
  ASSERT_TRUE(everyLineParses(text, &bad)) << bad;
  std::istringstream in(text);
  std::set<std::string> lines;
  int total = 0;
  for (std::string line; std::getline(in, line); ++total) lines.insert(line);
  EXPECT_EQ(total, 2 * kCount + 1);
  for (int n = 0; n < kCount; ++n) {
    EXPECT_TRUE(lines.count("alpha" + std::to_string(n) + "=" + std::to_string(n))) << n;
    EXPECT_TRUE(lines.count("beta" + std::to_string(n) + "=" + std::to_string(n))) << n;
  }
}

}  // namespace
