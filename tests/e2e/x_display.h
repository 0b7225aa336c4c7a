// The real display a user has: an X server (Xvfb) with a small window manager (openbox), input
// delivered through the server (xdotool moves the real pointer and presses real keys), and
// pictures read back from the server's screen (xwd -root), never grabbed from a widget.
//
// One display serves a whole test process: the first test starts it, and the program's windows
// use it through the xcb platform.
#pragma once

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/ui/automation.h"

extern char** environ;

namespace e2e {

namespace au = kiv::ui::automation;

// Runs a program with arguments and waits for it; gives its exit status (-1 when it could not
// be started).
inline int runProgram(const std::vector<std::string>& argv, std::string* output = nullptr) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int out[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output && pipe(out) == 0) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
  }
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (out[1] >= 0) close(out[1]);
  if (rc != 0) {
    if (out[0] >= 0) close(out[0]);
    return -1;
  }
  if (output) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) output->append(buffer, size_t(n));
    close(out[0]);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Xvfb and openbox for this process; DISPLAY and the xcb platform are set for the program.
class XDisplay {
 public:
  static XDisplay& instance() {
    static XDisplay* display = new XDisplay;
    return *display;
  }
  bool ready() const { return ready_; }
  const std::string& name() const { return name_; }

 private:
  XDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> argv = {"Xvfb", "-displayfd",  fd,          "-screen",
                                     "0",    "1280x900x24", "-nolisten", "tcp"};
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawnp(&server_, "Xvfb", nullptr, nullptr, args.data(), environ) != 0) return;
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    name_ = ":" + number;
    setenv("DISPLAY", name_.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    char* wm[] = {const_cast<char*>("openbox"), nullptr};
    if (posix_spawnp(&manager_, "openbox", nullptr, nullptr, wm, environ) != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ready_ = true;
    std::atexit([] {
      XDisplay& d = instance();
      if (d.manager_ > 0) kill(d.manager_, SIGTERM);
      if (d.server_ > 0) kill(d.server_, SIGTERM);
    });
  }

  bool ready_ = false;
  std::string name_;
  pid_t server_ = 0, manager_ = 0;
};

// Real input through the display server.
inline void moveTo(const au::Geometry& g) {
  runProgram({"xdotool", "mousemove", "--sync", std::to_string(g.x + g.width / 2),
              std::to_string(g.y + g.height / 2)});
}
inline void click(const au::Geometry& g) {
  moveTo(g);
  runProgram({"xdotool", "click", "1"});
}
inline void typeText(const std::string& text) {
  runProgram({"xdotool", "type", "--delay", "40", text});
}
inline void key(const std::string& name) { runProgram({"xdotool", "key", name}); }

// Waits for `where` to give a place that holds still (a window manager may still move a window
// it has just mapped), then clicks its middle; false when it never came.
template <typename F>
bool clickWhenShown(F where, int timeoutMs = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::optional<au::Geometry> before;
  for (;;) {
    std::optional<au::Geometry> g = where();
    if (g && before && g->x == before->x && g->y == before->y && g->width == before->width &&
        g->height == before->height) {
      click(*g);
      return true;
    }
    before = g;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
  }
}

// A picture of the whole screen as the X server has it.
struct Screen {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB, row by row

  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Distinct colours in a rectangle, and pixels darker than a text colour would be.
  size_t colours(const au::Geometry& g) const;
  size_t darkPixels(const au::Geometry& g) const;
  bool savePng(const std::string& path) const;
};

// Reads the screen with xwd -root; nothing when xwd failed or wrote something unreadable.
std::optional<Screen> captureScreen();

// Where the pictures of a test run go: $KIV_E2E_SHOTS, else build-folder/e2e-shots.
std::string shotsFolder();

}  // namespace e2e
