// The current directory through drive paths.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform_fixture.h"

namespace {

using kivtest::PinnedDrive;

std::string current() {
  char buffer[512];
  uint32_t n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return n ? std::string(buffer, n) : "<failed>";
}

std::string hostCurrent() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

TEST(CurrentDirectory, EnterAndReadBack) {
  PinnedDrive drive('K');
  drive.tree.dir("Docs/My Files/deep");
  struct Row {
    const char* path;
    const char* drivePath;  // what GetCurrentDirectoryA gives afterwards
    const char* host;       // below the tree's folder
  } rows[] = {
      {"K:\\", "K:\\", ""},
      {"K:\\DOCS\\MY FILES", "K:\\DOCS\\MY FILES", "/Docs/My Files"},
      {"deep", "K:\\DOCS\\MY FILES\\deep", "/Docs/My Files/deep"},
      {"..\\..", "K:\\DOCS", "/Docs"},
      {"k:/docs/./my files/../../..", "K:\\", ""},
      {"\\Docs", "K:\\Docs", "/Docs"},
      {"K:My Files", "K:\\Docs\\My Files", "/Docs/My Files"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    ASSERT_EQ(SetCurrentDirectoryA(r.path), 1);
    EXPECT_EQ(current(), r.drivePath);
    EXPECT_EQ(hostCurrent(), drive.tree.root() + r.host);
  }
}

TEST(CurrentDirectory, FailuresKeepTheDirectory) {
  PinnedDrive drive('K');
  drive.tree.file("plain.txt");
  ASSERT_EQ(SetCurrentDirectoryA("K:\\"), 1);
  const std::string unmapped = kivtest::unmappedRoot();
  struct Row {
    const char* path;
    uint32_t error;
  } rows[] = {{"K:\\missing", 2},
              {"K:\\plain.txt", 3},
              {unmapped.c_str(), 15},
              {"", 3},
              {"\\\\server\\share", 3}};
  for (const Row& r : rows) {
    SetLastError(0);
    EXPECT_EQ(SetCurrentDirectoryA(r.path), 0) << r.path;
    EXPECT_EQ(GetLastError(), r.error) << r.path;
    EXPECT_EQ(current(), "K:\\");
  }
}

TEST(CurrentDirectory, HostFolderEnteredElsewhereMapsToTheClosestDrive) {
  PinnedDrive drive('K');
  drive.tree.dir("a/b");
  ASSERT_EQ(chdir(drive.tree.path("a/b").c_str()), 0);
  EXPECT_EQ(current(), "K:\\a\\b");
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(current(), "C:\\");
}

TEST(CurrentDirectory, BufferSizes) {
  PinnedDrive drive('K');
  drive.tree.dir("abc");
  ASSERT_EQ(SetCurrentDirectoryA("K:\\abc"), 1);
  char buffer[16];
  EXPECT_EQ(GetCurrentDirectoryA(6, buffer), 7u);  // too small: the size needed with the NUL
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), 7u);
  EXPECT_EQ(GetCurrentDirectoryA(7, buffer), 6u);
  EXPECT_STREQ(buffer, "K:\\abc");
}

}  // namespace

namespace {

TEST(CurrentDirectory, NamesDifferingOnlyInCase) {
  kivtest::PinnedDrive drive('K');
  drive.tree.dir("Data");
  drive.tree.dir("data");
  struct Row {
    const char* path;
    const char* host;
  } rows[] = {{"K:\\data", "/data"}, {"K:\\Data", "/Data"}, {"K:\\DATA", "/Data"}};
  for (const Row& r : rows) {
    ASSERT_EQ(SetCurrentDirectoryA(r.path), 1) << r.path;
    EXPECT_EQ(hostCurrent(), drive.tree.root() + r.host) << r.path;
  }
  // A folder made right after its parent was looked up is still found case-blind.
  ASSERT_EQ(SetCurrentDirectoryA("K:\\"), 1);
  ASSERT_EQ(SetCurrentDirectoryA("K:\\DATA\\OLD"), 0);
  drive.tree.dir("Data/Old");
  EXPECT_EQ(SetCurrentDirectoryA("K:\\DATA\\OLD"), 1);
  EXPECT_EQ(hostCurrent(), drive.tree.root() + "/Data/Old");
}

// A folder found case-blind once is found again the same way, but never where it no longer is:
// an exact name made since wins, and a folder renamed to another case is looked up anew.
TEST(CurrentDirectory, FoldersFoundCaseBlindFollowChangesOnDisk) {
  PinnedDrive drive('K');
  drive.tree.dir("Media/Photos");
  const std::string root = drive.tree.root();
  ASSERT_EQ(SetCurrentDirectoryA("K:\\MEDIA\\PHOTOS"), 1);
  EXPECT_EQ(hostCurrent(), root + "/Media/Photos");
  ASSERT_EQ(SetCurrentDirectoryA("K:\\MEDIA\\PHOTOS"), 1);
  EXPECT_EQ(hostCurrent(), root + "/Media/Photos");

  std::filesystem::rename(root + "/Media/Photos", root + "/Media/pHOTOs");
  ASSERT_EQ(SetCurrentDirectoryA("K:\\MEDIA\\PHOTOS"), 1);
  EXPECT_EQ(hostCurrent(), root + "/Media/pHOTOs");

  std::filesystem::rename(root + "/Media", root + "/MEDIA");
  std::filesystem::create_directory(root + "/MEDIA/PHOTOS");
  ASSERT_EQ(SetCurrentDirectoryA("K:\\MEDIA\\PHOTOS"), 1);
  EXPECT_EQ(hostCurrent(), root + "/MEDIA/PHOTOS");

  ASSERT_EQ(SetCurrentDirectoryA("K:\\"), 1);
  std::filesystem::remove_all(root + "/MEDIA");
  EXPECT_EQ(SetCurrentDirectoryA("K:\\MEDIA\\PHOTOS"), 0);
}

}  // namespace
