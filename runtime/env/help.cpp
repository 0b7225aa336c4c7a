// HELP: the help file opens with the desktop's viewer. A viewer cannot be asked for a keyword,
// so a keyword opens the same file; the window layer still learns which keyword was asked for.
#include "runtime/env/help.h"

#include <sys/stat.h>

#include <cerrno>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/process.h"
#include "runtime/platform/settings_dir.h"

namespace kiv::env {
namespace {

std::string gHelpFile;
std::function<void(const std::string&)> gListener;

bool isFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

void reportFailure(int hostError) {
  kiv::platform::recordHostError(hostError);
  Kiv$seterror(0);
}

}  // namespace

const std::string& helpFile() { return gHelpFile; }

void setHelpFile(std::string_view name) { gHelpFile = name; }

std::string locateHelpFile(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return isFile(name) ? name : std::string();
  for (const std::string& folder : {std::string("."), folderOf(kiv::platform::executablePath()),
                                    kiv::platform::windowsDirectory()}) {
    std::string candidate = folder + "/" + name;
    if (isFile(candidate)) return candidate;
  }
  return {};
}

bool showHelp(const std::string& keyword) {
  const std::string path = locateHelpFile(gHelpFile);
  if (path.empty()) {
    reportFailure(ENOENT);
    return false;
  }
  if (int err = kiv::platform::openWithDesktop(path); err != 0) {
    reportFailure(err);
    return false;
  }
  if (gListener) gListener(keyword);
  return true;
}

void setHelpShownListener(std::function<void(const std::string&)> listener) {
  gListener = std::move(listener);
}

}  // namespace kiv::env

extern "C" void Kiv$HELP(void) {
  Kiv$StackCLIP();
  std::string file = kiv::core::popText();
  Kiv$StackCLIP();
  std::string keyword = kiv::core::popText();
  Kiv$clearerror();
  if (!file.empty()) kiv::env::setHelpFile(file);
  // Naming the help file alone opens nothing; no file and no keyword opens the contents.
  if (!file.empty() && keyword.empty()) return;
  kiv::env::showHelp(keyword);
}
