// Where each procedure's window was left: its position, size and maximized state kept in one
// section of the settings file, restored right after the window opens and saved before it
// closes. Both act on the thread's current window.
#pragma once

#include <string_view>

#include "include/kiv/string.h"

// The settings file, named without a directory so that the platform decides where it lies.
extern thread_local kiv::String<128> SettingsFileName;

// Reads "XPosit", "YPosit", "Width", "Height" and "Maximize" of `section`. A section without an
// X position leaves the window where its description puts it.
void RestorePosition(std::string_view settingsFile, std::string_view section);
// Writes the normal (not maximized) position and the maximized state; an iconized window
// writes nothing, so the position saved before stays.
void SavePosition(std::string_view settingsFile, std::string_view section);

// The same with the program's settings file.
inline void RestorePosition(std::string_view section) {
  RestorePosition(SettingsFileName.clipped(), section);
}
inline void SavePosition(std::string_view section) {
  SavePosition(SettingsFileName.clipped(), section);
}
