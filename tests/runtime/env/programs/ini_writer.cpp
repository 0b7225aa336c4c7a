// Writes COUNT entries "<prefix><n>=<n>" into section [Shared] of FILE through PUTINI, one
// statement per entry, as a program of its own would.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "include/kvrun32.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: ini_writer FILE PREFIX COUNT\n");
    return 2;
  }
  const std::string file = argv[1], prefix = argv[2];
  const int count = std::atoi(argv[3]);
  for (int n = 0; n < count; ++n) {
    const std::string key = prefix + std::to_string(n), value = std::to_string(n);
    Kiv$PushString(file.data(), uint32_t(file.size()));
    Kiv$PushString(value.data(), uint32_t(value.size()));
    Kiv$PushString(key.data(), uint32_t(key.size()));
    Kiv$PushCString("Shared");
    Kiv$PUTINI(0, 0);
  }
  return Kiv$StackDepth() == 0 ? 0 : 1;
}
