// The windows of adding a disk to the catalog: the two progress windows and the disk picker.
#pragma once

#include <memory>

#include "app/logging/add_to_catalog.h"
#include "include/kiv/kiv.h"
#include "include/kiv/window.h"

class AddingProgressWindows : public AddingWindows {
 public:
  AddingProgressWindows();
  ~AddingProgressWindows() override;

  bool selectDisk() override;
  void openProgress(Progress window, std::string_view caption) override;
  void closeProgress(Progress window) override;
  void setCaption(std::string_view caption) override;
  void setProgress(int32_t percent, std::string_view percentText) override;
  void setPath(std::string_view path) override;
  void busyCursor(bool busy) override;

 private:
  // One progress window: caption line, bar 0..100, percent text and path line.
  struct ProgressWindow {
    explicit ProgressWindow(const char* label);
    kiv::Long bar;
    kiv::String<4> percentText;
    kiv::String<260> path;
    kiv::Window window;
  };

  std::unique_ptr<ProgressWindow> windows_[3];
  ProgressWindow* last_ = nullptr;  // the window opened last
};
