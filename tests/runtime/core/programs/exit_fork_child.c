/* A program linked with kvrun32 whose file does not include kvrun32.h, as a library in the
   process (Qt, glib, the C library) is written: _exit here is the C library's. It registers a
   runtime exit handler that appends "handler <pid>" to a marker file, forks a child that ends
   with _exit(7), waits for it, and says whether the marker exists yet. Then it ends through the
   runtime's exit with code 3, which runs the handler in the parent.
   Argument: the marker file. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

/* The two runtime entries used, declared here so that this file stays clear of kvrun32.h. */
int32_t _atexit(void (*handler)(void));
void Kiv$exit(int32_t code) __attribute__((noreturn));

static const char* marker;

static void handler(void) {
  char line[64];
  int fd = open(marker, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  int n = snprintf(line, sizeof line, "handler %d\n", (int)getpid());
  if (write(fd, line, (size_t)n) != n) perror("marker");
  close(fd);
}

int main(int argc, char** argv) {
  if (argc < 2) return 99;
  marker = argv[1];
  if (_atexit(handler) != 0) return 98;
  printf("parent %d\n", (int)getpid());
  fflush(stdout);
  pid_t child = fork();
  if (child < 0) return 97;
  if (child == 0) _exit(7);
  int status = 0;
  if (waitpid(child, &status, 0) != child) return 96;
  printf("child ended %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  printf("marker after the child: %s\n", access(marker, F_OK) == 0 ? "yes" : "no");
  fflush(stdout);
  Kiv$exit(3);
}
