// GetRptParmsWiz: the Report Parameters Wizard of the duplicate finder. Step 1 asks for the
// category (none chosen: all of them), step 2 says that Finish previews the report.
#include "app/duplicates/duplicates.h"
#include "app/reports/report_threads.h"
#include "app/tables/app_warning.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/globals.h"
#include "app/tables/open_table.h"
#include "include/kiv/view.h"
#include "include/kiv/window.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro045";
enum : int32_t {
  kPicture = 1,
  kAskTop = 2,
  kAskBottom = 3,
  kCategories = 4,
  kFinishTop = 5,
  kFinishBottom = 6,
  kBack = 7,
  kNext = 8,
  kFinish = 9,
  kCancel = 10
};
constexpr int32_t kEndOfTable = 33;

#define CATEGORY_ROW_FIELDS(FIELD) FIELD(Name, kiv::String<20>, "NAME")
KIV_RECORD(CategoryRow, "WCQ", CATEGORY_ROW_FIELDS);

// Reads every category name into the list's rows; false after a read error was told.
bool ReadCategories(kiv::Queue<CategoryRow>& rows) {
  kiv::View view(Category);
  view.open();
  if (kiv::errorCode() == 0) {
    view.set(Category.ByName);
    for (view.next(); kiv::errorCode() == 0; view.next()) {
      rows.rec.Name = Category.rec.Name.view();
      rows.add();
    }
  }
  if (kiv::errorCode() != kEndOfTable) {
    SaveFileError();
    AppWarning(35, "Category");
    return false;
  }
  Kiv$clearerror();
  return true;
}

void ShowStep(kiv::Window& window, int32_t step) {
  const bool first = step == 1;
  window.setText(kPicture, first ? "~ROLBRWS.BMP" : "~PRTREPRT.BMP");
  for (int32_t feq : {kAskTop, kAskBottom, kCategories}) {
    if (first)
      window.unhide(feq);
    else
      window.hide(feq);
  }
  for (int32_t feq : {kFinishTop, kFinishBottom, kFinish}) {
    if (first)
      window.hide(feq);
    else
      window.unhide(feq);
  }
  if (first) {
    window.disable(kBack);
    window.enable(kNext);
  } else {
    window.enable(kBack);
    window.disable(kNext);
  }
}

}  // namespace

void GetRptParmsWiz() {
  CatalogUse categories(Category, CategoryUseCount);
  kiv::Queue<CategoryRow> rows;
  kiv::Window window(kiv::Window::Mdi, kModule, "GETRPTPARMSWIZ$WINDOW");
  window.open();
  // Reading the list moves through the CATEGORY record; the name it held before is the one
  // to select.
  const kiv::String<20> chosen = Category.rec.Name;
  if (!ReadCategories(rows)) return;
  Category.rec.Name = chosen;
  window.showQueue(kCategories, rows.desc());
  if (rows.records() == 0) {
    Category.rec.Name.clear();
  } else if (!Category.rec.Name.blank()) {
    for (int32_t i = 1; i <= rows.records(); ++i) {
      rows.get(i);
      if (rows.rec.Name == Category.rec.Name) window.set(kCategories, kiv::prop::Selected, i);
    }
  }
  int32_t step = 1;
  ShowStep(window, step);
  for (kiv::Event& event : window.events()) {
    if (event.field() == kCategories &&
        (event.is(kiv::event::NewSelection) || event.is(kiv::event::Accepted))) {
      if (int32_t row = window.choice(kCategories); row >= 1 && row <= rows.records()) {
        rows.get(row);
        Category.rec.Name = rows.rec.Name.view();
      }
    } else if (event.accepted(kNext) && step == 1) {
      ShowStep(window, step = 2);
    } else if (event.accepted(kBack) && step == 2) {
      ShowStep(window, step = 1);
    } else if (event.accepted(kFinish)) {
      GloCategory = Category.rec.Name.view();
      Kiv$START(GloCategory.blank() ? PrtDupes : GetDupesCat, kReportStack);
      window.post(kiv::event::CloseWindow);
    } else if (event.accepted(kCancel)) {
      window.post(kiv::event::CloseWindow);
    }
  }
}
