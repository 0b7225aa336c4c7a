// Standard menu actions that need the runtime (printer set-up, help): the menu posts them to
// the window's procedure as a command message, and the runtime's own window procedure carries
// them out on the thread that owns the window. A replaced procedure passes them on.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace kiv::ui {

constexpr uint32_t kStandardCommandMessage = 0x111;  // wparam: the command

enum StandardCommand : uint32_t {
  PrintSetup = 0xE001,
  HelpContents = 0xE002,
  HelpSearch = 0xE003,
  HelpOnHelp = 0xE004,
};

// The command of a menu item's standard action ("printsetup", "helpcontents", "helpsearch",
// "helphelp"); 0 for actions the window layer performs itself or unknown names.
uint32_t standardCommand(std::string_view action);

// Carries the command out (runtime lock held). Help that cannot be shown is reported in a
// message box.
void runStandardCommand(uint32_t command);

// What printer set-up does; the report engine installs it.
void setPrinterSetup(std::function<void()> setup);

}  // namespace kiv::ui
