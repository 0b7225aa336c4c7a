// GetParams: the range of disk ID numbers for the disk-ID-labels report, written to TEMPFILE
// one number per line.
#include <string>

#include "app/frame/frame.h"
#include "app/frame/window_position.h"
#include "app/reports/reports.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/window.h"

void GetParams() {
  constexpr int32_t kOk = 9, kCancel = 10;
  kiv::Long first = 0, last = 0;
  TempFile.create();
  CatalogUse temp(TempFile, TempFileUseCount);
  kiv::Window window(kiv::Window::Mdi, kFrameModule, "GETPARAMS$WINDOW", &first, &last);
  window.open();
  RestorePosition("GetParams");
  for (kiv::Event& event : window.events()) {
    if (event.accepted(kOk)) {
      WriteIdNumbers(first, last);
      window.post(kiv::event::CloseWindow);
    } else if (event.accepted(kCancel)) {
      window.post(kiv::event::CloseWindow);
    } else if (event.closing()) {
      SavePosition("GetParams");
    }
  }
  temp.release();
}
