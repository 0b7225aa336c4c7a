// Shared pieces of the application tests: message boxes answered by script and recorded, a fresh
// current directory per test, files with given times, and the real program run beside a driver.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/frame/frame.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "runtime/platform/drive_map.h"
#include "runtime/platform/message_box.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"
#include "tests/support/catalog_tables.h"

namespace apptest {

using kiv::platform::MessageBoxRequest;

// Records every message box; answers with the scripted buttons in order, then with defaults.
class Boxes {
 public:
  Boxes() {
    old_ = kiv::platform::setMessageBoxHandler([this](const MessageBoxRequest& r) {
      shown.push_back(r);
      if (answers.empty()) return kiv::platform::defaultAnswer(r);
      uint32_t a = answers.front();
      answers.pop_front();
      return a;
    });
  }
  ~Boxes() { kiv::platform::setMessageBoxHandler(old_); }
  Boxes(const Boxes&) = delete;

  std::vector<MessageBoxRequest> shown;
  std::deque<uint32_t> answers;

 private:
  kiv::platform::MessageBoxHandler old_;
};

// A box handler for child processes that prints each box (caption and text) to stderr and
// answers with `answer` (0 = the default button).
inline void answerInChild(uint32_t answer) {
  kiv::platform::setMessageBoxHandler([answer](const MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return answer ? answer : kiv::platform::defaultAnswer(r);
  });
}

// A drive letter that nothing is mapped to, from Y down; 0 when none is free.
inline char freeLetter() {
  for (char l = 'Y'; l > 'C'; --l)
    if (!kiv::platform::driveOf(l)) return l;
  return 0;
}

// Local calendar time to a host time.
inline time_t localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

inline void writeFile(const std::filesystem::path& p, size_t bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p) << std::string(bytes, 'x');
}

inline void setModified(const std::filesystem::path& p, time_t when, long nanoseconds) {
  timespec times[2] = {{when, nanoseconds}, {when, nanoseconds}};
  utimensat(AT_FDCWD, p.c_str(), times, 0);
}

// Waits until `done` holds, at most `ms` milliseconds; gives whether it held.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

// Runs the real program on thread 1 (the test's thread serves the windows) and `driver` on a
// thread of its own, acting through the automation interface; the driver must end the program.
// Returns once the program and every thread it started have ended.
inline void runTarrow(const std::function<void()>& driver) {
  namespace au = kiv::ui::automation;
  kiv::ui::runProgram([&] {
    std::thread d([&] {
      driver();
      // A driver that stopped early (a failed assertion) still ends the program: message boxes
      // are answered and the frame is asked to close until it has gone.
      const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 0);
      for (int i = 0; frame && au::isOpen(frame) && i < 100; ++i) {
        for (uint32_t b : {KIV_BUTTON_CANCEL, KIV_BUTTON_NO, KIV_BUTTON_OK})
          au::answerMessageBox(b, 0);
        au::requestClose(frame);
        au::waitClosed(frame, 200);
      }
      // A window a started thread still shows (a report's preview after a failed assertion)
      // would keep the program from ending: it is closed, and the test fails instead of hanging.
      if (!waitFor([] { return kiv::ui::slotsInUse() == 0; }, 30000)) {
        ADD_FAILURE() << "windows were left open after the program's frame had closed";
        for (int round = 0; round < 100 && kiv::ui::slotsInUse() > 0; ++round) {
          for (int thread = 2; thread <= kiv::ui::kThreadSlots; ++thread)
            if (uint64_t w = au::findWindow(thread, {}, 0)) au::requestClose(w);
          waitFor([] { return kiv::ui::slotsInUse() == 0; }, 200);
        }
      }
    });
    TarrowProgram();
    Kiv$UNLOCKTHREAD();
    d.join();
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
}

// Gives the catalogued file of `path` the comment `comment`, through the FILES table.
inline void setFileComment(const std::string& path, const std::string& comment) {
  CatalogUse use(Files, FilesUseCount);
  Files.set(Files.ByDiskId);
  for (Files.next(); kiv::errorCode() == 0; Files.next()) {
    if (Files.rec.Path.str() != path) continue;
    Files.rec.Comment = comment;
    Files.put();
    ASSERT_EQ(kiv::errorCode(), 0);
    return;
  }
  FAIL() << path;
}

// A FILES record as the tests check it.
struct StoredFile {
  int32_t disk, displayDate, displayTime;
  uint64_t size;
  std::string shortName, attrib, type, longName, comment;
  int deleteFlag;
};

// Every FILES record, by path.
inline std::map<std::string, StoredFile> storedFiles() {
  std::map<std::string, StoredFile> files;
  CatalogUse use(Files, FilesUseCount);
  Files.set(Files.ByDiskId);
  for (Files.next(); kiv::errorCode() == 0; Files.next()) {
    FilesRecord& f = Files.rec;
    files[f.Path.str()] = {f.DiskId,          f.DisplayDate,  f.DisplayTime, f.Size.whole(),
                           f.ShortName.str(), f.Attrib.str(), f.Type.str(),  f.LongName.str(),
                           f.Comment.str(),   f.DeleteFlag};
  }
  Kiv$clearerror();
  return files;
}

// Every DISKS record, by ID number.
inline std::vector<DisksRecord> storedDisks() {
  std::vector<DisksRecord> disks;
  CatalogUse use(Disks, DisksUseCount);
  Disks.set(Disks.ByIdNum);
  for (Disks.next(); kiv::errorCode() == 0; Disks.next()) disks.push_back(Disks.rec);
  Kiv$clearerror();
  return disks;
}

}  // namespace apptest
