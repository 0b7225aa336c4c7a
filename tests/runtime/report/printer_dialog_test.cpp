// The platform's own printer dialog: shown on the GUI thread while the report's thread waits,
// and cancelled by the user, it leaves the printer set-up as it was.
#include <QApplication>
#include <QDialog>

#include <chrono>
#include <thread>

#include "report_support.h"

namespace {

TEST(PrinterDialog, ThePlatformsDialogComesUpAndCancelLeavesTheSetUp) {
  kiv::report::printerSetup() = {true, "Before"};
  int32_t chosen = -1;
  std::string after;
  std::atomic<bool> seen{false};
  kiv::ui::runProgram([&] {
    std::thread user([&] {
      for (int i = 0; i < 200 && !seen; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QMetaObject::invokeMethod(
            qApp,
            [&] {
              if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                seen = true;
                dialog->reject();
              }
            },
            Qt::BlockingQueuedConnection);
      }
    });
    chosen = Kiv$PRINTERDIALOG();
    after = kiv::report::printerSetup().printer;
    Kiv$UNLOCKTHREAD();
    user.join();
    Kiv$LOCKTHREAD();
  });
  kiv::report::printerSetup() = {};
  EXPECT_TRUE(seen);
  EXPECT_EQ(chosen, 0);
  EXPECT_EQ(after, "Before");
}

}  // namespace
