#include "runtime/ui/standard_commands.h"

#include <string>
#include <utility>

#include "include/kvrun32.h"
#include "runtime/env/help.h"
#include "runtime/platform/message_box.h"

namespace kiv::ui {
namespace {

// A function-local object, so that a setter running during the library's start-up (the report
// engine's) finds it constructed.
std::function<void()>& printerSetup() {
  static std::function<void()> setup;
  return setup;
}

void showHelpOrSayWhy() {
  if (env::showHelp({})) return;
  platform::MessageBoxRequest box;
  box.caption = "Help";
  std::string text(Kiv$ERRSTR, sizeof Kiv$ERRSTR);
  box.text = text.substr(0, text.find_last_not_of(' ') + 1);
  box.buttons = KIV_BUTTON_OK;
  box.icon = KIV_ICON_EXCLAMATION;
  platform::messageBox(box);
}

}  // namespace

uint32_t standardCommand(std::string_view action) {
  if (action == "printsetup") return PrintSetup;
  if (action == "helpcontents") return HelpContents;
  if (action == "helpsearch") return HelpSearch;
  if (action == "helphelp") return HelpOnHelp;
  return 0;
}

void runStandardCommand(uint32_t command) {
  switch (command) {
    case PrintSetup:
      if (printerSetup()) printerSetup()();
      break;
    case HelpContents:
    case HelpSearch:
    case HelpOnHelp:
      showHelpOrSayWhy();
      break;
  }
}

void setPrinterSetup(std::function<void()> setup) { printerSetup() = std::move(setup); }

}  // namespace kiv::ui
