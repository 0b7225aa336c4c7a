// PrtDisksInCat: the disks of the catalog in one of eight orders, with their sizes and the share
// of each disk that is free.
#include <string>

#include "app/reports/report_run.h"
#include "app/reports/report_text.h"
#include "app/reports/report_threads.h"
#include "app/reports/reports.h"
#include "app/tables/app_warning.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/view.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro040";
constexpr int32_t kDetail = 10;

struct Order {
  const char* components;  // of DIS:DYNNDX
  const char* title;
};
constexpr Order kOrders[] = {
    {"+DIS:IDNum", "Disks in Catalog By ID (Ascending Order)"},
    {"-DIS:IDNum", "Disks in Catalog By ID (Descending Order)"},
    {"+DIS:Label,+DIS:IDNum", "Disks in Catalog By Volume Label (Ascending Order)"},
    {"-DIS:Label,-DIS:IDNum", "Disks in Catalog By Volume Label (Descending Order)"},
    {"+DIS:Category,+DIS:IDNum", "Disks in Catalog By Category (Ascending Order)"},
    {"-DIS:Category,-DIS:IDNum", "Disks in Catalog By Category (Descending Order)"},
    {"+DIS:FreeSpace,+DIS:IDNum", "Disks in Catalog By Free Space (Ascending Order)"},
    {"-DIS:FreeSpace,-DIS:IDNum", "Disks in Catalog By Free Space (Descending Order)"},
};

RecordHandoff<int32_t> gOrders;

void OrderedReportThread() { PrtDisksInCat(gOrders.take()); }

}  // namespace

void PrtDisksInCat(int32_t order) {
  if (order < 1 || order > 8) return;
  const Order& chosen = kOrders[order - 1];
  CatalogUse disks(Disks, DisksUseCount);
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  Disks.stream();

  kiv::String<60> title(chosen.title);
  kiv::String<12> percentFree;
  kiv::Long today = Kiv$TODAY();
  kiv::Report report(kModule, "PRTDISKSINCAT$REPORT", &title, &Disks.rec.IdNum, &Disks.rec.Label,
                     &Disks.rec.Category, &Disks.rec.TotalBytes, &Disks.rec.FreeSpace, &percentFree,
                     &Disks.rec.SerialNo, &today);
  PreviewPages pages;
  kiv::View view(Disks);

  RecordReading reading("Disks");
  auto read = [&] {
    view.next();
    return reading.found();
  };

  BatchRun run(kModule, "PRTDISKSINCAT$PROGRESSWINDOW", 25, Disks.records());
  run.start = [&] {
    QuickScan(Disks, true);
    Disks.build(Disks.DynNdx, chosen.components);
    if (kiv::errorCode()) {
      SaveFileError();
      AppWarning(35, "Disks");
      return false;
    }
    view.open();
    TellViewFailure();
    view.set(Disks.DynNdx);
    if (!read()) return false;
    report.open();
    report.recordInto(pages.desc());
    return true;
  };
  run.step = [&](int64_t&) {
    percentFree = PercentFreeText(Disks.rec.FreeSpace, Disks.rec.TotalBytes);
    report.print(kDetail);
    if (read()) return Step::More;
    return reading.ended();
  };
  RunEnd end = RunBatch(run);
  QuickScan(Disks, false);
  if (end == RunEnd::Completed) PreviewAndPrint(report, pages);
}

int32_t StartPrtDisksInCat(int32_t order) { return gOrders.start(OrderedReportThread, order); }
