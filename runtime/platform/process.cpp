#include "runtime/platform/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

extern char** environ;

namespace kiv::platform {
namespace {

std::mutex gViewerMutex;
std::string gViewer;  // empty: xdg-open

}  // namespace

std::vector<std::string> processArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  for (size_t start = 0; start < all.size();) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

std::string executablePath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, size_t(n)) : std::string();
}

int startProgram(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return ENOENT;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  // Like the platform, a bare program name is looked for in the current folder before PATH.
  const bool inCurrentFolder =
      argv[0].find('/') == std::string::npos && access(argv[0].c_str(), X_OK) == 0;
  const std::string local = "./" + argv[0];
  int err = inCurrentFolder
                ? posix_spawn(&pid, local.c_str(), nullptr, nullptr, args.data(), environ)
                : posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
  if (err != 0) return err;
  // Nobody waits for the program; this thread collects its exit status so it leaves no zombie.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return 0;
}

int openWithDesktop(const std::string& document) {
  std::string viewer;
  {
    std::lock_guard<std::mutex> lock(gViewerMutex);
    viewer = gViewer.empty() ? "xdg-open" : gViewer;
  }
  return startProgram({viewer, document});
}

std::string setDesktopViewer(std::string program) {
  std::lock_guard<std::mutex> lock(gViewerMutex);
  std::swap(gViewer, program);
  return program;
}

}  // namespace kiv::platform
