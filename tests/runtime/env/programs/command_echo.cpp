// Prints COMMAND's result for the selectors "", "1", "2", "3", "/x", "/y" and "name", one line
// each, for the command tail this program was started with.
#include <cstdio>

#include "include/kvrun32.h"

int main() {
  const char* selectors[] = {"", "1", "2", "3", "/x", "/y", "name"};
  for (const char* selector : selectors) {
    Kiv$PushCString(selector);
    Kiv$COMMAND();
    KivHeapStr s{};
    Kiv$PopTemp(&s);
    std::printf("[%.*s]\n", int(s.len), s.addr ? s.addr : "");
    Kiv$freestr(&s);
  }
  return 0;
}
