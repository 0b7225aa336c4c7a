// Where settings files live: the platform's "Windows directory" and its main settings file.
#pragma once

#include <string>
#include <string_view>

namespace kiv::platform {

// $XDG_CONFIG_HOME/kvrun32, or ~/.config/kvrun32 when XDG_CONFIG_HOME is unset, empty or
// relative. The folder is not created here.
std::string windowsDirectory();

// WIN.INI in the Windows directory.
std::string mainSettingsFile();

// A settings file name as the profile functions place it: a name without a directory lies in
// the Windows directory; any other name is used as given.
std::string settingsFilePath(std::string_view fileName);

// Creates the Windows directory (and its parents) when it is missing. False with errno set
// when it cannot be made.
bool ensureWindowsDirectory();

}  // namespace kiv::platform
