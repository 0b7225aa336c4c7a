// The report entry points: constructing a report object, PRINT, ENDPAGE and the printer dialog.
// Opening, closing and freeing go through the window operations (Kiv$OPENwindow and sisters).
#include <cstdarg>

#include "include/kvrun32.h"
#include "runtime/report/printer.h"
#include "runtime/report/report_screen.h"

namespace kiv::report {

ui::Screen* reportScreen(void* object) {
  for (ui::Screen* s : ui::allScreens())
    if (s == object)
      return s->kind == ui::StructureKind::Report && dynamic_cast<Report*>(s->behaviour.get())
                 ? s
                 : nullptr;
  return nullptr;
}

Report* reportOf(void* object) {
  ui::Screen* s = reportScreen(object);
  return s ? static_cast<Report*>(s->behaviour.get()) : nullptr;
}

}  // namespace kiv::report

using namespace kiv::report;

extern "C" {

void Kiv$propen(void** handle, const char* module, const char* label, ...) {
  va_list args;
  va_start(args, label);
  std::vector<void*> use;
  for (void* p = va_arg(args, void*); p; p = va_arg(args, void*)) use.push_back(p);
  va_end(args);
  auto* w = new kiv::ui::Screen(kiv::ui::StructureKind::Report, module ? module : "",
                                label ? label : "", std::move(use));
  w->behaviour = std::make_unique<Report>();
  if (handle) *handle = w;
}

void Kiv$PRINTreport(void* report, int32_t band) {
  kiv::ui::Screen* w = reportScreen(report);
  if (!w) {
    Kiv$rterr(538, nullptr);
    return;
  }
  static_cast<Report*>(w->behaviour.get())->print(*w, band);
}

void Kiv$PRINTdetail(void* report) {
  kiv::ui::Screen* w = reportScreen(report);
  if (!w) {
    Kiv$rterr(538, nullptr);
    return;
  }
  auto* r = static_cast<Report*>(w->behaviour.get());
  if (int32_t detail = r->firstDetail()) r->print(*w, detail);
}

void Kiv$ENDPAGE(void* report) {
  kiv::ui::Screen* w = reportScreen(report);
  if (!w) {
    Kiv$rterr(539, nullptr);
    return;
  }
  static_cast<Report*>(w->behaviour.get())->endPage(*w);
}

int32_t Kiv$PRINTERDIALOG(void) { return printerPlatform().dialog(printerSetup()) ? 1 : 0; }

}  // extern "C"
