// PATH and SETPATH, RUN, RUNCODE and CHAIN, and HELP.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "include/kvrun32.h"
#include "runtime/platform/drive_map.h"
#include "runtime/env/help.h"
#include "runtime/platform/process.h"
#include "tests/runtime/env/env_fixture.h"

namespace {

// Pushes a copy, so the argument may be a temporary.
void push(const std::string& text) {
  Kiv$PushString(text.data(), uint32_t(text.size()));
  Kiv$StackHeap();
}

std::string popped() {
  KivHeapStr s{};
  Kiv$PopTemp(&s);
  std::string text(s.addr ? s.addr : "", s.len);
  Kiv$freestr(&s);
  return text;
}

std::string errorText() {
  std::string text(Kiv$ERRSTR, sizeof Kiv$ERRSTR);
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

// Waits up to five seconds for a file to appear.
bool appears(const std::string& file) {
  for (int i = 0; i < 500; ++i) {
    if (std::filesystem::exists(file)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The viewer's shell makes its file before it writes the line in it: waits for the whole line.
bool lineAppears(const std::string& file) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream in(file);
    std::string line;
    if (std::getline(in, line) && !in.eof()) return true;  // a line and its end
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string currentDirectory() {
  Kiv$PATH();
  return popped();
}

using Paths = ScratchFolder;

std::string hostDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

TEST_F(Paths, PathAfterSetpathGivesThatDirectoryAsADrivePath) {
  std::filesystem::create_directory(path("sub"));
  push(path("sub") + "   ");
  Kiv$SETPATH();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(hostDirectory(), path("sub"));
  std::string drivePath = currentDirectory();
  ASSERT_GE(drivePath.size(), 3u);
  EXPECT_EQ(drivePath.substr(1, 2), ":\\");
  EXPECT_EQ(drivePath.substr(drivePath.size() - 4), "\\sub");
  EXPECT_EQ(Kiv$StackDepth(), 0);
  // What PATH gives, SETPATH takes back.
  ASSERT_EQ(chdir(root_.c_str()), 0);
  push(drivePath);
  Kiv$SETPATH();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(hostDirectory(), path("sub"));
}

TEST_F(Paths, SetpathEntersAPinnedDriveLetter) {
  std::filesystem::create_directories(path("vol/DATA"));
  kiv::platform::pinDrive('Q', {path("vol"), std::nullopt, std::nullopt});
  push("Q:\\DATA");
  Kiv$SETPATH();
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(hostDirectory(), path("vol/DATA"));
  EXPECT_EQ(currentDirectory(), "Q:\\DATA");
  push("Q:\\");
  Kiv$SETPATH();
  EXPECT_EQ(currentDirectory(), "Q:\\");
  kiv::platform::unpinDrive('Q');
}

TEST_F(Paths, SetpathToAMissingDirectoryIsPathNotFoundAndChangesNothing) {
  ASSERT_EQ(chdir(root_.c_str()), 0);
  for (std::string missing :
       {path("missing"), std::string("missing"), std::string("Z:\\NO\\SUCH")}) {
    push(missing);
    Kiv$SETPATH();
    EXPECT_EQ(Kiv$ERRCODE, 3) << missing;
    EXPECT_EQ(errorText(), "Path Not Found");
    EXPECT_EQ(hostDirectory(), root_);
  }
  currentDirectory();
  EXPECT_EQ(Kiv$ERRCODE, 0) << "PATH clears the error state";
}

TEST_F(Paths, PathGivesAtMost143Characters) {
  std::string deep = root_;
  while (deep.size() < 200) deep += "/" + std::string(20, 'd');
  std::filesystem::create_directories(deep);
  ASSERT_EQ(chdir(deep.c_str()), 0);
  char full[4096];
  uint32_t n = GetCurrentDirectoryA(sizeof full, full);
  ASSERT_GT(n, 143u);
  EXPECT_EQ(currentDirectory(), std::string(full, 143));
}

using StartingPrograms = ScratchFolder;

TEST_F(StartingPrograms, StartsTheProgramWithoutWaiting) {
  const std::string marker = path("started");
  push("sh -c \"sleep 0.5; touch '" + marker + "'\"");
  auto before = std::chrono::steady_clock::now();
  Kiv$RUN();
  auto took = std::chrono::steady_clock::now() - before;
  EXPECT_EQ(Kiv$RUNCODE(), 0);
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_LT(took, std::chrono::milliseconds(400));
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_TRUE(appears(marker));
}

TEST_F(StartingPrograms, FailuresSetRuncodeAndThePlatformCode) {
  struct Row {
    std::string line;
    int32_t code;
    const char* message;
  } rows[] = {
      {"no-such-program-kiv", 2, "File Not Found"},
      {path("no/such/folder/prog"), 3, "Path Not Found"},
      {"", 2, "File Not Found"},
  };
  for (const Row& row : rows) {
    push(row.line);
    Kiv$RUN();
    EXPECT_EQ(Kiv$RUNCODE(), -4) << row.line;
    EXPECT_EQ(Kiv$ERRCODE, row.code) << row.line;
    EXPECT_EQ(errorText(), row.message) << row.line;
  }
  // A file that is not a program cannot be started either.
  writeAll(path("plain.txt"), "text");
  chmod(path("plain.txt").c_str(), 0755);
  push(path("plain.txt"));
  Kiv$RUN();
  EXPECT_EQ(Kiv$RUNCODE(), -4);
  EXPECT_EQ(Kiv$ERRCODE, 11);

  push("true");
  Kiv$RUN();
  EXPECT_EQ(Kiv$RUNCODE(), 0) << "a successful RUN clears RUNCODE";
  EXPECT_EQ(Kiv$ERRCODE, 0);
}

TEST_F(StartingPrograms, ChainStartsTheProgramAndEndsThisOne) {
  const std::string marker = path("chained");
  EXPECT_EXIT(
      {
        push("touch " + marker);
        Kiv$CHAIN();
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(appears(marker));
}

class Help : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    viewer_ = path("viewer.sh");
    writeAll(viewer_, "#!/bin/sh\necho \"$1\" > '" + path("opened") + "'\n");
    chmod(viewer_.c_str(), 0755);
    oldViewer_ = kiv::platform::setDesktopViewer(viewer_);
    kiv::env::setHelpShownListener([this](const std::string& k) { keywords_.push_back(k); });
  }
  void TearDown() override {
    kiv::platform::setDesktopViewer(oldViewer_);
    kiv::env::setHelpShownListener(nullptr);
    kiv::env::setHelpFile("");
    ScratchFolder::TearDown();
  }
  void help(const std::string& file, const std::string& keyword) {
    push(keyword);
    push(file);
    Kiv$HELP();
  }
  std::string opened() {
    if (!lineAppears(path("opened"))) return "(nothing opened)";
    std::string text = readAll(path("opened"));
    std::filesystem::remove(path("opened"));
    return text;
  }

  std::string viewer_, oldViewer_;
  std::vector<std::string> keywords_;
};

TEST_F(Help, NamingTheFileOpensNothingLaterRequestsOpenIt) {
  writeAll(path("APP.HLP"), "help");
  ASSERT_EQ(chdir(root_.c_str()), 0);
  help("APP.HLP  ", "");
  EXPECT_EQ(Kiv$ERRCODE, 0);
  EXPECT_EQ(kiv::env::helpFile(), "APP.HLP");
  EXPECT_EQ(opened(), "(nothing opened)");
  help("", "");  // the contents
  EXPECT_EQ(opened(), "./APP.HLP\n");
  help("", "Contents  ");
  EXPECT_EQ(opened(), "./APP.HLP\n");
  help("APP.HLP", "Index");  // a file and a keyword: opened on the keyword
  EXPECT_EQ(opened(), "./APP.HLP\n");
  EXPECT_EQ(keywords_, (std::vector<std::string>{"", "Contents", "Index"}));
  EXPECT_EQ(Kiv$StackDepth(), 0);
}

TEST_F(Help, BareNameIsAlsoFoundInTheWindowsDirectory) {
  std::filesystem::create_directories(windowsDir());
  writeAll(windowsDir() + "/WIN.HLP", "help");
  ASSERT_EQ(chdir(root_.c_str()), 0);
  help("WIN.HLP", "Index");
  EXPECT_EQ(opened(), windowsDir() + "/WIN.HLP\n");
}

TEST_F(Help, MissingFileOrViewerIsReportedNotFatal) {
  help(path("missing.hlp"), "Index");
  EXPECT_EQ(Kiv$ERRCODE, 302);
  EXPECT_EQ(errorText(), "File Not Found");

  writeAll(path("APP.HLP"), "help");
  kiv::platform::setDesktopViewer(path("no-viewer"));
  help(path("APP.HLP"), "Index");
  EXPECT_EQ(Kiv$ERRCODE, 302);
  EXPECT_TRUE(keywords_.empty());
}

}  // namespace
