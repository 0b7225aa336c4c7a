// Logging a drive into the file list, and saving it to the catalog as a new or refreshed disk.
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/logging/add_to_catalog.h"
#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/volume.h"
#include "app/logging/walk.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "runtime/platform/drive_map.h"
#include "tests/app/app_test_support.h"
#include "tests/support/file_access.h"

namespace fs = std::filesystem;

namespace {

using apptest::Boxes;
using apptest::freeLetter;
using apptest::localTime;
using apptest::setFileComment;
using apptest::setModified;
using apptest::StoredFile;
using apptest::storedFiles;
using apptest::writeFile;

// The windows of the adding procedure, recorded; the disk picker chooses by script.
class TestWindows : public AddingWindows {
 public:
  bool selectDisk() override {
    ++pickerCalls;
    if (pick == 0) return false;
    Disks.rec.IdNum = pick;
    Disks.get(Disks.ByIdNum);
    return kiv::errorCode() == 0;
  }
  void openProgress(Progress w, std::string_view caption) override {
    events.push_back("open " + std::to_string(w) + " " + std::string(caption));
    ++open;
  }
  void closeProgress(Progress w) override {
    events.push_back("close " + std::to_string(w));
    --open;
  }
  void setCaption(std::string_view c) override { events.push_back("caption " + std::string(c)); }
  void setProgress(int32_t, std::string_view text) override { lastPercent = std::string(text); }
  void setPath(std::string_view) override {}
  void busyCursor(bool) override {}
  void stop(std::string_view text) override { stops.push_back(std::string(text)); }

  int32_t pick = 0, pickerCalls = 0, open = 0;
  std::vector<std::string> events, stops;
  std::string lastPercent;
};

// A file found in the catalog, by full path.
class Logging : public ::testing::Test {
 protected:
  void SetUp() override {
    letter = freeLetter();
    ASSERT_NE(letter, 0);
    char templ[] = "/tmp/kivtree-XXXXXX";
    tree = mkdtemp(templ);
    root = std::string(1, letter) + ":\\";
    // The tree: files at three levels, names without an 8.3 form, dot-named entries.
    writeFile(tree / "readme.txt", 10);
    writeFile(tree / "Long File Name.text", 2000);
    writeFile(tree / "noext", 5);
    writeFile(tree / ".hidden", 1);
    writeFile(tree / ".dotdir" / "inside.txt", 1);
    writeFile(tree / "Sub" / "a.dat", 300);
    writeFile(tree / "Sub" / "Deeper" / "b.c", 40);
    writeFile(tree / "Other" / "c.txt", 40);
    setModified(tree / "readme.txt", localTime(2001, 2, 3, 4, 5, 6), 789000000);
    chmod((tree / "readme.txt").c_str(), 0444);
    kiv::platform::pinDrive(letter, {tree.string(), std::string("TESTVOL"), 0x1234ABCDu});
    ResetLoggedDisk();
    Logged.Note = "";
    Logged.Category = "";
  }
  void TearDown() override {
    kiv::platform::unpinDrive(letter);
    chmod((tree / "readme.txt").c_str(), 0644);
    std::error_code ec;
    fs::remove_all(tree, ec);
  }
  std::string entry() {
    return root + " [" + std::string(DriveTypeName(DriveTypeNumber(root))) + "]";
  }

  void logAndSave(TestWindows& w, bool expectQuestion = false) {
    ASSERT_TRUE(LogDrive(entry()));
    size_t before = boxes.shown.size();
    AddToCatalog(w);
    EXPECT_EQ(boxes.shown.size() > before, expectQuestion);
    EXPECT_EQ(w.open, 0);  // every progress window closed again
  }

  std::vector<int32_t> diskIds() {
    std::vector<int32_t> ids;
    CatalogUse use(Disks, DisksUseCount);
    Disks.set(Disks.ByIdNum);
    for (Disks.next(); kiv::errorCode() == 0; Disks.next()) ids.push_back(Disks.rec.IdNum);
    Kiv$clearerror();
    return ids;
  }
  // Reads disk `id` into Disks.rec (on a closed table afterwards).
  void readDisk(int32_t id) {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.IdNum = id;
    Disks.get(Disks.ByIdNum);
    ASSERT_EQ(kiv::errorCode(), 0) << id;
  }

  kivtest::TempDir dir;  // the catalog's current directory
  Boxes boxes;
  char letter = 0;
  fs::path tree;
  std::string root;
};

TEST(LoggingParts, SerialTextFilledFromTheRight) {
  struct Row {
    uint32_t serial;
    const char* text;
  } rows[] = {{0, "0000-0000"},          {0x1234ABCD, "1234-ABCD"}, {0xABC, "0000-0ABC"},
              {0x80000000, "8000-0000"}, {0xFFFFFFFF, "FFFF-FFFF"}, {0x10000, "0001-0000"}};
  for (const Row& r : rows) EXPECT_EQ(SerialText(r.serial), r.text) << r.serial;
}

TEST(LoggingParts, DriveTypesNamesAndLetters) {
  struct Row {
    int32_t number;
    const char *name, *icon;
    char letter;
  } rows[] = {{1, "UNKNOWN", "~unknown.ico", 'U'},
              {2, "BAD PATH", "~badpath.ico", 'U'},
              {3, "REMOVABLE", "~removab.ico", 'R'},
              {4, "FIXED", "~fixed.ico", 'F'},
              {5, "REMOTE", "~remote.ico", 'N'},
              {6, "CD-ROM", "~cdrom.ico", 'C'},
              {7, "RAM", "~ram.ico", 'V'}};
  for (const Row& r : rows) {
    EXPECT_EQ(DriveTypeName(r.number), r.name);
    EXPECT_EQ(DriveTypeIcon(r.number), r.icon);
    EXPECT_EQ(DriveTypeLetter(r.number), r.letter);
  }
}

TEST(LoggingParts, FileTimesBecomeLocalSerials) {
  // 2001-02-03 04:05:06.789 local, as a file time.
  time_t t = localTime(2001, 2, 3, 4, 5, 6);
  KivFileTime ft = (uint64_t(t) + 11644473600ull) * 10000000ull + 7890000;
  DateTimeSerials s = FileTimeSerials(ft);
  EXPECT_EQ(s.date, Kiv$DATE(2, 3, 2001));
  EXPECT_EQ(s.time, 1 + 4 * 360000 + 5 * 6000 + 6 * 100 + 78);
  DateTimeSerials none = FileTimeSerials(0);
  EXPECT_EQ(none.date, 0);
  EXPECT_EQ(none.time, 0);
}

// The date and time a file shows: its last write, or its creation when it has no last write.
TEST(LoggingParts, DisplayDateFallsBackToTheCreationDate) {
  auto fileTime = [](int year, int month, int day, int hour) {
    return (uint64_t(localTime(year, month, day, hour, 0, 0)) + 11644473600ull) * 10000000ull;
  };
  struct Row {
    KivFileTime created, written;
    int32_t date, time;
  } rows[] = {
      {fileTime(1999, 5, 6, 7), fileTime(2003, 8, 9, 10), Kiv$DATE(8, 9, 2003), 1 + 10 * 360000},
      {fileTime(1999, 5, 6, 7), 0, Kiv$DATE(5, 6, 1999), 1 + 7 * 360000},
      {0, fileTime(2003, 8, 9, 10), Kiv$DATE(8, 9, 2003), 1 + 10 * 360000},
      {0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    KivFindData found{};
    std::strcpy(found.name, "file.txt");
    found.creationTime = r.created;
    found.writeTime = r.written;
    FileList.rec.clear();
    FillFileEntry(found, "Y:\\");
    EXPECT_EQ(FileList.rec.DisplayDate, r.date) << r.created << " " << r.written;
    EXPECT_EQ(FileList.rec.DisplayTime, r.time) << r.created << " " << r.written;
    EXPECT_EQ(FileList.rec.ModifyDate, r.written ? r.date : 0);
  }
}

TEST(LoggingParts, PercentagesAreExactDecimals) {
  struct Row {
    uint32_t total, free;
    int32_t percentUsed;
    const char *used, *freeShare;
  } rows[] = {
      {4000000000u, 1000000000u, 75, "75", "25"},
      {3, 1, 66, "66.66666666666666666666666666667", "33.33333333333333333333333333333"},
      {0, 0, 0, "0", "0"},  // no medium: the division by zero gives 0
  };
  for (const Row& r : rows) {
    Logged.TotalBytes.setWhole(r.total);
    Logged.FreeBytes.setWhole(r.free);
    VolumeUsage u = LoggedVolumeUsage();
    EXPECT_EQ(u.used.text(), r.used) << r.total;
    EXPECT_EQ(u.free.text(), r.freeShare) << r.total;
    EXPECT_EQ(u.used.toLong(), r.percentUsed) << r.total;
  }
}

TEST_F(Logging, DriveListShowsTheTreeDrive) {
  BuildDriveList();
  bool seen = false;
  for (int32_t i = 1; i <= DriveList.records(); ++i) {
    DriveList.get(i);
    std::string text = DriveList.rec.Text.str();
    int32_t n = DriveList.rec.TypeNumber;
    EXPECT_GE(n, 3);
    EXPECT_EQ(text, text.substr(0, 3) + " [" + std::string(DriveTypeName(n)) + "]");
    if (text.substr(0, 3) == root) seen = true;
    if (i > 1) {  // letters in order
      std::string here = text;
      DriveList.get(i - 1);
      EXPECT_LT(DriveList.rec.Text.str()[0], here[0]);
    }
  }
  EXPECT_TRUE(seen);
}

TEST_F(Logging, WalkGoesLevelByLevelAndSkipsDotNames) {
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  FileList.free();
  Logged.FileCount = 0;
  int yields = 0;
  WalkTree(root, [&] { ++yields; });
  std::vector<std::string> paths;
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    paths.push_back(FileList.rec.FullPath.str());
  }
  EXPECT_EQ(Logged.FileCount, 6);
  ASSERT_EQ(paths.size(), 6u);
  auto depth = [](const std::string& p) { return std::count(p.begin(), p.end(), '\\'); };
  for (size_t i = 1; i < paths.size(); ++i) EXPECT_LE(depth(paths[i - 1]), depth(paths[i]));
  EXPECT_EQ(paths.back(), root + "SUB\\DEEPER\\B.C");
  for (const std::string& p : paths) EXPECT_EQ(p.find("INSIDE"), std::string::npos);
  EXPECT_EQ(yields, 5);  // the root, SUB, OTHER, DEEPER, and the look that finds no more
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()) || chdir(dir.path().c_str()) == 0);
}

// The walk reads the next folder while it takes in the current one; what it gathers must still
// be every file once, level by level, each folder in the order the host lists it.
// Every file-list entry's full path, in list order, and the walk's report.
struct Walked {
  std::vector<std::string> paths;
  std::vector<uint32_t> sizes;
  WalkReport report;
};
Walked walkFrom(const std::string& root, const YieldFn& yield = {}) {
  Walked w;
  EXPECT_TRUE(SetCurrentDirectoryA(root.c_str()));
  FileList.free();
  Logged.FileCount = 0;
  w.report = WalkTree(root, yield);
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    w.paths.push_back(FileList.rec.FullPath.str());
    w.sizes.push_back(uint32_t(FileList.rec.Size.whole()));
  }
  EXPECT_EQ(Logged.FileCount, int32_t(w.paths.size()));
  return w;
}
size_t countOf(const std::vector<std::string>& paths, const std::string& path) {
  return size_t(std::count(paths.begin(), paths.end(), path));
}

// Linux volumes hold folders and files whose names differ only in case; each is its own entry
// and each folder is walked once, by its own name.
TEST_F(Logging, NamesThatDifferOnlyInCaseAreEachWalkedOnce) {
  writeFile(tree / "a" / "Pod" / "big1.txt", 100);
  writeFile(tree / "a" / "pod" / "small1.txt", 1);
  writeFile(tree / "a" / "pod" / "Nested" / "n.txt", 2);
  writeFile(tree / "a" / "Read.me", 7);
  writeFile(tree / "a" / "READ.ME", 8);
  Walked w = walkFrom(root);
  EXPECT_EQ(countOf(w.paths, root + "A\\POD\\BIG1.TXT"), 1u);
  EXPECT_EQ(countOf(w.paths, root + "A\\POD\\SMALL1.TXT"), 1u);
  EXPECT_EQ(countOf(w.paths, root + "A\\POD\\NESTED\\N.TXT"), 1u);
  ASSERT_EQ(countOf(w.paths, root + "A\\READ.ME"), 2u);
  std::vector<uint32_t> readMeSizes;
  for (size_t i = 0; i < w.paths.size(); ++i)
    if (w.paths[i] == root + "A\\READ.ME") readMeSizes.push_back(w.sizes[i]);
  std::sort(readMeSizes.begin(), readMeSizes.end());
  EXPECT_EQ(readMeSizes, (std::vector<uint32_t>{7, 8}));
  EXPECT_EQ(w.report.skipped, 0);
}

// A folder that cannot be entered (mode 000) or read (mode 0111) is left out and reported by
// its path as on the volume; the walk goes on with every other folder, also those after it.
TEST_F(Logging, FoldersThatCannotBeOpenedAreLeftOutAndReported) {
  writeFile(tree / "Locked" / "x.txt", 1);
  writeFile(tree / "Locked" / "inner" / "xx.txt", 1);
  writeFile(tree / "unreadable" / "y.txt", 1);
  writeFile(tree / "open" / "z.txt", 1);
  writeFile(tree / "zz" / "deep" / "w.txt", 1);
  chmod((tree / "Locked").c_str(), 0);
  chmod((tree / "unreadable").c_str(), 0111);
  Walked w;
  {
    kivtest::WithoutPermissionOverride asAUser;
    w = walkFrom(root);
  }
  chmod((tree / "Locked").c_str(), 0755);
  chmod((tree / "unreadable").c_str(), 0755);
  EXPECT_EQ(countOf(w.paths, root + "OPEN\\Z.TXT"), 1u);
  EXPECT_EQ(countOf(w.paths, root + "ZZ\\DEEP\\W.TXT"), 1u);
  for (const std::string& p : w.paths) {
    EXPECT_EQ(p.find("LOCKED"), std::string::npos) << p;
    EXPECT_EQ(p.find("UNREADABLE"), std::string::npos) << p;
  }
  EXPECT_EQ(w.report.skipped, 2);
  std::vector<std::string> skipped = w.report.skippedPaths;
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (std::vector<std::string>{root + "Locked", root + "unreadable"}));
}

// A folder removed after it was listed is not an error: it holds nothing any more.
TEST_F(Logging, AFolderRemovedDuringTheWalkIsPassedOver) {
  writeFile(tree / "First" / "one.txt", 1);
  writeFile(tree / "Gone" / "two.txt", 1);
  writeFile(tree / "Gone" / "below" / "three.txt", 1);
  writeFile(tree / "Last" / "four.txt", 1);
  int yields = 0;
  Walked w = walkFrom(root, [&] {
    if (++yields == 2) fs::remove_all(tree / "Gone");
  });
  EXPECT_EQ(countOf(w.paths, root + "FIRST\\ONE.TXT"), 1u);
  EXPECT_EQ(countOf(w.paths, root + "LAST\\FOUR.TXT"), 1u);
  EXPECT_EQ(countOf(w.paths, root + "GONE\\BELOW\\THREE.TXT"), 0u);
  EXPECT_EQ(w.report.skipped, 0);
}

// Paths longer than the path field, links that loop, and names that are not UTF-8: the walk
// finishes, lists every file of a plain listing once (links are entries of their own, never
// followed into folders), and stores long paths cut to the field.
TEST_F(Logging, DeepTreesLoopsAndNonUtf8NamesAreWalkedToTheEnd) {
  fs::path deep = tree / "deep";
  for (int i = 0; i < 70; ++i) {
    deep /= "d" + std::to_string(100 + i);
    if (i == 10) writeFile(deep / "mid.txt", 3);
  }
  writeFile(deep / "leaf.txt", 4);
  fs::create_directory_symlink(".", tree / "loop");
  fs::create_directory_symlink("..", tree / "Sub" / "up");
  fs::create_symlink(tree / "Sub", tree / "Other" / "to-sub");
  writeFile(tree / "bad\xff" / "f\xfe.txt", 5);

  const auto started = std::chrono::steady_clock::now();
  Walked w = walkFrom(root);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));

  // The reference: a plain listing of every entry that is not a folder, symbolic links included
  // and never followed, dot-named entries and everything below dot-named folders left out.
  std::vector<std::string> expected;
  for (auto it = fs::recursive_directory_iterator(tree); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string name = it->path().filename().string();
    if (name[0] == '.') {
      if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
      continue;
    }
    if (it->is_directory() && !it->is_symlink()) continue;
    std::string path = root + it->path().lexically_relative(tree).string();
    for (char& c : path) c = c == '/' ? '\\' : char(toupper(static_cast<unsigned char>(c)));
    expected.push_back(path.substr(0, 260));
  }
  std::vector<std::string> got = w.paths;
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(w.report.skipped, 0);

  std::string leaf = root + "DEEP";
  for (int i = 0; i < 70; ++i) leaf += "\\D" + std::to_string(100 + i);
  leaf += "\\LEAF.TXT";
  ASSERT_GT(leaf.size(), 260u);
  EXPECT_EQ(countOf(w.paths, leaf.substr(0, 260)), 1u);
  EXPECT_EQ(countOf(w.paths, root + "BAD\xff\\F\xfe.TXT"), 1u);
  EXPECT_EQ(countOf(w.paths, root + "LOOP"), 1u);  // the link itself, an entry of its own
}

TEST(SkippedFolders, TheMessageCountsAndNamesTheFirstFew) {
  auto report = [](int n) {
    WalkReport r;
    for (int i = 1; i <= n; ++i) r.skip("T:\\F" + std::to_string(i));
    return r;
  };
  EXPECT_EQ(SkippedFoldersText(report(1)),
            "1 folder could not be opened and was left out of the list:\n\r\n\rT:\\F1"
            "\n\r\n\rEvery other folder was logged. Save stores the files that were found.");
  const std::string five = SkippedFoldersText(report(5));
  EXPECT_EQ(five.rfind("5 folders could not be opened and were left out", 0), 0u);
  EXPECT_NE(five.find("T:\\F5"), std::string::npos);
  EXPECT_EQ(five.find("more"), std::string::npos);
  const std::string six = SkippedFoldersText(report(6));
  EXPECT_EQ(six.find("T:\\F6"), std::string::npos);
  EXPECT_NE(six.find("\n\rT:\\F5\n\r... and 1 more\n\r"), std::string::npos) << six;
  EXPECT_NE(SkippedFoldersText(report(40)).find("... and 35 more"), std::string::npos);
}

TEST_F(Logging, WalkOfManyFoldersMatchesAPlainBreadthFirstListing) {
  for (int a = 0; a < 12; ++a)
    for (int b = 0; b < 6; ++b)
      for (int f = 0; f < 25; ++f)
        writeFile(tree / ("Level " + std::to_string(a)) / ("sub" + std::to_string(b)) /
                      ("File number " + std::to_string(f) + ".txt"),
                  size_t(f));
  std::vector<std::string> expected;
  std::vector<std::pair<fs::path, std::string>> folders{{tree, root}};
  for (size_t i = 0; i < folders.size(); ++i) {
    auto [host, shown] = folders[i];
    const std::string prefix = i == 0 ? shown : shown + "\\";
    DIR* listing = opendir(host.c_str());
    ASSERT_NE(listing, nullptr);
    while (dirent* e = readdir(listing)) {
      std::string name = e->d_name;
      if (name[0] == '.') continue;
      std::string upperName = name;
      for (char& c : upperName) c = char(toupper(static_cast<unsigned char>(c)));
      if (fs::is_directory(host / name))
        folders.emplace_back(host / name, prefix + upperName);
      else
        expected.push_back(prefix + upperName);
    }
    closedir(listing);
  }
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  FileList.free();
  Logged.FileCount = 0;
  WalkTree(root);
  std::vector<std::string> paths;
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    paths.push_back(FileList.rec.FullPath.str());
  }
  EXPECT_EQ(Logged.FileCount, int32_t(expected.size()));
  EXPECT_EQ(paths, expected);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()) || chdir(dir.path().c_str()) == 0);
}

TEST_F(Logging, LogDriveFillsTheFileListField_by_field) {
  char before[1024];
  ASSERT_TRUE(getcwd(before, sizeof before));
  ASSERT_TRUE(LogDrive(entry()));
  char after[1024];
  ASSERT_TRUE(getcwd(after, sizeof after));
  EXPECT_STREQ(before, after);  // back where it started
  EXPECT_EQ(VolName.str(), "TESTVOL");
  EXPECT_EQ(Logged.SerialText.str(), "1234-ABCD");
  EXPECT_EQ(Logged.RootPath.str(), root);
  EXPECT_EQ(Logged.FileCount, 6);
  EXPECT_GT(Logged.TotalBytes.whole(), 0u);
  EXPECT_GE(Logged.PercentUsed, 0);
  EXPECT_LE(Logged.PercentUsed, 100);
  EXPECT_EQ(Logged.DriveType, DriveTypeNumber(root));

  std::vector<std::string> names;
  std::map<std::string, FileEntry> byPath;
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    names.push_back(FileList.rec.ShortName.str());
    byPath[FileList.rec.FullPath.str()] = FileList.rec;
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));

  const FileEntry& readme = byPath.at(root + "README.TXT");
  EXPECT_EQ(readme.ShortName.str(), "README.TXT");
  EXPECT_EQ(readme.ModifyDate, Kiv$DATE(2, 3, 2001));
  EXPECT_EQ(readme.ModifyTime, 1 + 4 * 360000 + 5 * 6000 + 6 * 100 + 78);
  EXPECT_EQ(readme.DisplayDate, readme.ModifyDate);
  EXPECT_EQ(readme.DisplayTime, readme.ModifyTime);
  EXPECT_EQ(readme.AccessDate, Kiv$DATE(2, 3, 2001));
  EXPECT_EQ(readme.Size.whole(), 10u);
  EXPECT_EQ(readme.Attrib.str(), "RA..");
  EXPECT_EQ(readme.Type.str(), "TXT");
  EXPECT_EQ(readme.NamePos, 4);

  const FileEntry& longName = byPath.at(root + "LONG FILE NAME.TEXT");
  EXPECT_EQ(longName.ShortName.str(), "LONGFI~1.TEX");
  EXPECT_EQ(longName.Type.str(), "TEX");
  EXPECT_EQ(longName.Attrib.str(), ".A..");
  EXPECT_EQ(longName.Size.whole(), 2000u);

  const FileEntry& noext = byPath.at(root + "NOEXT");
  EXPECT_EQ(noext.ShortName.str(), "NOEXT");
  EXPECT_TRUE(noext.Type.blank());

  const FileEntry& deep = byPath.at(root + "SUB\\DEEPER\\B.C");
  EXPECT_EQ(deep.Type.str(), "C");
  EXPECT_EQ(deep.NamePos, int16_t(std::string(root + "SUB\\DEEPER\\").size() + 1));
  EXPECT_EQ(byPath.count(root + ".HIDDEN"), 0u);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Logging, DriveThatCannotBeEnteredResetsTheLoggedState) {
  ASSERT_TRUE(LogDrive(entry()));
  ASSERT_GT(Logged.FileCount, 0);
  kiv::platform::unpinDrive(letter);
  char before[1024];
  ASSERT_TRUE(getcwd(before, sizeof before));
  EXPECT_FALSE(LogDrive(root + " [FIXED]"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Drive is not ready!\n\rMake sure the disk is inserted properly.");
  EXPECT_EQ(boxes.shown[0].caption, "System Error");
  EXPECT_EQ(boxes.shown[0].icon, 0x7F02u);
  EXPECT_EQ(Logged.FileCount, 0);
  EXPECT_EQ(FileList.records(), 0);
  EXPECT_TRUE(VolName.blank());
  EXPECT_EQ(Logged.SerialText.str(), "0000-0000");
  EXPECT_EQ(Logged.PercentUsed, 0);
  char after[1024];
  ASSERT_TRUE(getcwd(after, sizeof after));
  EXPECT_STREQ(before, after);
}

TEST_F(Logging, LabelChangeWritesTheVolumeOrPutsTheOldLabelBack) {
  ASSERT_TRUE(LogDrive(entry()));
  VolName = "RENAMED";
  EXPECT_TRUE(ChangeVolumeLabel("TESTVOL"));
  EXPECT_TRUE(boxes.shown.empty());
  char label[12] = {};
  ASSERT_TRUE(GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                                    nullptr, 0));
  EXPECT_STREQ(label, "RENAMED");

  // A volume that cannot be relabelled keeps the label on this host; when not even that can be
  // done (the settings folder cannot be made), the change fails.
  kiv::platform::pinDrive(letter, {tree.string(), std::nullopt, std::nullopt});
  const std::string blocked = (tree / "not-a-folder").string();
  writeFile(blocked, 1);
  setenv("XDG_CONFIG_HOME", blocked.c_str(), 1);
  VolName = "OTHER";
  EXPECT_FALSE(ChangeVolumeLabel("RENAMED"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "Error changing the disk volume label!\n\rMake sure the disk is not write-protected.");
  EXPECT_EQ(boxes.shown[0].caption, "System Error");
  EXPECT_EQ(VolName.str(), "RENAMED");
  unsetenv("XDG_CONFIG_HOME");
}

TEST_F(Logging, SortButtonsTurnTheDirection) {
  writeFile(tree / "zz.bin", 40);  // the same size as b.c and c.txt
  ASSERT_TRUE(LogDrive(entry()));
  auto column = [] {
    std::vector<std::string> v;
    for (int32_t i = 1; i <= FileList.records(); ++i) {
      FileList.get(i);
      v.push_back(std::to_string(FileList.rec.Size.whole()) + ":" + FileList.rec.ShortName.str());
    }
    return v;
  };
  FileListSort sort;
  sort.press(4);  // size ascending, equal sizes by short name
  std::vector<std::string> ascending = column();
  EXPECT_EQ(ascending[0], "5:NOEXT");
  EXPECT_EQ(ascending[1], "10:README.TXT");
  EXPECT_EQ(ascending[2], "40:B.C");
  EXPECT_EQ(ascending[3], "40:C.TXT");
  EXPECT_EQ(ascending[4], "40:ZZ.BIN");
  sort.press(4);  // again: descending, names descending too
  std::vector<std::string> descending = column();
  EXPECT_EQ(descending, std::vector<std::string>(ascending.rbegin(), ascending.rend()));
  sort.press(1);  // another button keeps the direction: names descending
  std::vector<std::string> names;
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    names.push_back(FileList.rec.ShortName.str());
  }
  EXPECT_TRUE(std::is_sorted(names.rbegin(), names.rend()));
  sort.press(1);  // and pressed again: ascending
  names.clear();
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    names.push_back(FileList.rec.ShortName.str());
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_FALSE(sort.descending);
}

// Today's sizes: a 30 TB volume, files of 3 and 5 GiB and both sides of the 32-bit limit (sparse
// files, so they take no room). Every byte count is kept whole from the probe and the walk
// through the file list, its size sort, the DISKS and FILES records and the size key.
TEST_F(Logging, ByteCountsAboveFourGibibytesAreKeptWhole) {
  const uint64_t kTotal = 30000000000000ull, kFree = 12345678901234ull;
  const std::map<std::string, uint64_t> sizes = {
      {"VIDEO.MKV", 5368709120ull},
      {"DISK.IMG", 3221225472ull},
      {"EDGE\\MAX32.BIN", 4294967295ull},
      {"EDGE\\MIN33.BIN", 4294967296ull},
      {"README.TXT", 10},
  };
  for (const auto& [path, size] : sizes) {
    if (path == "README.TXT") continue;
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    for (char& c : host) c = char(tolower(static_cast<unsigned char>(c)));
    writeFile(tree / host, 0);
    ASSERT_EQ(truncate((tree / host).c_str(), off_t(size)), 0);
  }
  kiv::platform::pinDrive(letter,
                          {tree.string(), std::string("TESTVOL"), 0x1234ABCDu, kTotal, kFree});

  ASSERT_TRUE(LogDrive(entry()));
  EXPECT_EQ(Logged.TotalBytes.whole(), kTotal);
  EXPECT_EQ(Logged.FreeBytes.whole(), kFree);
  EXPECT_EQ(Logged.PercentUsed, 58);  // (30e12 - 12.3e12) / 30e12, truncated
  std::map<std::string, uint64_t> listed;
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    listed[FileList.rec.FullPath.str().substr(3)] = FileList.rec.Size.whole();
  }
  for (const auto& [path, size] : sizes) EXPECT_EQ(listed[path], size) << path;

  // The size button sorts by the whole size, the name within equal sizes.
  FileListSort sort;
  sort.press(4);
  std::vector<uint64_t> inOrder;
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    inOrder.push_back(FileList.rec.Size.whole());
  }
  EXPECT_TRUE(std::is_sorted(inOrder.begin(), inOrder.end()));
  EXPECT_EQ(inOrder.back(), 5368709120ull);

  TestWindows w;
  AddToCatalog(w);
  readDisk(1);
  EXPECT_EQ(Disks.rec.TotalBytes.whole(), kTotal);
  EXPECT_EQ(Disks.rec.FreeSpace.whole(), kFree);
  std::map<std::string, apptest::StoredFile> stored = storedFiles();
  for (const auto& [path, size] : sizes) EXPECT_EQ(stored[root + path].size, size) << path;
  // FIL:BYSIZE reads the files by number, 4294967295 before 4294967296.
  std::vector<uint64_t> byKey;
  {
    CatalogUse use(Files, FilesUseCount);
    Files.set(Files.BySize);
    for (Files.next(); kiv::errorCode() == 0; Files.next()) byKey.push_back(Files.rec.Size.whole());
    Kiv$clearerror();
  }
  EXPECT_TRUE(std::is_sorted(byKey.begin(), byKey.end()));
  EXPECT_EQ(byKey.size(), stored.size());
}

// Disks of every size order by their free space through DIS:BYFREESPACE, on both sides of the
// 32-bit limit, up to the largest 64-bit count.
TEST_F(Logging, DisksOrderByFreeSpaceAcrossEveryWidth) {
  const uint64_t free[] = {UINT64_MAX, 4294967296ull, 0, 4294967295ull, 1000000000000000ull, 1};
  {
    CatalogUse use(Disks, DisksUseCount);
    int32_t id = 0;
    for (uint64_t f : free) {
      Disks.rec.clear();
      Disks.rec.IdNum = ++id;
      Disks.rec.FreeSpace.setWhole(f);
      Disks.rec.TotalBytes.setWhole(UINT64_MAX);
      Disks.add();
      ASSERT_EQ(kiv::errorCode(), 0);
    }
  }
  std::vector<uint64_t> byKey;
  CatalogUse use(Disks, DisksUseCount);
  Disks.set(Disks.ByFreeSpace);
  for (Disks.next(); kiv::errorCode() == 0; Disks.next())
    byKey.push_back(Disks.rec.FreeSpace.whole());
  Kiv$clearerror();
  std::vector<uint64_t> expected(std::begin(free), std::end(free));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(byKey, expected);
}

TEST_F(Logging, NewDiskIsSavedField_by_field) {
  TestWindows w;
  ASSERT_TRUE(LogDrive(entry()));
  Logged.Note = "My first disk";
  Logged.Category = "Backups";
  AddToCatalog(w);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(w.open, 0);
  EXPECT_EQ(w.events.front(), "open 1 Adding disk to catalog...");
  EXPECT_NE(std::find(w.events.begin(), w.events.end(), "caption Indexing new database entries..."),
            w.events.end());
  EXPECT_EQ(w.lastPercent, "100%");
  EXPECT_TRUE(Logged.Note.blank());  // handed over and blanked
  EXPECT_TRUE(Logged.Category.blank());
  EXPECT_EQ(DisksUseCount, 0);
  EXPECT_EQ(FilesUseCount, 0);
  EXPECT_FALSE(Files.isOpen());

  readDisk(1);
  DisksRecord& d = Disks.rec;
  EXPECT_EQ(d.Label.str(), "TESTVOL");
  EXPECT_TRUE(d.UserNum.blank());
  EXPECT_EQ(d.Category.str(), "Backups");
  EXPECT_TRUE(d.Keyword1.blank() && d.Keyword2.blank() && d.Keyword3.blank());
  EXPECT_EQ(d.TotalBytes.whole(), Logged.TotalBytes.whole());
  EXPECT_EQ(d.FreeSpace.whole(), Logged.FreeBytes.whole());
  EXPECT_EQ(d.SerialNo.str(), "1234-ABCD");
  EXPECT_EQ(d.Type.str(), std::string(1, DriveTypeLetter(DriveTypeNumber(root))));
  EXPECT_EQ(d.Files, 6);
  EXPECT_EQ(d.Comments.str(), "My first disk");

  std::map<std::string, StoredFile> files = storedFiles();
  ASSERT_EQ(files.size(), 6u);
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    const FileEntry& e = FileList.rec;
    const StoredFile& f = files.at(e.FullPath.str());
    EXPECT_EQ(f.disk, 1);
    EXPECT_EQ(f.shortName, e.ShortName.str());
    EXPECT_EQ(f.displayDate, e.DisplayDate);
    EXPECT_EQ(f.displayTime, e.DisplayTime);
    EXPECT_EQ(f.size, e.Size.whole());
    EXPECT_EQ(f.attrib, e.Attrib.str());
    EXPECT_EQ(f.type, e.Type.str());
    EXPECT_EQ(f.longName, e.FullPath.str().substr(e.NamePos - 1));
    EXPECT_EQ(f.comment, "");
    EXPECT_EQ(f.deleteFlag, 0);
  }
  EXPECT_EQ(files.at(root + "LONG FILE NAME.TEXT").longName, "LONG FILE NAME.TEXT");
  // The keys were built after appending.
  CatalogUse use(Files, FilesUseCount);
  EXPECT_EQ(Files.records(Files.ByName), 6);
  Files.rec.ShortName = "README.TXT";
  Files.get(Files.ByName);
  EXPECT_EQ(kiv::errorCode(), 0);
}

TEST_F(Logging, RefreshKeepsCommentsAddsNewFilesAndPurgesGoneOnes) {
  TestWindows first;
  logAndSave(first);
  setFileComment(root + "README.TXT", "keep me");
  setFileComment(root + "OTHER\\C.TXT", "goes away");
  {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.IdNum = 1;
    Disks.get(Disks.ByIdNum);
    Disks.rec.UserNum = "U-7";
    Disks.rec.Category = "Games";
    Disks.rec.Keyword1 = "old";
    Disks.put();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  // The tree changes: a file goes, one comes, one grows.
  chmod((tree / "readme.txt").c_str(), 0644);
  fs::remove(tree / "Other" / "c.txt");
  writeFile(tree / "Other" / "new.txt", 7);
  writeFile(tree / "Sub" / "a.dat", 999);

  TestWindows second;
  boxes.answers = {KIV_BUTTON_YES};
  logAndSave(second, true);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "Volume TESTVOL already exists in catalog!\n\rChoose YES to overwrite existing "
            "entry,\n\rNO to add a new entry,\n\ror CANCEL to leave catalog unchanged.");
  EXPECT_EQ(boxes.shown[0].caption, "System Message");
  EXPECT_EQ(boxes.shown[0].icon, 0x7F03u);
  EXPECT_EQ(boxes.shown[0].buttons, uint32_t(KIV_BUTTON_YES | KIV_BUTTON_NO | KIV_BUTTON_CANCEL));
  EXPECT_EQ(boxes.shown[0].defaultButton, uint32_t(KIV_BUTTON_CANCEL));
  EXPECT_EQ(second.events.front(), "open 1 Refreshing disk in catalog...");
  EXPECT_NE(std::find(second.events.begin(), second.events.end(),
                      "open 2 Saving user-defined settings..."),
            second.events.end());
  EXPECT_EQ(second.pickerCalls, 0);

  EXPECT_EQ(diskIds(), std::vector<int32_t>{1});
  readDisk(1);
  EXPECT_EQ(Disks.rec.UserNum.str(), "U-7");
  EXPECT_EQ(Disks.rec.Category.str(), "Games");
  EXPECT_TRUE(Disks.rec.Keyword1.blank());
  EXPECT_EQ(Disks.rec.Files, 6);

  std::map<std::string, StoredFile> files = storedFiles();
  EXPECT_EQ(files.size(), 6u);
  EXPECT_EQ(files.count(root + "OTHER\\C.TXT"), 0u);
  EXPECT_EQ(files.at(root + "README.TXT").comment, "keep me");
  EXPECT_EQ(files.at(root + "README.TXT").attrib, ".A..");
  EXPECT_EQ(files.at(root + "OTHER\\NEW.TXT").comment, "");
  EXPECT_EQ(files.at(root + "SUB\\A.DAT").size, 999u);
  for (auto& [path, f] : files) {
    EXPECT_EQ(f.deleteFlag, 0) << path;
    EXPECT_EQ(f.disk, 1) << path;
  }
}

TEST_F(Logging, FilesNotLoggedKeepsTheCountAndDropsTheFiles) {
  TestWindows w;
  ASSERT_TRUE(LogDrive(entry()));
  Logged.FilesNotLogged = 1;
  Logged.Note = "in the drawer";
  AddToCatalog(w);
  EXPECT_EQ(Logged.FilesNotLogged, 0);  // the option is cleared after saving
  EXPECT_EQ(w.lastPercent, "100%");
  readDisk(1);
  EXPECT_EQ(Disks.rec.Comments.str(), "* FILES NOT LOGGED FOR THIS DISK *  in the drawer");
  EXPECT_EQ(Disks.rec.Files, 6);
  EXPECT_TRUE(storedFiles().empty());

  // Logged with files, then refreshed without them: every file goes, a comment is blanked.
  TestWindows withFiles;
  boxes.answers = {KIV_BUTTON_NO};  // a second disk of the same label
  logAndSave(withFiles, true);
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(storedFiles().size(), 6u);
  readDisk(2);
  EXPECT_TRUE(Disks.rec.Comments.blank());

  {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.IdNum = 2;
    Disks.get(Disks.ByIdNum);
    Disks.rec.Comments = "shelf 3";
    Disks.put();
  }
  TestWindows refresh;
  refresh.pick = 2;
  boxes.answers = {KIV_BUTTON_YES};
  ASSERT_TRUE(LogDrive(entry()));
  Logged.FilesNotLogged = 1;
  AddToCatalog(refresh);
  EXPECT_EQ(refresh.pickerCalls, 1);
  EXPECT_NE(std::find(refresh.events.begin(), refresh.events.end(),
                      "open 2 Purging files from catalog..."),
            refresh.events.end());
  EXPECT_TRUE(storedFiles().empty());
  readDisk(2);
  EXPECT_TRUE(Disks.rec.Comments.blank());
  EXPECT_EQ(Disks.rec.Files, 6);
  readDisk(1);
  EXPECT_EQ(Disks.rec.Comments.str(), "* FILES NOT LOGGED FOR THIS DISK *  in the drawer");
}

TEST_F(Logging, TwoDisksOfOneLabelAskThePicker) {
  TestWindows a, b;
  logAndSave(a);
  boxes.answers = {KIV_BUTTON_NO};
  logAndSave(b, true);
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
  std::map<std::string, StoredFile> before = storedFiles();
  EXPECT_EQ(before.size(), 6u);  // keyed by path: both disks' files share paths

  // Yes, but the picker is closed without a choice: nothing changes.
  writeFile(tree / "extra.txt", 3);
  TestWindows closed;
  boxes.answers = {KIV_BUTTON_YES};
  logAndSave(closed, true);
  EXPECT_EQ(closed.pickerCalls, 1);
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
  {
    CatalogUse use(Files, FilesUseCount);
    EXPECT_EQ(Files.records(), 12);
  }

  // Cancel leaves the catalog unchanged too.
  TestWindows cancelled;
  boxes.answers = {KIV_BUTTON_CANCEL};
  logAndSave(cancelled, true);
  EXPECT_TRUE(cancelled.events.empty());

  // The picker chooses disk 2: only its files are refreshed.
  TestWindows chosen;
  chosen.pick = 2;
  boxes.answers = {KIV_BUTTON_YES};
  logAndSave(chosen, true);
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
  CatalogUse use(Files, FilesUseCount);
  EXPECT_EQ(Files.records(), 13);
  Files.rec.clear(-1);
  Files.rec.DiskId = 2;
  Files.set(Files.ByDiskId, Files.ByDiskId);
  int count = 0;
  for (Files.next(); kiv::errorCode() == 0 && Files.rec.DiskId == 2; Files.next()) ++count;
  EXPECT_EQ(count, 7);
  Kiv$clearerror();
}

TEST_F(Logging, IdNumbersFollowTheHighest) {
  TestWindows w1, w2, w3;
  logAndSave(w1);
  boxes.answers = {KIV_BUTTON_NO};
  logAndSave(w2, true);
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
  {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.IdNum = 2;
    Disks.get(Disks.ByIdNum);
    Disks.erase();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  boxes.answers = {KIV_BUTTON_NO};
  logAndSave(w3, true);
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
}

TEST_F(Logging, LabelDifferingOnlyInCaseIsNotAMatch) {
  {
    CatalogUse use(Disks, DisksUseCount);
    Disks.rec.clear();
    Disks.rec.IdNum = 1;
    Disks.rec.Label = "testvol";
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  TestWindows w;
  logAndSave(w, false);  // no question: added as new
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
  // With both spellings stored, the exact one still matches, whichever comes first in the key.
  TestWindows again;
  boxes.answers = {KIV_BUTTON_YES};
  logAndSave(again, true);
  EXPECT_EQ(again.events.front(), "open 1 Refreshing disk in catalog...");
  EXPECT_EQ(diskIds(), (std::vector<int32_t>{1, 2}));
}

TEST_F(Logging, SaveNeedsALoggedDiskAndAsksAboutAMissingLabel) {
  TestWindows w;
  EXPECT_TRUE(SaveLoggedDisk(false, w));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "System Message");
  EXPECT_EQ(boxes.shown[0].icon, 0x7F04u);
  EXPECT_TRUE(diskIds().empty());

  kiv::platform::pinDrive(letter, {tree.string(), std::string(""), 0u});
  ASSERT_TRUE(LogDrive(entry()));
  EXPECT_TRUE(VolName.blank());
  EXPECT_FALSE(SaveLoggedDisk(true, w));  // No is the default: back to the label
  EXPECT_EQ(boxes.shown.back().defaultButton, uint32_t(KIV_BUTTON_NO));
  EXPECT_TRUE(diskIds().empty());
  boxes.answers = {KIV_BUTTON_YES};
  EXPECT_TRUE(SaveLoggedDisk(true, w));
  EXPECT_EQ(diskIds(), std::vector<int32_t>{1});
  readDisk(1);
  EXPECT_TRUE(Disks.rec.Label.blank());
  EXPECT_EQ(Disks.rec.SerialNo.str(), "");  // serial 0 is stored blank
}

}  // namespace
