// tarrow's program entry: register with the runtime, check its version, then either run a
// command of the command line (any words after the program's name) or the desktop program
// (Main on runtime thread 1 while this thread serves the windows), and close down.
#include "app/cli/command_line.h"
#include "app/frame/frame.h"
#include "app/frame/window_position.h"
#include "include/kvrun32.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

const KivInitEntry kInitialisers[] = {
    {255, [](int32_t) { Kiv$init(); }, nullptr},
};

KivModule gModule = {nullptr,
                     std::begin(kInitialisers),
                     std::end(kInitialisers),
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr,
                     nullptr};

}  // namespace

int main(int argc, char** argv) {
  __sysinit(&gModule, nullptr);
  if (__checkversion(258, 3, 0) == 0) _exit(0);
  if (argc > 1) {
    Kiv$code();
    SettingsFileName = "TARROW.INI";
    _exit(cli::runCommandLine(std::vector<std::string>(argv + 1, argv + argc)));
  }
  Wsl$Run(TarrowProgram);
  Wsl$CloseDown();
  _exit(0);
}
