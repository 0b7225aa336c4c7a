// Alternate (8.3) names and the wild cards of directory searches.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
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

// The alternate names worked out the plain way, with strings and sets, from the rules alone:
// the reference the one-pass implementation must agree with.
std::vector<std::string> plainAlternateNames(const std::vector<std::string_view>& names) {
  auto upper = [](std::string t) {
    for (char& c : t)
      if (c >= 'a' && c <= 'z') c = char(c - 32);
    return t;
  };
  auto basis = [&](std::string_view name) {
    std::string mapped;
    for (size_t i = 0; i < name.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(name[i]);
      if (c >= 0x80) {
        while (i + 1 < name.size() && (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) ++i;
        mapped += '_';
      } else if (c == ' ' || c == '.' || isValidShortName(std::string(1, char(c)))) {
        mapped += char(c);
      } else {
        mapped += '_';
      }
    }
    mapped = upper(mapped);
    size_t start = mapped.find_first_not_of(". ");
    std::string rest = start == std::string::npos ? "" : mapped.substr(start);
    auto squeeze = [](std::string t) {
      std::string out;
      for (char c : t)
        if (c != ' ' && c != '.') out += c;
      return out;
    };
    size_t dot = rest.rfind('.');
    std::string base = squeeze(rest.substr(0, dot));
    std::string ext = dot == std::string::npos ? "" : squeeze(rest.substr(dot + 1)).substr(0, 3);
    return std::pair(base.empty() ? std::string("_") : base, ext);
  };
  std::vector<std::string> result(names.size());
  std::set<std::string> taken;
  std::vector<size_t> pending;
  for (size_t i = 0; i < names.size(); ++i) {
    if (isValidShortName(names[i]))
      taken.insert(upper(std::string(names[i])));
    else
      pending.push_back(i);
  }
  std::sort(pending.begin(), pending.end(),
            [&](size_t a, size_t b) { return names[a] < names[b]; });
  for (size_t i : pending) {
    auto [base, ext] = basis(names[i]);
    for (unsigned n = 1;; ++n) {
      std::string tail = "~" + std::to_string(n);
      std::string name = base.substr(0, 8 - tail.size()) + tail + (ext.empty() ? "" : "." + ext);
      if (taken.insert(name).second) {
        result[i] = name;
        break;
      }
    }
  }
  return result;
}

TEST(ShortNames, AgreeWithThePlainRulesOnRandomFolders) {
  std::mt19937 random(20261208);
  const std::vector<std::string> pieces{
      "a",    "B",    "long", "Name", " ",        ".",           "..",
      "~",    "~1",   "~12",  "+",    "[",        "caf\xc3\xa9", "\xe2\x82\xac",
      "x",    "TXT",  "tar",  "gz",   "12345678", "progra",      "PROGRA~2",
      "Docu", "ment", "_",    "-",    "!"};
  for (int folder = 0; folder < 300; ++folder) {
    std::set<std::string> unique;
    const int count = 1 + int(random() % 60);
    while (int(unique.size()) < count) {
      std::string name;
      const int parts = 1 + int(random() % 6);
      for (int p = 0; p < parts; ++p) name += pieces[random() % pieces.size()];
      if (name != "." && name != "..") unique.insert(name);
    }
    std::vector<std::string> owned(unique.begin(), unique.end());
    std::shuffle(owned.begin(), owned.end(), random);
    std::vector<std::string_view> names(owned.begin(), owned.end());
    ASSERT_EQ(alternateNames(names), plainAlternateNames(names)) << "folder " << folder;
  }
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
