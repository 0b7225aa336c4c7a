// The splash window shown at start, and the about box of the Help menu.
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame/frame.h"
#include "include/kiv/window.h"

namespace {

// The release this program is: 13 April 1997.
constexpr int32_t kReleaseDate = 71694;

}  // namespace

// "Version 1.2  Release 70413": the year's last digit, the month and the day of the release.
std::string ReleaseText() {
  return "Version 1.2  Release " + std::to_string(Kiv$YEAR(kReleaseDate) % 10) +
         kiv::format(Kiv$MONTH(kReleaseDate), "@n02") + kiv::format(Kiv$DAY(kReleaseDate), "@n02");
}

void SplashWindow() {
  constexpr int32_t kVersion = 4;
  kiv::Window window(kiv::Window::Mdi, kFrameModule, "SPLASHWINDOW$WINDOW");
  window.open();
  window.set(0, kiv::prop::Timer, 500);
  // The mouse buttons close it: keycodes 1, 5 and 2.
  window.set(0, kiv::prop::AlertKey, 1, 255);
  window.set(0, kiv::prop::AlertKey, 5, 254);
  window.set(0, kiv::prop::AlertKey, 2, 253);
  window.setText(kVersion, ReleaseText());
  for (kiv::Event& event : window.events()) {
    if (event.is(kiv::event::Timer)) {
      window.post(kiv::event::CloseWindow);
    } else if (event.is(kiv::event::AlertKey)) {
      int32_t key = event.keycode();
      if (key == 1 || key == 2 || key == 5) window.post(kiv::event::CloseWindow);
    }
  }
}

void AboutBox() {
  constexpr int32_t kVersion = 3, kOk = 6;
  kiv::Window window(kiv::Window::Mdi, kFrameModule, "ABOUT$WINDOW");
  window.open();
  window.setText(kVersion, ReleaseText());
  for (kiv::Event& event : window.events()) {
    if (event.accepted(kOk)) window.post(kiv::event::CloseWindow);
  }
}
