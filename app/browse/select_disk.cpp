#include "app/browse/select_disk.h"

#include <algorithm>

#include "app/browse/browse_page.h"
#include "app/frame/window_position.h"
#include "app/logging/logged_disk.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro012";
using namespace selectdisk_feq;
constexpr int32_t kDoubleClick = 5;

// One row: ID, label, category, free space, serial number, and the record's position.
#define DISK_PICK_ROW_FIELDS(FIELD)            \
  FIELD(Id, kiv::Long, "ID")                   \
  FIELD(Label, kiv::String<11>, "LABEL")       \
  FIELD(Category, kiv::String<20>, "CATEGORY") \
  FIELD(FreeSpace, ByteCount, "FREESPACE")     \
  FIELD(SerialNo, kiv::String<9>, "SERIALNO")  \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(DiskPickRow, "SDQ", DISK_PICK_ROW_FIELDS);

void buildRow(DiskPickRow& row) {
  row.Id = Disks.rec.IdNum;
  row.Label = Disks.rec.Label.view();
  row.Category = Disks.rec.Category.view();
  row.FreeSpace = Disks.rec.FreeSpace;
  row.SerialNo = Disks.rec.SerialNo.view();
}

}  // namespace

bool SelectDisk() {
  CatalogUse disks(Disks, DisksUseCount);
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  names.bind("VolName", VolName);

  kiv::Window window(kiv::Window::Mdi, kModule, "SELECTDISK$QUICKWINDOW");
  window.open();
  RestorePosition("SelectDisk");
  window.set(kList, kiv::prop::AlertKey, kDoubleClick, 252);

  // A view that does not open shows nothing; a filter it refuses is left out.
  kiv::View view(Disks);
  view.open();
  const bool viewOpen = kiv::errorCode() == 0;
  if (viewOpen) view.setFilter("UPPER(DIS:Label) = UPPER(VolName)");
  if (kiv::errorCode()) {
    SaveFileError();
    AppWarning(36);
  }
  BrowsePage<DiskPickRow> page(view, Disks.ByIdNum, "Disks", buildRow);

  auto show = [&] {
    window.showQueue(kList, page.rows.desc());
    if (page.selected > 0) window.set(kList, kiv::prop::Selected, page.selected);
    page.loadSelected();
    window.display();
  };
  auto refill = [&](BrowseAnchor anchor) {
    page.pageSize = std::max(1, window.number(kList, kiv::prop::VisibleRows));
    if (viewOpen) page.refill(anchor);
    show();
  };
  refill(BrowseAnchor::None);

  bool chosen = false;
  for (kiv::Event& event : window.events()) {
    const int32_t code = event.code();
    if (event.closing()) {
      SavePosition("SelectDisk");
    } else if (code == kiv::event::OpenWindow) {
      window.select(kList);
    } else if (code == kiv::event::Sized) {
      refill(BrowseAnchor::Selected);
    } else if (event.field() == kList && code == kiv::event::NewSelection) {
      if (!page.empty()) {
        page.selected = std::clamp(window.choice(kList), 1, page.count());
        page.loadSelected();
      }
    } else if (event.field() == kList && code >= kiv::event::ScrollUp &&
               code <= kiv::event::ScrollBottom) {
      page.pageSize = std::max(1, window.number(kList, kiv::prop::VisibleRows));
      if (page.scroll(code)) show();
    } else if (code == kiv::event::AlertKey && event.keycode() == kDoubleClick) {
      if (!page.empty()) window.post(kiv::event::Accepted, kSelect);
    } else if (event.accepted(kSelect)) {
      if (!page.empty()) {
        page.selected = std::clamp(window.choice(kList), 1, page.count());
        chosen = page.loadSelected();
      }
      if (chosen) window.post(kiv::event::CloseWindow);
    } else if (event.accepted(kClose)) {
      chosen = false;
      window.post(kiv::event::CloseWindow);
    }
  }
  return chosen;
}
