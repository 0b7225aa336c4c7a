// Logs a drive as Log Disk does (probe, walk, sort by short name) and prints how long that took
// and every full path of the file list, one a line, for comparing with `find` (see
// compare_with_find.sh). Usage: bench_log_root [ROOT]   (ROOT defaults to C:\, the host's "/").
#include <chrono>
#include <cstdio>
#include <string>

#include "app/logging/drives.h"
#include "app/logging/logged_disk.h"
#include "app/logging/walk.h"
#include "runtime/platform/message_box.h"

int main(int argc, char** argv) {
  kiv::platform::setMessageBoxHandler([](const kiv::platform::MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.c_str(), r.text.c_str());
    return kiv::platform::defaultAnswer(r);
  });
  const std::string root = argc > 1 ? argv[1] : "C:\\";
  const std::string entry = root + " [" + std::string(DriveTypeName(DriveTypeNumber(root))) + "]";
  const auto start = std::chrono::steady_clock::now();
  if (!LogDrive(entry)) return 1;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "logged %d files in %.3f s; %d folders left out\n", int(Logged.FileCount),
               seconds, int(Logged.Walk.skipped));
  for (const std::string& p : Logged.Walk.skippedPaths)
    std::fprintf(stderr, "  left out: %s\n", p.c_str());
  for (int32_t i = 1; i <= FileList.records(); ++i) {
    FileList.get(i);
    const std::string_view path = FileList.rec.FullPath.clipped();
    std::fwrite(path.data(), 1, path.size(), stdout);
    std::fputc('\n', stdout);
  }
  return 0;
}
