// The process's own command line and file name, and starting other programs without waiting.
#pragma once

#include <string>
#include <vector>

namespace kiv::platform {

// The arguments the process was started with, the program's name first.
std::vector<std::string> processArguments();

// The full file name of the running program.
std::string executablePath();

// Starts the program argv[0] (a bare name is looked for in the current folder, then on PATH)
// with the arguments and returns at once; the child is reaped in the background. 0, or the errno of
// a failed start.
int startProgram(const std::vector<std::string>& argv);

// Opens a document with the desktop's viewer (xdg-open unless replaced). 0 or an errno.
int openWithDesktop(const std::string& document);

// Replaces the viewer program; an empty name restores xdg-open. Gives the old name.
std::string setDesktopViewer(std::string program);

}  // namespace kiv::platform
