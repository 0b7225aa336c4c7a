// A second station on a catalog: another tarrow process that changes a disk while the tests'
// program holds it in a form.
//
//   tarrow_station FOLDER set-label ID LABEL   the disk's label changed through DISKS alone
//   tarrow_station FOLDER form ID LABEL        the real program: Browse Disks, the disk's row
//                                              double-clicked, LABEL typed into its form, OK
//   tarrow_station FOLDER hold TABLE MODE      DISKS or FILES opened with MODE (0x22: writing
//                                              denied to others); says "ready" (or "open N"
//                                              on error N) and holds it until a line arrives
//
// Prints "saved" when the change is in the catalog (and the program has ended), or a line
// saying what went wrong; its exit status is 0 only after "saved".
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/browse/browse_controls.h"
#include "app/frame/frame.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/kiv.h"
#include "runtime/platform/message_box.h"
#include "runtime/ui/automation.h"
#include "runtime/ui/run.h"
#include "runtime/ui/threads.h"

namespace {

namespace au = kiv::ui::automation;

bool waitFor(const auto& done, int ms = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done() && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return done();
}

std::string labelOf(int32_t id) {
  CatalogUse disks(Disks, DisksUseCount);
  Disks.rec.clear();
  Disks.rec.IdNum = id;
  Disks.get(Disks.ByIdNum);
  return kiv::errorCode() ? "<none>" : Disks.rec.Label.str();
}

int setLabel(int32_t id, const std::string& label) {
  CatalogUse disks(Disks, DisksUseCount);
  Disks.rec.clear();
  Disks.rec.IdNum = id;
  Disks.get(Disks.ByIdNum);
  if (kiv::errorCode()) return std::printf("no disk %d\n", id), 1;
  Disks.rec.Label = label;
  Disks.put();
  if (kiv::errorCode()) return std::printf("error %d\n", kiv::errorCode()), 1;
  std::printf("saved\n");
  return 0;
}

int changeInTheForm(int32_t id, const std::string& label) {
  std::string failure;
  kiv::ui::runProgram([&] {
    std::thread driver([&] {
      const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
      au::press(frame, -11);  // "Browse &Disks"
      uint64_t browse = 0;
      waitFor([&] {
        for (int t = 2; t <= 4 && !browse; ++t)
          browse = au::findWindow(t, "BROWSEDISK$QUICKWINDOW", 0);
        return browse != 0;
      });
      int32_t row = 0;
      waitFor([&] {
        for (int32_t r = 1; r <= au::rowCount(browse, 1) && !row; ++r)
          if (std::atoi(au::cell(browse, 1, r, 1).c_str()) == id) row = r;
        return row != 0;
      });
      uint64_t form = 0;
      if (row) {
        au::pickRow(browse, 1, row);
        au::press(browse, browsedisk_feq::Change);
        for (int t = 2; t <= 4 && !form; ++t)
          form = au::findWindow(t, "UPDATEDISKS$QUICKWINDOW", t == 2 ? 10000 : 500);
      }
      if (!form) {
        failure = "no form";
      } else {
        au::type(form, updatedisks_feq::Label, label);
        au::press(form, updatedisks_feq::Ok);
        if (!au::waitClosed(form, 15000)) failure = "the form stayed open";
      }
      if (browse) {
        au::press(browse, browsedisk_feq::Close);
        au::waitClosed(browse, 10000);
      }
      au::press(frame, -3);
      au::waitClosed(frame, 20000);
    });
    TarrowProgram();
    Kiv$UNLOCKTHREAD();
    driver.join();
    while (kiv::ui::slotsInUse() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Kiv$LOCKTHREAD();
  });
  if (failure.empty() && labelOf(id) != label) failure = "label not written: " + labelOf(id);
  if (!failure.empty()) return std::printf("%s\n", failure.c_str()), 1;
  std::printf("saved\n");
  return 0;
}

// Holds a catalog table the way another program would, with the catalog's own layout.
int hold(const std::string& table, int32_t mode) {
  kiv::Table* held = table == "DISKS"   ? static_cast<kiv::Table*>(&Disks)
                     : table == "FILES" ? static_cast<kiv::Table*>(&Files)
                                        : nullptr;
  if (!held) return std::printf("no table %s\n", table.c_str()), 2;
  held->open(mode);
  if (kiv::errorCode()) return std::printf("open %d\n", kiv::errorCode()), 1;
  std::printf("ready\n");
  char line[16];
  if (!std::fgets(line, sizeof line, stdin)) {
    // The test has gone: nothing more to hold for.
  }
  held->close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 5 || chdir(argv[1]) != 0) return 2;
  const std::string mode = argv[2];
  // A box shown on the way is told on stderr and answered with its default.
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  if (mode == "hold") return hold(argv[3], int32_t(std::strtol(argv[4], nullptr, 0)));
  const int32_t id = std::atoi(argv[3]);
  if (mode == "set-label") return setLabel(id, argv[4]);
  if (mode == "form") return changeInTheForm(id, argv[4]);
  return 2;
}
