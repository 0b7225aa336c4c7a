#include "app/cli/command_line.h"

#include <cstdio>
#include <functional>
#include <map>

#include "app/cli/arguments.h"
#include "app/cli/commands.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "usage: tarrow                  start the desktop program\n"
    "       tarrow COMMAND [options] [--catalog DIR]\n"
    "\n"
    "commands:\n"
    "  find TEXT                   the files whose long name contains TEXT\n"
    "  find [--disks] FIELD OP VALUE   the Search Wizard's search (see find --help)\n"
    "  disks                       list the catalogued disks\n"
    "  files DISK                  list the files of one disk (by ID or label)\n"
    "  dupes [--category NAME]     the duplicate files, in groups\n"
    "  report REPORT -o FILE.pdf   print a report into a PDF file (see report --help)\n"
    "  log PLACE                   catalogue a mounted volume, a folder or a drive letter\n"
    "\n"
    "Every command reads the catalog of the current folder, or of --catalog DIR.\n"
    "Listings: aligned text, or --csv, --json, --jsonl, -0 (NUL-separated paths).\n"
    "Exit status: 0 done, 1 nothing found, 2 a usage or catalog error.\n"
    "`tarrow COMMAND --help` tells more about a command; see also tarrow(1).\n";

}  // namespace

int usageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "tarrow%s%s: %s\n(try `tarrow %s--help`)\n", command.empty() ? "" : " ",
               command.c_str(), message.c_str(), command.empty() ? "" : (command + " ").c_str());
  return kFailed;
}

int failure(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "tarrow %s: %s\n", command.c_str(), message.c_str());
  return kFailed;
}

int runCommandLine(const std::vector<std::string>& words) {
  if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    std::fputs(kUsage, stdout);
    return kDone;
  }
  const std::string& name = words[0];
  const std::vector<std::string> rest(words.begin() + 1, words.end());
  for (const Command& c : commands()) {
    if (c.name != name) continue;
    for (const std::string& w : rest) {
      if (w == "--") break;
      if (w == "--help" || w == "-h") {
        std::fputs(c.help, stdout);
        return kDone;
      }
    }
    Grammar grammar = c.grammar;
    grammar.valueOptions.insert("--catalog");
    grammar.flagOptions.insert("--help");
    std::string error;
    std::optional<Arguments> args = parseArguments(rest, grammar, &error);
    if (!args) return usageError(name, error);
    return c.run(*args);
  }
  return usageError("", "unknown command " + name);
}

}  // namespace cli
