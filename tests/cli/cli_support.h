// Running the real tarrow binary with a command line: its standard output, standard error and
// exit status; and a CSV reader of RFC 4180 written for the tests, apart from the program's
// writer.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace clitest {

struct Result {
  int status = -1;  // the exit status, -1 when the program did not end by itself
  std::string out, err;
};

// Runs build/app/tarrow with `args` in the folder `cwd`.
inline Result tarrow(const std::vector<std::string>& args, const std::string& cwd = ".") {
  const std::string program = std::string(KIV_BINARY_DIR) + "/app/tarrow";
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int out[2], err[2];
  Result r;
  if (pipe(out) != 0 || pipe(err) != 0) return r;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (rc != 0) {
    close(out[0]);
    close(err[0]);
    return r;
  }
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* targets[2] = {&r.out, &r.err};
  int open = 2;
  while (open > 0 && poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[65536];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        targets[i]->append(buffer, size_t(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// RFC 4180: records end in CRLF (a bare LF is accepted), fields are separated by commas, a
// quoted field may hold commas, quotes (doubled) and line breaks.
inline std::vector<std::vector<std::string>> readCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false, inQuotes = false, fieldStarted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field += c;
      }
      continue;
    }
    if (c == '"' && !fieldStarted) {
      inQuotes = quoted = fieldStarted = true;
    } else if (c == ',') {
      record.push_back(field);
      field.clear();
      quoted = fieldStarted = false;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    } else if (c == '\n') {
      record.push_back(field);
      records.push_back(record);
      record.clear();
      field.clear();
      quoted = fieldStarted = false;
    } else {
      field += c;
      fieldStarted = true;
    }
  }
  (void)quoted;
  if (fieldStarted || !record.empty()) {
    record.push_back(field);
    records.push_back(record);
  }
  return records;
}

}  // namespace clitest
