// Window positions kept in the settings file: restored after opening, saved before closing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/frame/window_position.h"
#include "include/kiv/ini.h"
#include "include/kiv/window.h"
#include "runtime/ui/run.h"

namespace fs = std::filesystem;

namespace {

const char* const kModule = "APPTEST.kvw$apptest";

class WindowPosition : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("winpos_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    file_ = (dir_ / "TARROW.INI").string();
    fs::remove(file_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void writeIni(const std::string& text) { std::ofstream(file_) << text; }
  std::string ini(const std::string& section, const std::string& entry) {
    return kiv::getIni(section, entry, "<none>", file_);
  }

  // Opens `label`, runs `body` with it open, and closes it.
  template <typename Body>
  void withWindow(const char* label, Body body) {
    kiv::ui::runProgram([&] {
      kiv::Window window(kiv::Window::Plain, kModule, label);
      window.open();
      body(window);
    });
  }

  fs::path dir_;
  std::string file_;
};

TEST_F(WindowPosition, NoSectionLeavesTheDescriptionsPlaceAndNormalSize) {
  writeIni("[Other]\nXPosit=5\nYPosit=6\nWidth=300\nHeight=200\nMaximize=Yes\n");
  withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
    kiv::Position before = w.position();
    RestorePosition(file_, "Main");
    kiv::Position after = w.position();
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(after.width, 420);
    EXPECT_EQ(after.height, 310);
    EXPECT_EQ(w.number(0, kiv::prop::Maximized), 0);
  });
}

TEST_F(WindowPosition, SavedPlaceComesBackInAFreshWindow) {
  withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
    w.setPosition(0, {111, 122, 533, 344});
    SavePosition(file_, "LogDisk");
  });
  EXPECT_EQ(ini("LogDisk", "XPosit"), "111");
  EXPECT_EQ(ini("LogDisk", "YPosit"), "122");
  EXPECT_EQ(ini("LogDisk", "Width"), "533");
  EXPECT_EQ(ini("LogDisk", "Height"), "344");
  EXPECT_EQ(ini("LogDisk", "Maximize"), "No");
  withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
    RestorePosition(file_, "LogDisk");
    kiv::Position p = w.position();
    EXPECT_EQ(p.x, 111);
    EXPECT_EQ(p.y, 122);
    EXPECT_EQ(p.width, 533);
    EXPECT_EQ(p.height, 344);
    EXPECT_EQ(w.number(0, kiv::prop::Maximized), 0);
  });
}

TEST_F(WindowPosition, MaximizedWindowSavesItsNormalPlaceAndComesBackMaximized) {
  withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
    w.setPosition(0, {90, 80, 400, 300});
    w.set(0, kiv::prop::Maximized, 1);
    SavePosition(file_, "EditNote");
  });
  EXPECT_EQ(ini("EditNote", "Maximize"), "Yes");
  EXPECT_EQ(ini("EditNote", "XPosit"), "90");
  EXPECT_EQ(ini("EditNote", "Width"), "400");
  withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
    RestorePosition(file_, "EditNote");
    EXPECT_EQ(w.number(0, kiv::prop::Maximized), 1);
  });
}

TEST_F(WindowPosition, IconizedWindowWritesNothing) {
  writeIni("[LogDisk]\nMaximize=No\nXPosit=15\nYPosit=25\nWidth=350\nHeight=250\n");
  withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
    w.setPosition(0, {200, 210, 220, 230});
    w.set(0, kiv::prop::Iconized, 1);
    ASSERT_EQ(w.number(0, kiv::prop::Iconized), 1);
    SavePosition(file_, "LogDisk");
  });
  EXPECT_EQ(ini("LogDisk", "XPosit"), "15");
  EXPECT_EQ(ini("LogDisk", "YPosit"), "25");
  EXPECT_EQ(ini("LogDisk", "Width"), "350");
  EXPECT_EQ(ini("LogDisk", "Height"), "250");
}

// Sections with a zero or missing value: which parts of the place are taken.
TEST_F(WindowPosition, ZeroValuesEndTheRestoreWhereTheyAreRead) {
  struct Row {
    const char* section;
    bool moves;
    bool maximized;
  };
  writeIni(
      "[NoX]\nXPosit=0\nYPosit=50\nWidth=300\nHeight=200\nMaximize=Yes\n"
      "[NoY]\nXPosit=40\nYPosit=0\nWidth=300\nHeight=200\nMaximize=Yes\n"
      "[NoWidth]\nXPosit=40\nYPosit=50\nHeight=200\nMaximize=No\n"
      "[NoHeight]\nXPosit=40\nYPosit=50\nWidth=300\nHeight=0\n"
      "[Full]\nXPosit=40\nYPosit=50\nWidth=300\nHeight=200\n");
  const Row rows[] = {{"NoX", false, false},
                      {"NoY", false, true},
                      {"NoWidth", false, false},
                      {"NoHeight", false, false},
                      {"Full", true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.section);
    withWindow("SIZABLE$WINDOW", [&](kiv::Window& w) {
      kiv::Position before = w.position();
      RestorePosition(file_, row.section);
      kiv::Position p = w.position();
      EXPECT_EQ(w.number(0, kiv::prop::Maximized), row.maximized ? 1 : 0);
      if (row.maximized) return;
      if (row.moves) {
        EXPECT_EQ(p.x, 40);
        EXPECT_EQ(p.y, 50);
        EXPECT_EQ(p.width, 300);
        EXPECT_EQ(p.height, 200);
      } else {
        EXPECT_EQ(p.x, before.x);
        EXPECT_EQ(p.y, before.y);
        EXPECT_EQ(p.width, before.width);
      }
    });
  }
}

TEST_F(WindowPosition, FixedSizeWindowMovesButKeepsItsSize) {
  writeIni("[GetParams]\nXPosit=140\nYPosit=150\nWidth=999\nHeight=888\n");
  withWindow("FIXED$WINDOW", [&](kiv::Window& w) {
    RestorePosition(file_, "GetParams");
    kiv::Position p = w.position();
    EXPECT_EQ(p.x, 140);
    EXPECT_EQ(p.y, 150);
    EXPECT_EQ(p.width, 300);
    EXPECT_EQ(p.height, 200);
  });
}

}  // namespace
