// Takes pictures of the real program at work, for looking at: the frame with its splash window,
// the logging window with a logged disk, and the progress window of a save. The disk is a tree
// of files made in a temporary folder and mapped to drive T:.
//
//   tarrow_screenshots OUTPUT_FOLDER [FILES]
//
// Run it under a real X server for pictures as a user sees them (xvfb-run -a tarrow_screenshots
// /tmp/shots); with no display it renders offscreen. It works in a scratch folder of its own, so
// no catalog is touched.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/frame/frame.h"
#include "app/logging/log_disk_window.h"
#include "runtime/platform/drive_map.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"

namespace {

namespace au = kiv::ui::automation;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string gOut;
int gFiles = 30000;
bool gOk = true;

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "tarrow_screenshots: %s\n", what);
  gOk = false;
}

void makeTree(const fs::path& root) {
  const char* kinds[] = {"Holiday", "Report", "Invoice", "Letter", "Scan", "Budget", "Notes"};
  const char* exts[] = {".jpg", ".docx", ".pdf", ".txt", ".png", ".xlsx", ".md"};
  for (int d = 0; d < 30; ++d) {
    fs::path dir = root / ("Album " + std::to_string(2000 + d)) / "Originals";
    fs::create_directories(dir);
    for (int i = 0; i < gFiles / 30; ++i) {
      std::ofstream(dir / (std::string(kinds[i % 7]) + " " + std::to_string(i) + exts[(i + d) % 7]))
          << std::string(static_cast<size_t>((i * 37) % 3000), 'x');
    }
  }
  std::ofstream(root / "README.TXT") << "Photos of the family\n";
  std::ofstream(root / ".hidden-settings") << "x";
}

template <typename F>
bool eventually(F condition, std::chrono::milliseconds limit = 60000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

void drive() {
  uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
  check(frame != 0, "no frame");
  if (!frame) return;
  check(au::findWindow(2, "SPLASHWINDOW$WINDOW", 20000) != 0, "no splash window");
  std::this_thread::sleep_for(1500ms);  // the status bar's first tick
  check(au::grab(frame, gOut + "/frame.png"), "frame picture");

  au::press(frame, frame_feq::LogDisks);
  uint64_t log = au::findWindow(3, "LOGDISK$WINDOW", 20000);
  check(log != 0, "no logging window");
  if (log) {
    using namespace logdisk_feq;
    // The window fills its drive list and selects the first drive once it is open.
    int32_t row = 0;
    eventually(
        [&] {
          for (int32_t r = 1; r <= au::rowCount(log, kDriveList); ++r) {
            if (au::cell(log, kDriveList, r, 1).rfind("T:", 0) == 0) row = r;
          }
          return row != 0 && au::shownChoice(log, kDriveList) == 1;
        },
        10000ms);
    check(row != 0, "drive T: not listed");
    for (int attempt = 0; attempt < 5 && au::shownChoice(log, kDriveList) != row; ++attempt) {
      au::pickRow(log, kDriveList, row);
      std::this_thread::sleep_for(150ms);
    }
    au::press(log, kLogButton);
    check(eventually([&] {
            return au::shown(log, kFileCount).find_first_of("123456789") != std::string::npos;
          }),
          "nothing logged");
    std::this_thread::sleep_for(800ms);
    check(au::grab(frame, gOut + "/logging.png"), "logging picture");
    au::press(log, kSaveArea);
    uint64_t progress = au::findWindow(3, "ADDTOCATALOG$PROGWIN", 20000);
    check(progress != 0, "no progress window");
    if (progress) {
      std::this_thread::sleep_for(600ms);
      check(au::grab(frame, gOut + "/progress.png"), "progress picture");
      au::waitClosed(progress, 120000);
    }
    au::requestClose(log);
    au::waitClosed(log);
  }
  au::press(frame, -3);
  au::waitClosed(frame);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarrow_screenshots OUTPUT_FOLDER [FILES]\n");
    return 2;
  }
  gOut = fs::absolute(argv[1]).string();
  if (argc > 2) gFiles = std::max(30, std::atoi(argv[2]));
  fs::create_directories(gOut);
  char scratch[] = "/tmp/tarrow-shots-XXXXXX";
  if (!mkdtemp(scratch)) return 2;
  fs::path work(scratch);
  fs::create_directories(work / "catalog");
  fs::create_directories(work / "config");
  makeTree(work / "disk");
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  if (chdir((work / "catalog").c_str()) != 0) return 2;
  kiv::platform::pinDrive('T', {(work / "disk").string(), "PHOTOS_2024", 0x1A2B3C4D});
  kiv::ui::runProgram([] {
    std::thread d(drive);
    TarrowProgram();
    Kiv$UNLOCKTHREAD();
    d.join();
    Kiv$LOCKTHREAD();
  });
  fs::remove_all(work);
  if (gOk) std::printf("pictures in %s\n", gOut.c_str());
  return gOk ? 0 : 1;
}
