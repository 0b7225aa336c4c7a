// Start-up of the catalog program, on thread 1.
#include "app/frame/frame.h"
#include "app/frame/window_position.h"

void TarrowProgram() {
  Kiv$code();
  kiv::pushText("");  // no keyword: only the help file is named
  kiv::pushText("TARROW.HLP");
  Kiv$HELP();
  SettingsFileName = "TARROW.INI";
  Main();
}
