// tarrow's program entry: register with the runtime, check its version, run the program (Main
// on runtime thread 1 while this thread serves the windows), close down.
#include "app/frame/frame.h"
#include "include/kvrun32.h"

#include <iterator>

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

int main() {
  __sysinit(&gModule, nullptr);
  if (__checkversion(258, 3, 0) == 0) _exit(0);
  Wsl$Run(TarrowProgram);
  Wsl$CloseDown();
  _exit(0);
}
