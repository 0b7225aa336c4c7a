#include "app/logging/adding_windows.h"

#include "app/browse/select_disk.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro011";
enum : int32_t { kCaption = 1, kBar = 2, kPercent = 3, kPath = 4 };

}  // namespace

AddingProgressWindows::ProgressWindow::ProgressWindow(const char* label)
    : window(kiv::Window::Mdi, kModule, label, &bar, &percentText, &path) {}

AddingProgressWindows::AddingProgressWindows() = default;

AddingProgressWindows::~AddingProgressWindows() {
  for (auto& w : windows_) w.reset();
}

bool AddingProgressWindows::selectDisk() { return SelectDisk(); }

void AddingProgressWindows::openProgress(Progress which, std::string_view caption) {
  auto& w = windows_[which];
  w.reset();
  w = std::make_unique<ProgressWindow>(which == Adding ? "ADDTOCATALOG$PROGWIN"
                                                       : "ADDTOCATALOG$PROGWIN2");
  w->window.open();
  w->window.setText(kCaption, caption);
  w->window.display();
  last_ = w.get();
}

void AddingProgressWindows::closeProgress(Progress which) {
  auto& w = windows_[which];
  if (!w) return;
  if (last_ == w.get()) {
    last_ = nullptr;
    for (auto& other : windows_)
      if (other && other != w) last_ = other.get();
  }
  w.reset();
}

void AddingProgressWindows::setCaption(std::string_view caption) {
  if (last_) last_->window.setText(kCaption, caption);
}

void AddingProgressWindows::setProgress(int32_t percent, std::string_view percentText) {
  if (!last_) return;
  last_->bar = percent;
  last_->percentText = percentText;
  last_->window.display(kBar, kPercent);
}

void AddingProgressWindows::setPath(std::string_view path) {
  if (!last_) return;
  last_->path = path;
  last_->window.display(kPath);
}

void AddingProgressWindows::busyCursor(bool busy) {
  kiv::setCursor(busy ? KIV_CURSOR_WAIT : KIV_CURSOR_ARROW);
}
