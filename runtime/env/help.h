// The program's help file and how help is opened.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kiv::env {

const std::string& helpFile();
void setHelpFile(std::string_view name);

// Where a help file lies: a name with a folder as given; a bare name in the current folder, the
// program's folder or the platform's Windows directory, the first that has it. Empty when none.
std::string locateHelpFile(const std::string& name);

// Opens the help file on the keyword (empty: the contents). False with the error state set when
// there is no help file or no viewer to show it.
bool showHelp(const std::string& keyword);

// Called with the keyword each time help is shown, so the window layer can note it.
void setHelpShownListener(std::function<void(const std::string& keyword)> listener);

}  // namespace kiv::env
