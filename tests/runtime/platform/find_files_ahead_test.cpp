// Directory searches whose entries are examined ahead of the reader by helper threads: large
// folders over several windows, searches closed early, several searches at once, and a forked
// child that has no helpers.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform_fixture.h"
#include "runtime/platform/helper_threads.h"
#include "runtime/platform/short_names.h"

namespace {

using kivtest::PinnedDrive;

// Two helpers whatever the machine, so the helpers and the reader really race even on a single
// processor. Set before any search starts the helpers.
const bool kTwoHelpers = [] { return setenv("KIV_HELPER_THREADS", "2", 0) == 0; }();

struct Entry {
  std::string name, alternate;
  uint32_t attributes = 0, size = 0;
};

std::vector<Entry> search(const std::string& pattern) {
  std::vector<Entry> out;
  KivFindData d{};
  KivFindHandle h = FindFirstFileA(pattern.c_str(), &d);
  if (h == KIV_INVALID_HANDLE) return out;
  do out.push_back({d.name, d.alternateName, d.attributes, d.sizeLow});
  while (FindNextFileA(h, &d));
  EXPECT_EQ(GetLastError(), 18u);
  EXPECT_EQ(FindClose(h), 1);
  return out;
}

// The folder's names in the order the host lists them.
std::vector<std::string> hostOrder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (dirent* e = readdir(dir)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(dir);
  return names;
}

int openDescriptors() {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

class FindFilesAhead : public ::testing::Test {
 protected:
  // `count` entries in folder `rel`: every seventh a folder, the files of sizes by number, every
  // other name long.
  void fill(const std::string& rel, int count) {
    for (int i = 0; i < count; ++i) {
      char name[64];
      if (i % 2)
        snprintf(name, sizeof name, "%s/Entry number %05d.data", rel.c_str(), i);
      else
        snprintf(name, sizeof name, "%s/E%05d.DAT", rel.c_str(), i);
      if (i % 7 == 0)
        drive.tree.dir(name);
      else
        drive.tree.file(name, size_t(i % 97));
    }
  }

  PinnedDrive drive{'H'};
};

TEST_F(FindFilesAhead, HelpersAreThere) {
  ASSERT_TRUE(kTwoHelpers);
  EXPECT_EQ(kiv::platform::helperThreadCount(), 2u);
}

// Checks a search of a folder `fill` made: ".", "..", then every entry in host order with its
// own alternate name, type and size.
void expectWholeFolder(const std::vector<Entry>& got, const std::string& hostFolder) {
  std::vector<std::string> order = hostOrder(hostFolder);
  ASSERT_EQ(got.size(), order.size() + 2) << hostFolder;
  EXPECT_EQ(got[0].name, ".");
  EXPECT_EQ(got[1].name, "..");
  std::vector<std::string_view> views(order.begin(), order.end());
  std::vector<std::string> alternates = kiv::platform::alternateNames(views);
  for (size_t i = 0; i < order.size(); ++i) {
    const Entry& e = got[i + 2];
    ASSERT_EQ(e.name, order[i]) << i;
    EXPECT_EQ(e.alternate, alternates[i]) << e.name;
    const bool longName = e.name.rfind("Entry number ", 0) == 0;
    const int number = std::atoi(e.name.c_str() + (longName ? 13 : 1));
    if (number % 7 == 0) {
      EXPECT_EQ(e.attributes & KIV_ATTR_DIRECTORY, uint32_t(KIV_ATTR_DIRECTORY)) << e.name;
      EXPECT_EQ(e.size, 0u) << e.name;
    } else {
      EXPECT_EQ(e.attributes & KIV_ATTR_DIRECTORY, 0u) << e.name;
      EXPECT_EQ(e.size, uint32_t(number % 97)) << e.name;
    }
  }
}

TEST_F(FindFilesAhead, LargeFolderComesWholeInHostOrderWithEachEntrysOwnData) {
  fill("big", 3500);  // four windows of examined entries
  expectWholeFolder(search(drive.at("BIG\\*.*")), drive.tree.path("big"));
}

// As a disk walk searches: each folder's search opens before the one before it is read, so a
// reader waiting on a helper examines entries of the newer search meanwhile. Now and then the
// newer search is closed unread and opened again.
TEST_F(FindFilesAhead, SearchOpenedAheadOfTheOneBeingReadComesWhole) {
  constexpr int kFolders = 24;
  for (int f = 0; f < kFolders; ++f) fill("f" + std::to_string(f), 100 + 37 * f);
  auto open = [&](int f, std::vector<Entry>* first) {
    KivFindData d{};
    KivFindHandle h = FindFirstFileA(drive.at("F" + std::to_string(f) + "\\*.*").c_str(), &d);
    EXPECT_NE(h, KIV_INVALID_HANDLE);
    *first = {{d.name, d.alternateName, d.attributes, d.sizeLow}};
    return h;
  };
  std::vector<Entry> current, next;
  KivFindHandle reading = open(0, &current);
  for (int f = 0; f < kFolders; ++f) {
    KivFindHandle ahead = KIV_INVALID_HANDLE;
    if (f + 1 < kFolders) {
      ahead = open(f + 1, &next);
      if (f % 5 == 4) {  // closed unread, opened again
        EXPECT_EQ(FindClose(ahead), 1);
        ahead = open(f + 1, &next);
      }
    }
    KivFindData d{};
    while (FindNextFileA(reading, &d))
      current.push_back({d.name, d.alternateName, d.attributes, d.sizeLow});
    EXPECT_EQ(FindClose(reading), 1);
    expectWholeFolder(current, drive.tree.path("f" + std::to_string(f)));
    reading = ahead;
    current = std::move(next);
  }
}

TEST_F(FindFilesAhead, MaskSelectsFromALargeFolder) {
  fill("big", 2500);
  std::vector<Entry> got = search(drive.at("big\\E?????.DAT"));
  EXPECT_EQ(got.size(), 1250u);
  for (const Entry& e : got) {
    EXPECT_EQ(e.name.size(), 10u) << e.name;
    EXPECT_EQ(e.alternate, "") << e.name;
  }
}

TEST_F(FindFilesAhead, SearchesClosedEarlyLeaveNothingOpen) {
  fill("big", 3000);
  // Helpers may still hold a folder open for a moment after its search closes.
  auto settled = [](int baseline) {
    for (int i = 0; i < 200 && openDescriptors() > baseline; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return openDescriptors();
  };
  const int baseline = settled(openDescriptors());
  for (int round = 0; round < 30; ++round) {
    KivFindData d{};
    KivFindHandle h = FindFirstFileA(drive.at("big\\*.*").c_str(), &d);
    ASSERT_NE(h, KIV_INVALID_HANDLE);
    for (int i = 0; i < round * 50 && FindNextFileA(h, &d); ++i) {
    }
    EXPECT_EQ(FindClose(h), 1);
  }
  EXPECT_EQ(settled(baseline), baseline);
}

TEST_F(FindFilesAhead, SearchesOpenAtOnceEachGetTheirOwnFolder) {
  const std::vector<std::string> folders{"one", "two", "three"};
  for (size_t f = 0; f < folders.size(); ++f) fill(folders[f], 1200 + int(f) * 300);
  std::vector<KivFindHandle> handles;
  std::vector<std::vector<std::string>> got(folders.size());
  std::vector<bool> more(folders.size(), true);
  for (size_t f = 0; f < folders.size(); ++f) {
    KivFindData d{};
    handles.push_back(FindFirstFileA(drive.at(folders[f] + "\\*.*").c_str(), &d));
    ASSERT_NE(handles.back(), KIV_INVALID_HANDLE);
    got[f].push_back(d.name);
  }
  // Round robin, a few entries from each in turn.
  for (bool any = true; any;) {
    any = false;
    for (size_t f = 0; f < folders.size(); ++f) {
      for (int i = 0; i < 7 && more[f]; ++i) {
        KivFindData d{};
        more[f] = FindNextFileA(handles[f], &d) != 0;
        if (more[f]) got[f].push_back(d.name);
      }
      any = any || more[f];
    }
  }
  for (size_t f = 0; f < folders.size(); ++f) {
    EXPECT_EQ(FindClose(handles[f]), 1);
    std::vector<std::string> expected{".", ".."};
    for (const std::string& n : hostOrder(drive.tree.path(folders[f]))) expected.push_back(n);
    EXPECT_EQ(got[f], expected) << folders[f];
  }
}

// A child made by fork has none of its parent's helpers; it examines every entry itself.
TEST_F(FindFilesAhead, ForkedChildSearchesWithoutHelpers) {
  fill("big", 2100);
  const std::vector<Entry> parent = search(drive.at("big\\*.*"));
  ASSERT_EQ(parent.size(), 2102u);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (kiv::platform::helperThreadCount() != 0) _exit(2);
    const std::vector<Entry> mine = search(drive.at("big\\*.*"));
    if (mine.size() != parent.size()) _exit(3);
    for (size_t i = 0; i < mine.size(); ++i)
      if (mine[i].name != parent[i].name || mine[i].size != parent[i].size ||
          mine[i].attributes != parent[i].attributes || mine[i].alternate != parent[i].alternate)
        _exit(4);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
