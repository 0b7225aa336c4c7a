// SelectADisk: the disk picker of printing one disk's files, every disk of the catalog.
#include <string>

#include "app/browse/browse.h"
#include "app/browse/browse_controls.h"
#include "app/browse/browse_window.h"
#include "app/browse/select_disk.h"
#include "app/reports/reports.h"

namespace {

using namespace selectadisk_feq;

// One row: ID, label, category, free space, serial number, and the record's position.
#define PRINT_PICK_ROW_FIELDS(FIELD)           \
  FIELD(Id, kiv::Long, "ID")                   \
  FIELD(Label, kiv::String<11>, "LABEL")       \
  FIELD(Category, kiv::String<20>, "CATEGORY") \
  FIELD(FreeSpace, ByteCount, "FREESPACE")     \
  FIELD(SerialNo, kiv::String<9>, "SERIALNO")  \
  BROWSE_POSITION_FIELD(FIELD)
KIV_RECORD(PrintPickRow, "SAQ", PRINT_PICK_ROW_FIELDS);

void buildRow(PrintPickRow& row) {
  row.Id = Disks.rec.IdNum;
  row.Label = Disks.rec.Label.view();
  row.Category = Disks.rec.Category.view();
  row.FreeSpace = Disks.rec.FreeSpace;
  row.SerialNo = Disks.rec.SerialNo.view();
}

int64_t typedNumber(const std::string& text) {
  int64_t n = 0;
  for (char c : text)
    if (c >= '0' && c <= '9' && n < (int64_t(1) << 40)) n = n * 10 + (c - '0');
  return n;
}

}  // namespace

void SelectADisk() {
  BrowseTables tables;
  BrowseSpec s;
  s.module = kDiskPickerModule;
  s.label = "SELECTADISK$QUICKWINDOW";
  s.section = "SelectADisk";
  s.table = &Disks;
  s.tableName = "Disks";
  s.controls = {List, 0, 0, 0, Select, Close, 0};
  s.orders.push_back({&Disks.ByIdNum, 0, 0,
                      [](const std::string& t) { Disks.rec.IdNum = int32_t(typedNumber(t)); },
                      [] { return SortableNumber(int64_t(Disks.rec.IdNum)); }});
  s.followBottom = {Select, Close};
  s.followRight = {Select, Close};
  s.growWidth = {List};
  s.growHeight = {List};
  BrowseWindow<PrintPickRow> browse(std::move(s), buildRow);
  GlobalResponse = browse.run();
}

bool SelectADiskToPrint() {
  CatalogUse disks(Disks, DisksUseCount);
  GlobalRequest = request::Select;
  SelectADisk();
  const bool chosen = GlobalResponse == response::Completed;
  GlobalResponse = 0;
  return chosen;
}

void ChooseDiskToPrint() {
  CatalogUse disks(Disks, DisksUseCount);
  if (!SelectADiskToPrint()) return;
  PrintFilesForDisk(Disks.rec);  // on this thread, which the frame started for it
}
