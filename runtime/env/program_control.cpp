// The command line, the current directory and starting other programs.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/error_state.h"
#include "runtime/core/string_stack.h"
#include "runtime/env/command_line.h"
#include "runtime/platform/current_directory.h"
#include "runtime/platform/host_errors.h"
#include "runtime/platform/process.h"

namespace {

constexpr size_t kMaxPath = 143;
constexpr size_t kProgNameSize = 144;
constexpr size_t kMaxSelector = 255;
constexpr int32_t kRunFailed = -4;

int32_t gRunCode = 0;

// Pops the top with its trailing blanks removed.
std::string popClipped() {
  Kiv$StackCLIP();
  return kiv::core::popText();
}

// The platform's code for a program that could not be started: a missing folder in the
// program's name is "Path Not Found", a missing program "File Not Found".
uint32_t startFailureCode(int hostError, const std::vector<std::string>& args) {
  if (hostError == ENOENT && !args.empty()) {
    const std::string& program = args[0];
    size_t slash = program.rfind('/');
    struct stat st {};
    if (slash != std::string::npos && slash > 0 && stat(program.substr(0, slash).c_str(), &st) != 0)
      return 3;
  }
  return kiv::platform::platformErrorFromErrno(hostError);
}

}  // namespace

extern "C" {

void Kiv$PATH(void) {
  Kiv$clearerror();
  // The current directory as the program knows it: a drive path such as "C:\\TMP".
  if (std::optional<std::string> drivePath = kiv::platform::currentDrivePath()) {
    kiv::core::pushCopy(std::string_view(*drivePath).substr(0, kMaxPath));
    return;
  }
  char buffer[4096];
  if (!getcwd(buffer, sizeof buffer)) {
    kiv::platform::recordHostError(errno);
    Kiv$seterror(0);
    Kiv$PushNull();
    return;
  }
  kiv::core::pushCopy(std::string_view(buffer, strnlen(buffer, kMaxPath)));
}

void Kiv$SETPATH(void) {
  std::string dir = popClipped();
  Kiv$clearerror();
  // Drive paths and relative paths go through the drive map; a host path is entered as it is.
  bool entered = dir.empty() || dir[0] != '/' ? kiv::platform::changeDirectory(dir.c_str())
                                              : chdir(dir.c_str()) == 0;
  if (!entered) {
    if (dir.empty() || dir[0] == '/') kiv::platform::recordHostError(errno);
    Kiv$seterror(3);
  }
}

void Kiv$COMMAND(void) {
  std::string selector = popClipped();
  if (selector.size() > kMaxSelector) selector.resize(kMaxSelector);
  kiv::core::pushCopy(kiv::env::commandParameter(selector, kiv::env::commandTail()));
}

void Kiv$SETCOMMAND(void) { kiv::env::setCommandTail(popClipped()); }

void Kiv$PROGNAME(char* buffer) {
  if (!buffer) return;
  const std::string name = kiv::platform::executablePath();
  size_t n = std::min(name.size(), kProgNameSize - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
}

void Kiv$RUN(void) {
  const std::string line = popClipped();
  Kiv$clearerror();
  gRunCode = 0;
  const std::vector<std::string> args = kiv::env::splitCommandLine(line);
  if (int err = kiv::platform::startProgram(args); err != 0) {
    uint32_t code = startFailureCode(err, args);
    kiv::core::setPlatformError(code);
    gRunCode = kRunFailed;
    Kiv$seterror(int32_t(code));
  }
}

int32_t Kiv$RUNCODE(void) { return gRunCode; }

void Kiv$CHAIN(void) {
  Kiv$RUN();
  Kiv$PushNull();
  Kiv$HALT(0, 1);
}

}  // extern "C"
