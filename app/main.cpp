// tarrow's program entry: register with the runtime, check its version, run Main, close down.
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
  Kiv$code();
  Wsl$CloseDown();
  _exit(0);
}
