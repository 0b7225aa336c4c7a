// The documented behaviours of the platform's profile functions, one row each. Rows marked
// "(ours)" pin down choices the documentation leaves open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <optional>
#include <string>

#include "runtime/core/error_state.h"
#include "runtime/env/ini_file.h"
#include "runtime/env/profile.h"
#include "tests/runtime/env/env_fixture.h"

namespace {

using kiv::env::getPrivateProfileString;
using kiv::env::writePrivateProfileString;

constexpr const char* kNone = nullptr;

struct ReadRow {
  const char* behaviour;
  const char* fileText;  // null: no file
  const char* section;   // null: list the sections
  const char* key;       // null: list the keys
  const char* defaultValue;
  uint32_t size;
  std::string expected;  // buffer contents up to the count (NULs included for lists)
  uint32_t count;
};

const ReadRow kReads[] = {
    {"sections in brackets hold key=value lines", "[a]\nk=v\n", "a", "k", "d", 64, "v", 1},
    {"section names compare without regard to case", "[Sect]\nk=v\n", "sECT", "k", "d", 64, "v", 1},
    {"key names compare without regard to case", "[a]\nKey=v\n", "a", "kEY", "d", 64, "v", 1},
    {"blanks around names and values do not count", "  [ a b ]  \n\t k j \t=  v w  \n", " a b",
     "k j ", "d", 64, "v w", 3},
    {"a missing section gives the default", "[a]\nk=v\n", "b", "k", "dflt", 64, "dflt", 4},
    {"a missing entry gives the default", "[a]\nk=v\n", "a", "j", "dflt", 64, "dflt", 4},
    {"a missing file gives the default", kNone, "a", "k", "dflt", 64, "dflt", 4},
    {"a null default is an empty string", "[a]\n", "a", "k", kNone, 64, "", 0},
    {"the default loses its trailing blanks", kNone, "a", "k", "dflt   ", 64, "dflt", 4},
    {"an empty value is a value, not the default", "[a]\nk=\n", "a", "k", "d", 64, "", 0},
    {"a value in double quotes loses them", "[a]\nk=\" v \"\n", "a", "k", "d", 64, " v ", 3},
    {"a value in single quotes loses them", "[a]\nk='v'\n", "a", "k", "d", 64, "v", 1},
    {"a value is cut to the buffer, the count is size - 1", "[a]\nk=abcdef\n", "a", "k", "d", 4,
     "abc", 3},
    {"the default is cut to the buffer as well", kNone, "a", "k", "abcdef", 3, "ab", 2},
    {"the value may hold =", "[a]\nk=x=y\n", "a", "k", "d", 64, "x=y", 3},
    {"an entry of another section is not found", "[a]\nk=1\n[b]\nj=2\n", "a", "j", "d", 64, "d", 1},
    {"a null section lists the section names", "[a]\nk=1\n[B]\n", kNone, kNone, "d", 64,
     std::string("a\0B\0", 4), 4},
    {"a null key lists the section's key names", "[a]\nk=1\nJ=2\n[b]\nx=3\n", "a", kNone, "d", 64,
     std::string("k\0J\0", 4), 4},
    {"a list cut to the buffer gives size - 2", "[abc]\n[def]\n", kNone, kNone, "d", 7,
     std::string("abc\0d", 5), 5},
    {"the keys of a missing section are an empty list", "[a]\n", "b", kNone, "d", 64, "", 0},
    {"(ours) lines beginning with ; are comments", "[a]\n;k=1\n", "a", ";k", "d", 64, "d", 1},
    {"(ours) the first of two equal entries wins", "[a]\nk=1\nK=2\n", "a", "k", "d", 64, "1", 1},
    {"(ours) the first of two equal sections wins", "[a]\nk=1\n[A]\nk=2\n", "a", "k", "d", 64, "1",
     1},
    {"(ours) entries before any section belong to none", "k=1\n[a]\n", "", "k", "d", 64, "d", 1},
    {"(ours) lines may end in CR LF", "[a]\r\nk=v\r\n", "a", "k", "d", 64, "v", 1},
};

void PrintTo(const ReadRow& row, std::ostream* os) { *os << row.behaviour; }

class ProfileRead : public ScratchFolder, public ::testing::WithParamInterface<ReadRow> {};

TEST_P(ProfileRead, GivesTheDocumentedResult) {
  const ReadRow& row = GetParam();
  const std::string file = path("test.ini");
  if (row.fileText) writeAll(file, row.fileText);
  char buffer[128];
  std::memset(buffer, 'X', sizeof buffer);
  uint32_t count = getPrivateProfileString(row.section, row.key, row.defaultValue, buffer, row.size,
                                           file.c_str());
  EXPECT_EQ(count, row.count);
  EXPECT_EQ(std::string(buffer, row.expected.size()), row.expected);
  EXPECT_EQ(buffer[row.expected.size()], '\0');
  const bool listEndsInName = row.expected.empty() || row.expected.back() != '\0';
  if ((!row.section || !row.key) && listEndsInName) {
    EXPECT_EQ(buffer[row.expected.size() + 1], '\0') << "list end";
  }
}

INSTANTIATE_TEST_SUITE_P(Documented, ProfileRead, ::testing::ValuesIn(kReads),
                         [](const auto& info) { return "row" + std::to_string(info.index); });

struct WriteRow {
  const char* behaviour;
  const char* before;  // null: no file
  const char* section;
  const char* key;    // null: remove the section
  const char* value;  // null: remove the entry
  bool succeeds;
  const char* after;  // null: still no file
};

const WriteRow kWrites[] = {
    {"a missing file is created", kNone, "a", "k", "v", true, "[a]\nk=v\n"},
    {"a missing section is created", "[x]\ny=1\n", "a", "k", "v", true, "[x]\ny=1\n\n[a]\nk=v\n"},
    {"a missing key is created in its section", "[a]\nj=1\n\n[b]\nm=2\n", "A", "k", "v", true,
     "[a]\nj=1\nk=v\n\n[b]\nm=2\n"},
    {"an existing value is replaced, found without regard to case", "[Sec]\nKey=1\n", "sec", "KEY",
     "2", true, "[Sec]\nKey=2\n"},
    {"a null key removes the section with all its entries", "[a]\nk=1\n;c\n[b]\nj=2\n", "A", kNone,
     kNone, true, "[b]\nj=2\n"},
    {"a null value removes the entry", "[a]\nk=1\nj=2\n", "a", "K", kNone, true, "[a]\nj=2\n"},
    {"(ours) other lines keep their text", "; top\n[a]\n  k = 1 \n\n[b]\nx=y\n", "b", "x", "z",
     true, "; top\n[a]\n  k = 1 \n\n[b]\nx=z\n"},
    {"(ours) names and value are written without surrounding blanks", kNone, " a ", " k ", " v ",
     true, "[a]\nk=v\n"},
    {"(ours) removing from a missing file creates nothing", kNone, "a", "k", kNone, true, kNone},
    {"(ours) a key holding = is refused", "[a]\n", "a", "k=j", "v", false, "[a]\n"},
    {"(ours) a value holding a line break is refused", "[a]\n", "a", "k", "v\n[b]", false, "[a]\n"},
    {"(ours) a section name holding ] is refused", kNone, "a]b", "k", "v", false, kNone},
};

void PrintTo(const WriteRow& row, std::ostream* os) { *os << row.behaviour; }

class ProfileWrite : public ScratchFolder, public ::testing::WithParamInterface<WriteRow> {};

TEST_P(ProfileWrite, ChangesTheFileAsDocumented) {
  const WriteRow& row = GetParam();
  const std::string file = path("test.ini");
  if (row.before) writeAll(file, row.before);
  EXPECT_EQ(writePrivateProfileString(row.section, row.key, row.value, file.c_str()), row.succeeds);
  if (row.after)
    EXPECT_EQ(readAll(file), row.after);
  else
    EXPECT_FALSE(std::filesystem::exists(file));
}

INSTANTIATE_TEST_SUITE_P(Documented, ProfileWrite, ::testing::ValuesIn(kWrites),
                         [](const auto& info) { return "row" + std::to_string(info.index); });

using ProfileFiles = ScratchFolder;

TEST_F(ProfileFiles, NameWithoutDirectoryLiesInTheWindowsDirectory) {
  ASSERT_EQ(chdir(root_.c_str()), 0);
  ASSERT_TRUE(writePrivateProfileString("a", "k", "v", "APP.INI"));
  EXPECT_EQ(readAll(windowsDir() + "/APP.INI"), "[a]\nk=v\n");
  EXPECT_FALSE(std::filesystem::exists(path("APP.INI")));
  char buffer[16];
  EXPECT_EQ(getPrivateProfileString("a", "k", "", buffer, sizeof buffer, "APP.INI"), 1u);
  EXPECT_STREQ(buffer, "v");
}

TEST_F(ProfileFiles, ProfileFormsUseWinIni) {
  ASSERT_TRUE(kiv::env::writeProfileString("Desktop", "Wall", "blue"));
  EXPECT_EQ(readAll(windowsDir() + "/WIN.INI"), "[Desktop]\nWall=blue\n");
  char buffer[16];
  kiv::env::getProfileString("desktop", "wall", "", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "blue");
}

TEST_F(ProfileFiles, WriteIntoMissingFolderFailsAndCreatesNothing) {
  const std::string file = path("no/such/folder.ini");
  kiv::core::setPlatformError(0);
  EXPECT_FALSE(writePrivateProfileString("a", "k", "v", file.c_str()));
  EXPECT_NE(kiv::core::platformError(), 0u);
  EXPECT_FALSE(std::filesystem::exists(path("no")));
}

TEST_F(ProfileFiles, ReplacingLeavesNoTemporaryFilesAndKeepsTheMode) {
  const std::string file = path("test.ini");
  writeAll(file, "[a]\n");
  std::filesystem::permissions(file, std::filesystem::perms(0640));
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(writePrivateProfileString("a", "k", std::to_string(i).c_str(), file.c_str()));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(root_))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".test.ini.lock", "test.ini"}));
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
}

TEST_F(ProfileFiles, WritingThroughALinkReplacesTheLinkedFile) {
  const std::string real = path("real.ini"), link = path("link.ini");
  writeAll(real, "[a]\nk=1\n");
  std::filesystem::create_symlink(real, link);
  ASSERT_TRUE(writePrivateProfileString("a", "k", "2", link.c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readAll(real), "[a]\nk=2\n");
}

TEST(IniDocument, RoundTripsTextItDoesNotChange) {
  const std::string text = "; c\n\n[a]\n k = v \nnot an entry\n[b]\n";
  EXPECT_EQ(kiv::env::IniDocument::parse(text).text(), text);
}

}  // namespace
