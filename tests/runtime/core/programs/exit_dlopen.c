/* A program that loads libkvrun32 with dlopen, after the C library, and ends through one of the
   runtime's exit paths: the runtime must still run its own exit (exit handlers, then the
   program's terminators), never the C library's _exit that comes first in the process.
   Argument: halt (HALT 5 with a message), stop (STOP answered by default: Abort), error (a
   runtime error, 409) or exit (the exported exit, code 6). */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "include/kvrun32/core.h"

static void handler(void) { printf("exit handler\n"); }
static void term(int32_t arg) { printf("terminator %d\n", arg); }
static const KivInitEntry inits[] = {{100, 0, term}};
static KivModule module = {0, inits, inits + 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};

static void* entry(void* lib, const char* name) {
  void* p = dlsym(lib, name);
  if (!p) fprintf(stderr, "no %s\n", name);
  return p;
}

int main(int argc, char** argv) {
  if (argc < 2) return 99;
  void* lib = dlopen(KVRUN32_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 98;
  }
  void (*sysinit)(KivModule*, void*) = (void (*)(KivModule*, void*))entry(lib, "__sysinit");
  int32_t (*atexit_)(void (*)(void)) = (int32_t(*)(void (*)(void)))entry(lib, "_atexit");
  void (*push)(const char*, uint32_t) =
      (void (*)(const char*, uint32_t))entry(lib, "Kiv$PushString");
  void (*halt)(int32_t, int32_t) = (void (*)(int32_t, int32_t))entry(lib, "Kiv$HALT");
  void (*stop)(int32_t) = (void (*)(int32_t))entry(lib, "Kiv$STOP");
  void (*rterr)(int32_t, const char*) = (void (*)(int32_t, const char*))entry(lib, "Kiv$rterr");
  void (*exit_)(int32_t) = (void (*)(int32_t))entry(lib, "Kiv$exit");
  if (!sysinit || !atexit_ || !push || !halt || !stop || !rterr || !exit_) return 97;

  sysinit(&module, 0);
  atexit_(handler);
  if (strcmp(argv[1], "halt") == 0) {
    push("Halted", 6);
    halt(5, 0);
  } else if (strcmp(argv[1], "stop") == 0) {
    push("Stop here", 9);
    stop(0);
  } else if (strcmp(argv[1], "error") == 0) {
    rterr(409, "in exit_dlopen");
  } else if (strcmp(argv[1], "exit") == 0) {
    exit_(6);
  }
  printf("returned\n");
  return 96;
}
