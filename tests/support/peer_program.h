// A second program on the same catalog for the multi-process tests: the zephra_peer helper
// started with pipes to its standard input and from its standard output.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kivtest {

// A running peer program with a pipe to its stdin and one from its stdout: zephra_peer, or the
// helper program `name` built beside it.
class Peer {
 public:
  Peer(const std::string& dir, std::vector<std::string> args, const std::string& name = "") {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    // Everything the child needs is made before the fork: the test may run other threads.
    std::string program =
        std::string(KIV_TEST_PROGRAMS_DIR) + "/" + (name.empty() ? "zephra_peer" : name);
    std::vector<char*> argv{program.data(), const_cast<char*>(dir.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = fdopen(out[0], "r");
  }
  ~Peer() {
    if (in_ >= 0) close(in_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_) fclose(out_);
  }
  std::string line() {
    char buf[256];
    if (!out_ || !fgets(buf, sizeof buf, out_)) return "<eof>";
    std::string s(buf);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  void say(const char* text) {
    if (write(in_, text, strlen(text)) < 0) return;
  }
  int wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void killNow() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  FILE* out_ = nullptr;
};

// Runs one peer command to its end and returns the first line it printed.
inline std::string run(const std::string& dir, std::vector<std::string> args) {
  Peer p(dir, std::move(args));
  std::string s = p.line();
  p.wait();
  return s;
}

}  // namespace kivtest
