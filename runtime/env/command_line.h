// The command tail (the process's command line after the program's name) and the COMMAND rules
// that pick parameters out of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::env {

// The tail, taken from the process's command line on first use.
const std::string& commandTail();
void setCommandTail(std::string_view tail);

// A process command line as the platform shows it: the arguments joined by blanks, each one
// holding white space enclosed in double quotes.
std::string joinCommandLine(const std::vector<std::string>& args);

// The tail without its program name: leading white space, the first token (up to the next white
// space) and the white space after it are skipped.
std::string_view tailOf(std::string_view commandLine);

// Tokens by the COMMAND rules: white space separates; a token runs over characters above the
// blank up to a "," or a "/" that is not its first character, at most 255 characters kept; one
// "," after a token is skipped.
std::vector<std::string> commandTokens(std::string_view tail);

// COMMAND's result for a selector (trailing blanks already removed): the whole tail for an empty
// selector, the program's file name for "0", the n-th token for a number n, else a named
// parameter: a "/" switch gives the matching token without its "/", "name" gives the text after
// "name=" in the first token that begins with it; nothing found gives an empty string.
std::string commandParameter(std::string_view selector, std::string_view tail);

// A command line to start, split into program and arguments: white space separates, double
// quotes group (a quote is written \" inside them).
std::vector<std::string> splitCommandLine(std::string_view line);

}  // namespace kiv::env
