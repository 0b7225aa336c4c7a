// The commands of the command line, each with its grammar, its help and its procedure.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/arguments.h"
#include "app/cli/listing.h"

namespace cli {

struct Command {
  std::string name;
  Grammar grammar;
  const char* help;
  int (*run)(const Arguments& args);
};

const std::vector<Command>& commands();

// A usage error (exit 2) with a hint to the command's help, and a catalog or run failure
// (exit 2) with the message alone; both written to standard error.
int usageError(const std::string& command, const std::string& message);
int failure(const std::string& command, const std::string& message);

// The listing format the options ask for (text when none); several formats are a usage error.
std::optional<Format> listingFormat(const Arguments& args, std::string* error);
// The options every listing command takes.
inline const std::vector<std::string> kFormatFlags = {"--csv", "--json", "--jsonl", "-0"};

int runDisks(const Arguments& args);
int runFiles(const Arguments& args);
int runLog(const Arguments& args);
int runFind(const Arguments& args);
int runDupes(const Arguments& args);
int runReport(const Arguments& args);

}  // namespace cli
