// The update forms driven through their windows (offscreen): the font size of a label layout at
// the edges of 5 to 240, the toolbar's buttons and tips for an insert and a change, and a disk's
// automatic number when the catalog cannot take the new disk (warning 25).
#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <string>
#include <vector>

#include "app/browse/browse_controls.h"
#include "runtime/ui/automation.h"
#include "tests/app/app_test_support.h"
#include "tests/support/peer_program.h"

namespace au = kiv::ui::automation;

namespace {

using apptest::Boxes;
using apptest::waitFor;

uint64_t windowOf(const std::string& label) {
  uint64_t w = 0;
  waitFor([&] {
    for (int t = 2; t <= 8 && !w; ++t) w = au::findWindow(t, label, 0);
    return w != 0;
  });
  return w;
}

// A form is shown before its procedure has set its caption and displayed its record, and that
// display overwrites what was typed sooner: wait for the caption, then for the display.
void settled(uint64_t form) {
  waitFor([&] { return au::caption(form).find(" a Labels Record") != std::string::npos; });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

class Forms : public ::testing::Test {
 protected:
  void SetUp() override { setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1); }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
  kivtest::TempDir dir;
  Boxes boxes;
};

TEST_F(Forms, FontSizeFromFiveTo240) {
  struct Row {
    const char* typed;
    bool saved;
  };
  const Row rows[] = {{"4", false}, {"5", true}, {"240", true}, {"241", false}, {"0", false}};
  std::map<std::string, bool> saved;
  std::map<std::string, size_t> warnings;
  apptest::runTarrow([&] {
    const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    ASSERT_NE(frame, 0u);
    au::press(frame, -31);  // Reports > Disk Labels
    const uint64_t w = windowOf("BROWSELABELS$QUICKWINDOW");
    ASSERT_NE(w, 0u);
    int n = 0;
    for (const Row& r : rows) {
      au::press(w, labels_feq::Insert);
      const uint64_t form = windowOf("UPDATELABELS$QUICKWINDOW");
      ASSERT_NE(form, 0u);
      settled(form);
      const size_t before = boxes.shown.size();
      au::type(form, labels_feq::LabelType, "L" + std::to_string(++n));
      au::type(form, labels_feq::FontSize, r.typed);
      au::press(form, labels_feq::Ok);
      saved[r.typed] = au::waitClosed(form, 3000);
      warnings[r.typed] = boxes.shown.size() - before;
      if (!saved[r.typed]) {
        au::press(form, labels_feq::Cancel);
        au::waitClosed(form, 5000);
      }
    }
    au::press(w, labels_feq::Close);
    au::waitClosed(w, 5000);
    au::press(frame, -3);
    au::waitClosed(frame, 20000);
  });
  for (const Row& r : rows) {
    SCOPED_TRACE(r.typed);
    EXPECT_EQ(saved[r.typed], r.saved);
    EXPECT_EQ(warnings[r.typed], r.saved ? 0u : 1u);  // told once, not again by the OK
  }
  for (const auto& box : boxes.shown)
    EXPECT_EQ(box.text, "The value of Font Size must be between 5 and 240.");
  CatalogUse labels(Labels, LabelsUseCount);
  EXPECT_EQ(Labels.records(), 2);
}

TEST_F(Forms, TheToolbarOfInsertAndChange) {
  std::map<int32_t, bool> insertEnabled, changeEnabled;
  std::map<int32_t, std::string> insertTips, changeTips;
  {
    CatalogUse labels(Labels, LabelsUseCount);
    Labels.rec.clear();
    Labels.rec.LabelType = "SHEET";
    Labels.rec.FontSize = 10;
    Labels.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  apptest::runTarrow([&] {
    const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    au::press(frame, -31);
    const uint64_t w = windowOf("BROWSELABELS$QUICKWINDOW");
    ASSERT_NE(w, 0u);
    waitFor([&] { return au::rowCount(w, labels_feq::List) == 1; });
    for (bool insert : {true, false}) {
      au::press(w, insert ? labels_feq::Insert : labels_feq::Change);
      const uint64_t form = windowOf("UPDATELABELS$QUICKWINDOW");
      ASSERT_NE(form, 0u);
      settled(form);
      for (int32_t feq = 2000; feq <= 2012; ++feq) {
        (insert ? insertEnabled : changeEnabled)[feq] = au::shownEnabled(form, feq);
        (insert ? insertTips : changeTips)[feq] = au::shownTip(form, feq);
      }
      au::press(form, labels_feq::Cancel);
      au::waitClosed(form, 5000);
    }
    au::press(w, labels_feq::Close);
    au::waitClosed(w, 5000);
    au::press(frame, -3);
    au::waitClosed(frame, 20000);
  });
  for (int32_t feq = 2000; feq <= 2012; ++feq) {
    SCOPED_TRACE(feq);
    EXPECT_EQ(insertEnabled[feq], feq == 2000 || feq == 2008 || feq == 2011);
    EXPECT_EQ(changeEnabled[feq], (feq >= 2004 && feq <= 2009) || feq == 2000 || feq == 2011);
  }
  EXPECT_EQ(insertTips[2000], "Save record and add another");
  EXPECT_EQ(insertTips[2008], "Save record and add another");
  const std::map<int32_t, std::string> tips = {{2004, "Save changes and go to last record"},
                                               {2005, "Save changes and go to first record"},
                                               {2006, "Save changes and page down to record"},
                                               {2007, "Save changes and page up to record"},
                                               {2008, "Save changes and go to next record"},
                                               {2009, "Save changes and go to previous record"},
                                               {2000, "Save this record and add a new one"}};
  for (const auto& [feq, tip] : tips) EXPECT_EQ(changeTips[feq], tip) << feq;
}

// Another program holds DISKS with writing denied: the new disk's number cannot be taken
// (three attempts), warning 25 asks, and Cancel leaves the catalog as it was.
TEST_F(Forms, AutomaticNumberingThatFails) {
  {
    CatalogUse disks(Disks, DisksUseCount);
    Disks.rec.clear();
    Disks.rec.IdNum = 1;
    Disks.add();
    ASSERT_EQ(kiv::errorCode(), 0);
  }
  kivtest::Peer holder(dir.path(), {"hold", "DISKS", "0x22"}, "tarrow_station");
  ASSERT_EQ(holder.line(), "ready");
  boxes.answers = {KIV_BUTTON_RETRY, KIV_BUTTON_CANCEL};
  bool formOpened = true;
  apptest::runTarrow([&] {
    const uint64_t frame = au::findWindow(1, "MAIN$APPFRAME", 20000);
    au::press(frame, -11);
    const uint64_t w = windowOf("BROWSEDISK$QUICKWINDOW");
    ASSERT_NE(w, 0u);
    au::press(w, browsedisk_feq::NewDisk);
    waitFor([&] { return boxes.shown.size() >= 2; });
    formOpened = au::findWindow(3, "UPDATEDISKS$QUICKWINDOW", 1000) != 0 ||
                 au::findWindow(2, "UPDATEDISKS$QUICKWINDOW", 100) != 0;
    au::press(w, browsedisk_feq::Close);
    au::waitClosed(w, 5000);
    au::press(frame, -3);
    au::waitClosed(frame, 20000);
  });
  holder.say("\n");
  holder.wait();
  EXPECT_FALSE(formOpened);
  ASSERT_EQ(boxes.shown.size(), 2u);  // Retry numbers again, then Cancel
  for (const auto& box : boxes.shown) {
    EXPECT_EQ(box.caption, "Auto Increment Error");
    EXPECT_EQ(box.text.rfind("Attempts to automatically number this record have failed.", 0), 0u);
  }
  EXPECT_EQ(apptest::storedDisks().size(), 1u);
}

}  // namespace
