/* A plain C program on the runtime: it sees only kvrun32.h and links only libkvrun32.
   It starts like every program (register, check the version), runs a few string-stack and
   error-state operations, prints what it got, and ends through _exit with code 3: the runtime's
   exit, although <unistd.h> (the C library's _exit) is included after kvrun32.h. */
#include <kvrun32.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static void init_a(int32_t arg) {
  (void)arg;
  printf("init 200\n");
}
static void init_b(int32_t arg) {
  (void)arg;
  printf("init 255\n");
  Kiv$init();
}
static void init_c(int32_t arg) {
  (void)arg;
  printf("init 10\n");
}
static void term_a(int32_t arg) {
  (void)arg;
  printf("term 200\n");
}
static void term_c(int32_t arg) {
  (void)arg;
  printf("term 10\n");
}
static void term_0(int32_t arg) {
  (void)arg;
  printf("term 0\n");
}
static void handler(void) { printf("handler\n"); }

static const KivInitEntry table[] = {
    {200, init_a, term_a}, {255, init_b, 0}, {10, init_c, term_c}, {0, init_c, term_0}};

static KivModule module = {0, table, table + 4, 0, 0, 0, 0, 0, 0, 0, 0, 0};

int main(void) {
  char name[12];
  KivHeapStr h = {0, 0};
  __sysinit(&module, 0);
  if (!__checkversion(258, 3, 0)) _exit(0);
  printf("version %d\n", __getversion());
  _atexit(handler);

  Kiv$PushString("Disk ", 5);
  Kiv$PushLong(42);
  Kiv$StackConcat();
  Kiv$PopString(name, sizeof name);
  printf("[%.*s]\n", (int)sizeof name, name);

  Kiv$PushString("abcdef", 6);
  Kiv$StackSUB(-2, 2);
  Kiv$PopTemp(&h);
  printf("sub %.*s\n", (int)h.len, h.addr);
  Kiv$freestr(&h);

  Kiv$PushString("abc", 3);
  Kiv$PushString("abc   ", 6);
  printf("compare %d\n", Kiv$StackCompare());

  Kiv$seterror(35);
  printf("error %d %.16s\n", Kiv$ERRCODE, Kiv$ERRSTR);
  fflush(stdout);
  Kiv$code();
  Wsl$CloseDown();
  _exit(3);
}
