// Alternate (8.3) names and the wild cards of directory searches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/platform/short_names.h"
#include "runtime/platform/wildcards.h"

namespace {

using kiv::platform::alternateNames;
using kiv::platform::isValidShortName;
using kiv::platform::matchesMask;

TEST(ShortNames, ValidShortNames) {
  struct Row {
    const char* name;
    bool valid;
  } rows[] = {
      {"README.TXT", true},       {"readme.txt", true}, {"A", true},
      {"ABCDEFGH.ABC", true},     {"X~1.Y", true},      {"$#&!'()-.@^_", true},
      {"ABCDEFGHI.TXT", false},   {"A.ABCD", false},    {"A.B.C", false},
      {"MY FILE.TXT", false},     {".profile", false},  {"NAME.", false},
      {"A+B.TXT", false},         {"A,B", false},       {"A[1]", false},
      {"caf\xc3\xa9.txt", false}, {"", false},          {"A;B", false},
  };
  for (const Row& r : rows) EXPECT_EQ(isValidShortName(r.name), r.valid) << r.name;
}

TEST(ShortNames, AlternateNamesOfSingleEntries) {
  struct Row {
    const char* name;
    const char* alternate;
  } rows[] = {
      {"readme.txt", ""},
      {"Long File Name.text", "LONGFI~1.TEX"},
      {"verylongname.doc", "VERYLO~1.DOC"},
      {"my.long.file.name.txt", "MYLONG~1.TXT"},
      {"a b.c d", "AB~1.CD"},
      {".bashrc", "BASHRC~1"},
      {"..hidden.conf", "HIDDEN~1.CON"},
      {"a+b=c.txt", "A_B_C~1.TXT"},
      {"caf\xc3\xa9.txt", "CAF_~1.TXT"},
      {"archive.tar.gz", "ARCHIV~1.GZ"},
      {"NAME.", "NAME~1"},
      {"...", "_~1"},
      {"x.abcdef", "X~1.ABC"},
  };
  for (const Row& r : rows) {
    std::vector<std::string_view> names{r.name};
    EXPECT_EQ(alternateNames(names)[0], r.alternate) << r.name;
  }
}

TEST(ShortNames, CollisionsTakeTheLowestFreeNumberInNameOrder) {
  // Numbers go by the byte order of the long names; a valid 8.3 name already using a tail
  // keeps it, and the other names step over it.
  std::vector<std::string_view> names{"Program Files 3", "Program Files 1",   "PROGRA~2",
                                      "Program Files 2", "programfiles.text", "progra~9.tex"};
  std::vector<std::string> alt = alternateNames(names);
  EXPECT_EQ(alt[1], "PROGRA~1");  // "Program Files 1"
  EXPECT_EQ(alt[3], "PROGRA~3");  // "Program Files 2": ~2 is the valid name PROGRA~2
  EXPECT_EQ(alt[0], "PROGRA~4");
  EXPECT_EQ(alt[2], "");
  EXPECT_EQ(alt[4], "PROGRA~1.TEX");  // another extension does not collide with PROGRA~1
  EXPECT_EQ(alt[5], "");
}

TEST(ShortNames, TenOrMoreCollisionsShortenTheBasis) {
  std::vector<std::string> owned;
  for (int i = 0; i < 12; ++i)
    owned.push_back("document number " + std::to_string(100 + i) + ".txt");
  std::vector<std::string_view> names(owned.begin(), owned.end());
  std::vector<std::string> alt = alternateNames(names);
  EXPECT_EQ(alt[0], "DOCUME~1.TXT");
  EXPECT_EQ(alt[8], "DOCUME~9.TXT");
  EXPECT_EQ(alt[9], "DOCUM~10.TXT");
  EXPECT_EQ(alt[11], "DOCUM~12.TXT");
}

TEST(Wildcards, Masks) {
  struct Row {
    const char* name;
    const char* mask;
    bool match;
  } rows[] = {
      {"anything", "*.*", true},
      {"a.b.c", "*", true},
      {"README", "*.*", true},
      {"notes.TXT", "*.txt", true},
      {"notes.txt1", "*.txt", false},
      {"a1.c", "a?.c", true},
      {"a.c", "a?.c", false},
      {"README", "readme.*", true},
      {"readme.md", "README.*", true},
      {"abcabd", "*abd", true},
      {"x", "y", false},
      {"exact.name", "EXACT.NAME", true},
  };
  for (const Row& r : rows)
    EXPECT_EQ(matchesMask(r.name, r.mask), r.match) << r.name << " " << r.mask;
}

}  // namespace
