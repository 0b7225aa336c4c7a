// Runs the plain C program built against the public header alone and checks what it printed and
// how it ended: initialisers by priority, the string stack, the error state, handlers, then
// terminators upward from the lowest priority.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

std::string runProgram(const std::string& path, int* status) {
  std::string out;
  FILE* p = popen(path.c_str(), "r");
  if (!p) return out;
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  *status = pclose(p);
  return out;
}

TEST(CInterface, PlainCProgramStartsRunsAndExitsInOrder) {
  int status = -1;
  std::string out = runProgram(std::string(KIV_TEST_PROGRAMS_DIR) + "/c_interface", &status);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(out,
            "init 255\n"
            "init 200\n"
            "init 10\n"  // priority 0 is never initialised
            "version 16908291\n"
            "[Disk 42     ]\n"
            "sub ef\n"
            "compare 0\n"
            "error 35 Record Not Found\n"
            "handler\n"
            "term 0\n"  // priority 0 never initialises but is terminated
            "term 10\n"
            "term 200\n");
}

}  // namespace
