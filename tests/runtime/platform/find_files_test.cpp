// Directory searches over temporary trees mapped to a drive letter.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform_fixture.h"

namespace {

using kivtest::PinnedDrive;

std::map<std::string, KivFindData> listing(const std::string& pattern) {
  std::map<std::string, KivFindData> entries;
  KivFindData d{};
  KivFindHandle h = FindFirstFileA(pattern.c_str(), &d);
  if (h == KIV_INVALID_HANDLE) return entries;
  do entries[d.name] = d;
  while (FindNextFileA(h, &d));
  EXPECT_EQ(GetLastError(), 18u);
  EXPECT_EQ(FindClose(h), 1);
  return entries;
}

std::vector<std::string> namesInOrder(const std::string& pattern) {
  std::vector<std::string> names;
  KivFindData d{};
  KivFindHandle h = FindFirstFileA(pattern.c_str(), &d);
  if (h == KIV_INVALID_HANDLE) return names;
  do names.push_back(d.name);
  while (FindNextFileA(h, &d));
  FindClose(h);
  return names;
}

std::string upper(std::string s) {
  for (char& c : s) c = char(toupper(static_cast<unsigned char>(c)));
  return s;
}

class FindFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& t = drive.tree;
    t.file("readme.txt", 10);
    t.file("Long File Name.text", 3);
    t.file("Long File Name 2.text");
    t.file("caf\xc3\xa9.txt");
    t.file(".hidden");
    t.file(".git/config");
    t.file("docs/Annual Report 2023.pdf", 7);
    t.file("docs/Annual Report 2024.pdf");
    t.file("docs/sub/deep.txt");
    t.file("readonly.txt");
    chmod(t.path("readonly.txt").c_str(), 0444);
    t.link("docs/back", "..");       // a loop back to the root
    t.link("self", "self");          // a link that cannot be resolved
    t.link("tofile", "readme.txt");  // a link to a regular file
    t.link("dangling", "nowhere");
    ASSERT_EQ(mkfifo(t.path("pipe").c_str(), 0644), 0);
  }
  PinnedDrive drive{'T'};
};

TEST_F(FindFiles, RootEntriesWithAttributesSizesAndAlternateNames) {
  auto e = listing(drive.at("*.*"));
  std::set<std::string> names;
  for (auto& [n, d] : e) names.insert(n);
  EXPECT_EQ(names, (std::set<std::string>{"readme.txt", "Long File Name.text",
                                          "Long File Name 2.text", "caf\xc3\xa9.txt", ".hidden",
                                          ".git", "docs", "readonly.txt", "self", "tofile",
                                          "dangling", "pipe"}));  // no "." or ".." at a root
  struct Row {
    const char* name;
    uint32_t attributes;
    const char* alternate;
    uint32_t size;
  } rows[] = {
      {"readme.txt", KIV_ATTR_ARCHIVE, "", 10},
      {"Long File Name 2.text", KIV_ATTR_ARCHIVE, "LONGFI~1.TEX", 0},
      {"Long File Name.text", KIV_ATTR_ARCHIVE, "LONGFI~2.TEX", 3},
      {"caf\xc3\xa9.txt", KIV_ATTR_ARCHIVE, "CAF_~1.TXT", 0},
      {".hidden", KIV_ATTR_HIDDEN | KIV_ATTR_ARCHIVE, "HIDDEN~1", 0},
      {".git", KIV_ATTR_HIDDEN | KIV_ATTR_DIRECTORY, "GIT~1", 0},
      {"docs", KIV_ATTR_DIRECTORY, "", 0},
      {"readonly.txt", KIV_ATTR_READONLY | KIV_ATTR_ARCHIVE, "", 0},
      {"tofile", KIV_ATTR_ARCHIVE | KIV_ATTR_REPARSE, "", 10},
      {"self", KIV_ATTR_REPARSE, "", 4},
      {"dangling", KIV_ATTR_REPARSE, "", 7},
      {"pipe", KIV_ATTR_SYSTEM, "", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const KivFindData& d = e[r.name];
    EXPECT_EQ(d.attributes, r.attributes);
    EXPECT_STREQ(d.alternateName, r.alternate);
    EXPECT_EQ(d.sizeLow, r.size);
    EXPECT_EQ(d.sizeHigh, 0u);
  }
}

TEST_F(FindFiles, TimesAreFileTimesOfTheEntries) {
  auto e = listing(drive.at("readme.txt"));
  ASSERT_EQ(e.size(), 1u);
  const KivFindData& d = e["readme.txt"];
  struct stat st {};
  ASSERT_EQ(stat(drive.tree.path("readme.txt").c_str(), &st), 0);
  auto ft = [](const timespec& t) {
    return uint64_t(t.tv_sec + 11'644'473'600ll) * 10'000'000ull + uint64_t(t.tv_nsec) / 100;
  };
  EXPECT_EQ(d.writeTime, ft(st.st_mtim));
  EXPECT_EQ(d.accessTime, ft(st.st_atim));
  // Birth times where the file system keeps them: never later than the last write.
  if (d.creationTime != 0) {
    EXPECT_LE(d.creationTime, d.writeTime + 10'000'000);
  }
  uint64_t now = ft(timespec{time(nullptr), 0});
  EXPECT_LT(std::llabs(int64_t(now - d.writeTime)), 3600ll * 10'000'000);
}

TEST_F(FindFiles, SubfolderListsDotEntriesFirstAndFindsNamesCaseBlind) {
  std::vector<std::string> names = namesInOrder(drive.at("DOCS\\*.*"));
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], ".");
  EXPECT_EQ(names[1], "..");
  std::set<std::string> rest(names.begin() + 2, names.end());
  EXPECT_EQ(rest, (std::set<std::string>{"Annual Report 2023.pdf", "Annual Report 2024.pdf", "sub",
                                         "back"}));
  auto e = listing(drive.at("docs\\*.*"));
  EXPECT_EQ(e["."].attributes, uint32_t(KIV_ATTR_DIRECTORY));
  EXPECT_EQ(e["back"].attributes, uint32_t(KIV_ATTR_REPARSE));  // never a directory
  EXPECT_STREQ(e["Annual Report 2023.pdf"].alternateName, "ANNUAL~1.PDF");
  EXPECT_STREQ(e["Annual Report 2024.pdf"].alternateName, "ANNUAL~2.PDF");
  EXPECT_EQ(listing(drive.at("Docs/Sub/*.*")).count("deep.txt"), 1u);
}

TEST_F(FindFiles, MasksAndFailures) {
  struct Row {
    std::string pattern;
    size_t count;    // entries found
    uint32_t error;  // platform error when none
  } rows[] = {
      {drive.at("*.TXT"), 3, 0},  // readme, readonly, café
      {drive.at("README.TXT"), 1, 0},
      {drive.at("docs\\*.pdf"), 2, 0},
      {drive.at("*.none"), 0, 2},
      {drive.at("missing\\*.*"), 0, 3},
      {drive.at("readme.txt\\*.*"), 0, 3},
      {drive.at("docs\\"), 0, 2},
      {kivtest::unmappedRoot() + "*.*", 0, 15},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.pattern);
    SetLastError(0);
    KivFindData d{};
    KivFindHandle h = FindFirstFileA(r.pattern.c_str(), &d);
    if (r.count == 0) {
      EXPECT_EQ(h, KIV_INVALID_HANDLE);
      EXPECT_EQ(GetLastError(), r.error);
    } else {
      ASSERT_NE(h, KIV_INVALID_HANDLE);
      FindClose(h);
      EXPECT_EQ(listing(r.pattern).size(), r.count);
    }
  }
  KivFindData d{};
  EXPECT_EQ(FindNextFileA(KIV_INVALID_HANDLE, &d), 0);
  EXPECT_EQ(GetLastError(), 6u);
  EXPECT_EQ(FindClose(&d), 0);
  EXPECT_EQ(GetLastError(), 6u);
}

// Entries are examined a little ahead of the reader, so one removed meanwhile may still be
// handed out with what it was; either way each comes once, and nothing made later joins in.
TEST_F(FindFiles, EntriesChangedDuringASearchComeOnceAtMost) {
  drive.tree.file("gone/a.txt");
  drive.tree.file("gone/b.txt");
  drive.tree.file("gone/c.txt");
  KivFindData d{};
  KivFindHandle h = FindFirstFileA(drive.at("gone\\*.txt").c_str(), &d);
  ASSERT_NE(h, KIV_INVALID_HANDLE);
  std::multiset<std::string> seen{d.name};
  for (const char* n : {"a.txt", "b.txt", "c.txt"})
    if (*seen.begin() != n) unlink(drive.tree.path(std::string("gone/") + n).c_str());
  drive.tree.file("gone/d.txt");  // made after the search began: not part of it
  while (FindNextFileA(h, &d)) seen.insert(d.name);
  EXPECT_EQ(GetLastError(), 18u);
  EXPECT_EQ(FindClose(h), 1);
  EXPECT_EQ(seen.count("d.txt"), 0u);
  for (const std::string& n : seen) {
    EXPECT_EQ(seen.count(n), 1u) << n;
    EXPECT_TRUE(n == "a.txt" || n == "b.txt" || n == "c.txt") << n;
  }
}

TEST_F(FindFiles, RelativePatternsUseTheCurrentDirectory) {
  ASSERT_EQ(SetCurrentDirectoryA(drive.at("docs").c_str()), 1);
  EXPECT_EQ(listing("sub\\*.*").count("deep.txt"), 1u);
  EXPECT_EQ(listing("*.pdf").size(), 2u);
  EXPECT_EQ(listing("..\\*.txt").size(), 3u);
  EXPECT_EQ(listing("\\docs\\sub\\deep.txt").size(), 1u);
  EXPECT_EQ(listing("T:sub\\*.*").count("deep.txt"), 1u);
}

// The disk-logging walk: breadth first, upper-case paths, dot names left out, entering each
// folder before searching it.
std::vector<std::string> logWalk(const std::string& root, std::vector<int>* depths) {
  std::vector<std::string> folders, files;
  std::vector<int> folderDepth;
  for (size_t index = 0;; ++index) {
    int depth = 0;
    if (index != 0) {
      if (index > folders.size()) break;
      if (!SetCurrentDirectoryA(folders[index - 1].c_str())) break;
      depth = folderDepth[index - 1];
    } else if (!SetCurrentDirectoryA(root.c_str())) {
      break;
    }
    char current[300];
    GetCurrentDirectoryA(sizeof current, current);
    std::string prefix = std::string(current) + (index ? "\\" : "");
    KivFindData d{};
    KivFindHandle h = FindFirstFileA((prefix + "*.*").c_str(), &d);
    if (h == KIV_INVALID_HANDLE) continue;
    do {
      if (d.name[0] == '.') continue;
      if (d.attributes & KIV_ATTR_DIRECTORY) {
        folders.push_back(upper(prefix + d.name));
        folderDepth.push_back(depth + 1);
      } else {
        files.push_back(upper(prefix + d.name));
        depths->push_back(depth);
      }
    } while (FindNextFileA(h, &d));
    FindClose(h);
  }
  return files;
}

TEST_F(FindFiles, BreadthFirstWalkWithUpperCasePathsEndsDespiteTheLinkLoop) {
  drive.tree.file("docs/sub/deeper/deepest/bottom.bin", 1);
  std::vector<int> depths;
  std::vector<std::string> files = logWalk(drive.at(), &depths);
  EXPECT_TRUE(std::is_sorted(depths.begin(), depths.end()));  // level by level
  std::set<std::string> got(files.begin(), files.end());
  EXPECT_EQ(got, (std::set<std::string>{
                     "T:\\README.TXT", "T:\\LONG FILE NAME.TEXT", "T:\\LONG FILE NAME 2.TEXT",
                     "T:\\CAF\xc3\xa9.TXT", "T:\\READONLY.TXT", "T:\\SELF", "T:\\TOFILE",
                     "T:\\DANGLING", "T:\\PIPE", "T:\\DOCS\\ANNUAL REPORT 2023.PDF",
                     "T:\\DOCS\\ANNUAL REPORT 2024.PDF", "T:\\DOCS\\BACK",
                     "T:\\DOCS\\SUB\\DEEP.TXT", "T:\\DOCS\\SUB\\DEEPER\\DEEPEST\\BOTTOM.BIN"}));
  EXPECT_EQ(files.size(), got.size());
}

TEST(FindFilesVolumes, MountPointsInsideAFolderAreLeftOut) {
  struct stat dev {
  }, shm{};
  if (stat("/dev", &dev) != 0 || stat("/dev/shm", &shm) != 0 || dev.st_dev == shm.st_dev)
    GTEST_SKIP() << "/dev/shm is not a mount of its own here";
  PinnedDrive drive('M', {"/dev", {}, {}});
  auto e = listing(drive.at("*.*"));
  EXPECT_EQ(e.count("shm"), 0u);
  ASSERT_EQ(e.count("null"), 1u);
  EXPECT_EQ(e["null"].attributes & KIV_ATTR_SYSTEM, uint32_t(KIV_ATTR_SYSTEM));
}

// Permission checks need a user the permissions apply to: as root the test drops to "nobody"
// in a child process.
TEST(FindFilesPermissions, UnreadableFoldersFailWithAccessDenied) {
  PinnedDrive drive('U');
  drive.tree.file("locked/inside.txt");
  drive.tree.file("listonly/inside.txt");
  drive.tree.file("enteronly/inside.txt");
  chmod(drive.tree.path("locked").c_str(), 0000);
  chmod(drive.tree.path("listonly").c_str(), 0444);   // names readable, entries not examinable
  chmod(drive.tree.path("enteronly").c_str(), 0111);  // may be entered, not listed
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
        KivFindData d{};
        int failures = 0;
        for (const char* p : {"U:\\LOCKED\\*.*", "U:\\listonly\\*.*", "U:\\enteronly\\*.*"}) {
          SetLastError(0);
          if (FindFirstFileA(p, &d) != KIV_INVALID_HANDLE || GetLastError() != 5) failures++;
        }
        if (SetCurrentDirectoryA("U:\\LOCKED") || GetLastError() != 5) failures++;
        if (!SetCurrentDirectoryA("U:\\enteronly")) failures++;
        if (FindFirstFileA("U:\\*.*", &d) == KIV_INVALID_HANDLE) failures++;
        _exit(failures);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
