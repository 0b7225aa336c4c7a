#include "runtime/ui/standard_commands.h"

#include <string>
#include <utility>

#include "include/kvrun32.h"
#include "runtime/env/help.h"
#include "runtime/platform/message_box.h"

namespace kiv::ui {
namespace {

std::function<void()> gPrinterSetup;

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
      if (gPrinterSetup) gPrinterSetup();
      break;
    case HelpContents:
    case HelpSearch:
    case HelpOnHelp:
      showHelpOrSayWhy();
      break;
  }
}

void setPrinterSetup(std::function<void()> setup) { gPrinterSetup = std::move(setup); }

}  // namespace kiv::ui
