// tarrow on the command line: `tarrow COMMAND [options]` runs a command over the catalog of a
// folder without windows and without a display, on the same tables, scans and rules as the
// desktop program. Plain `tarrow` (no words) starts the desktop program.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Exit codes: done (for find: something found); nothing found; a usage or catalog error.
enum ExitCode { kDone = 0, kNothingFound = 1, kFailed = 2 };

// Runs the command the words name (the program's arguments without its own name) and gives the
// exit code. Output goes to standard output, messages to standard error.
int runCommandLine(const std::vector<std::string>& words);

}  // namespace cli
