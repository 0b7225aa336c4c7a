#include "runtime/platform/settings_dir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kiv::platform {
namespace {

std::string homeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

// Makes one folder; an existing folder is success.
bool makeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  errno = ENOTDIR;
  return false;
}

}  // namespace

std::string windowsDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : homeDirectory() + "/.config";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/kvrun32";
}

std::string mainSettingsFile() { return windowsDirectory() + "/WIN.INI"; }

std::string settingsFilePath(std::string_view fileName) {
  if (fileName.find('/') != std::string_view::npos) return std::string(fileName);
  return windowsDirectory() + "/" + std::string(fileName);
}

bool ensureWindowsDirectory() {
  std::string dir = windowsDirectory();
  for (size_t pos = 1; pos <= dir.size(); ++pos) {
    if (pos != dir.size() && dir[pos] != '/') continue;
    if (!makeFolder(dir.substr(0, pos))) return false;
  }
  return true;
}

}  // namespace kiv::platform
