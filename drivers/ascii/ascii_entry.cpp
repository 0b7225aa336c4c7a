// Entry of the line-text driver: the runtime hands every table operation to ASCII.
#include "include/kvrun32.h"

extern "C" __attribute__((visibility("default"))) int32_t ASCII(int32_t operation, void* args) {
  (void)operation;
  (void)args;
  Kiv$seterror(80);  // Unsupported File Driver Function
  return 80;
}
