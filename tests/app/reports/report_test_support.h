// Shared pieces of the report tests: a small catalog written straight into the tables, a report
// procedure run on a thread of its own beside a driver, windows found on any thread, and the
// recorded pages of a preview read back with the texts each control drew.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/reports/reports.h"
#include "runtime/report/page_output.h"
#include "runtime/ui/automation.h"
#include "tests/app/app_test_support.h"

namespace reporttest {

namespace au = kiv::ui::automation;
using apptest::waitFor;

// Controls of the preview window.
enum : int32_t {
  kPrint = 2,
  kExit = 3,
  kPagesMenu = 4,
  kNext = 5,
  kPrevious = 6,
  kJump = 7,
  kChangeDisplay = 8,
  kZoomNone = 10,
  kZoomPageWidth = 11,
  kZoom100 = 14,
  kPrintButton = 17,
  kExitButton = 18,
  kZoomButton = 19,
  kPageSpin = 20,
  kAcrossSpin = 21,
  kDownSpin = 22,
  kPageImage = 102,
  kFrames = 104,
  kThumbnails = 204
};
inline constexpr const char* kPreview = "REPORTPREVIEW$PREVIEW:WINDOW";

// A window with the label on any thread, waiting for it; 0 if none came.
inline uint64_t findAnyWindow(const std::string& label, int ms = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    for (int thread = 1; thread <= 12; ++thread)
      if (uint64_t w = au::findWindow(thread, label, 0)) return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < end);
  return 0;
}

struct Disk {
  Disk(int32_t id, std::string label, std::string category, uint64_t total, uint64_t free,
       std::string serial = "1234-ABCD", std::string type = "F", int32_t files = 0)
      : id(id),
        label(std::move(label)),
        category(std::move(category)),
        total(total),
        free(free),
        serial(std::move(serial)),
        type(std::move(type)),
        files(files) {}
  int32_t id;
  std::string label, category;
  uint64_t total, free;
  std::string serial, type;
  int32_t files;
};

struct File {
  File(int32_t disk, std::string name, uint64_t size = 0, std::string path = {})
      : disk(disk), name(std::move(name)), size(size), path(std::move(path)) {}
  int32_t disk;
  std::string name;
  uint64_t size;
  std::string path;
  int32_t date = 71694, time = 3600001;  // 13 April 1997, 10:00
  std::string attrib = "A";
  std::string comment;
};

inline void addDisks(const std::vector<Disk>& disks) {
  CatalogUse use(Disks, DisksUseCount);
  for (const Disk& d : disks) {
    Disks.rec.clear();
    Disks.rec.IdNum = d.id;
    Disks.rec.Label = d.label;
    Disks.rec.Category = d.category;
    Disks.rec.TotalBytes.setWhole(d.total);
    Disks.rec.FreeSpace.setWhole(d.free);
    Disks.rec.SerialNo = d.serial;
    Disks.rec.Type = d.type;
    Disks.rec.Files = d.files;
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
  }
}

inline void addFiles(const std::vector<File>& files) {
  CatalogUse use(Files, FilesUseCount);
  Files.stream();
  for (const File& f : files) {
    Files.rec.clear();
    Files.rec.DiskId = f.disk;
    Files.rec.ShortName = f.name;
    Files.rec.DisplayDate = f.date;
    Files.rec.DisplayTime = f.time;
    Files.rec.Size.setWhole(f.size);
    Files.rec.Attrib = f.attrib;
    Files.rec.Path = f.path.empty() ? "C:\\" + f.name : f.path;
    Files.rec.Comment = f.comment;
    Files.add();
    ASSERT_EQ(kiv::errorCode(), 0) << kiv::error();
  }
  Files.flush();
}

inline void addCategories(const std::vector<std::string>& names) {
  CatalogUse use(Category, CategoryUseCount);
  for (const std::string& n : names) {
    Category.rec.Name = n;
    Category.add();
  }
}

// Runs `procedure` on a thread of its own while `driver` acts through the automation interface;
// returns when both have ended.
inline std::function<void()>& procedureToRun() {
  static std::function<void()> p;
  return p;
}
inline void runReport(std::function<void()> procedure, const std::function<void()>& driver) {
  static std::atomic<bool> done{false};
  done = false;
  procedureToRun() = std::move(procedure);
  kiv::ui::runProgram([&] {
    ASSERT_GT(Kiv$START(
                  [] {
                    procedureToRun()();
                    done = true;
                  },
                  25000),
              0);
    Kiv$UNLOCKTHREAD();
    driver();
    waitFor([&] { return done.load(); }, 60000);
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
  EXPECT_TRUE(done) << "the report procedure did not end";
}

// The recorded pages of the preview, read from the name of the page its first slot shows (the
// pages of one report are numbered in their names).
inline std::vector<kiv::report::PagePtr> pagesOf(uint64_t preview) {
  std::vector<kiv::report::PagePtr> pages;
  std::string first;
  waitFor([&] {
    first = au::shownImageName(preview, kThumbnails);
    if (first.empty()) first = au::shownImageName(preview, kPageImage);
    return !first.empty();
  });
  const size_t at = first.find(".PAGE");
  if (at == std::string::npos) return pages;
  for (int n = 1;; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, "%05d", n);
    kiv::report::PagePtr p = kiv::report::findPage(first.substr(0, at + 5) + number);
    if (!p) break;
    pages.push_back(p);
  }
  return pages;
}

// The texts a control drew on a page, in order, trimmed.
inline std::vector<std::string> textsOf(const kiv::report::RecordedPage& page, int32_t feq) {
  std::vector<std::string> out;
  for (const auto& r : page.records) {
    if (r.feq != feq || r.kind != kiv::report::DrawRecord::Kind::Text) continue;
    std::string t = r.text;
    t.erase(0, t.find_first_not_of(' '));
    t.erase(t.find_last_not_of(' ') + 1);
    out.push_back(t);
  }
  return out;
}
inline std::vector<std::string> textsOf(const std::vector<kiv::report::PagePtr>& pages,
                                        int32_t feq) {
  std::vector<std::string> out;
  for (const auto& p : pages) {
    std::vector<std::string> t = textsOf(*p, feq);
    out.insert(out.end(), t.begin(), t.end());
  }
  return out;
}

// Runs a shell command and gives its output.
inline std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

// The PDF files in a folder.
inline std::vector<std::string> pdfFiles(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().extension() == ".pdf") out.push_back(e.path().filename().string());
  return out;
}

// Leaves the preview with Exit.
inline void exitPreview(uint64_t preview) {
  EXPECT_TRUE(au::press(preview, kExit));
  EXPECT_TRUE(au::waitClosed(preview, 10000));
}

// The catalog folder as the current directory, with settings of its own and a home folder
// where reports are printed into PDF files by default.
class CatalogFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.path() + "/config/kvrun32");
    setenv("XDG_CONFIG_HOME", (dir.path() + "/config").c_str(), 1);
    const char* home = std::getenv("HOME");
    home_ = home ? home : "";
    setenv("HOME", dir.path().c_str(), 1);  // where a report is printed to PDF by default
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", home_.c_str(), 1);
  }
  bool exists(const std::string& name) { return std::filesystem::exists(dir.path() + "/" + name); }

  kivtest::TempDir dir;
  std::string home_;
};

// ... with message boxes answered by script.
class ReportTest : public CatalogFolder {
 protected:
  apptest::Boxes boxes;
};

}  // namespace reporttest
