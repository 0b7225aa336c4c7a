// PrintFilesForDisk and PrintFilesForResult: the files of one disk with the disk's numbers in the
// page header, over a catalogued disk or a disk of a search's results.
#include <string>

#include "app/browse/disk_text.h"
#include "app/reports/report_run.h"
#include "app/reports/report_text.h"
#include "app/reports/report_threads.h"
#include "app/reports/reports.h"
#include "app/tables/app_warning.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/view.h"

namespace {

constexpr int32_t kDetail = 10;

// The disk a listing is for.
struct ListedDisk {
  int32_t id = 0;
  std::string label, serial;
  ByteCount freeSpace, totalBytes;
};

template <typename Record>
ListedDisk Listed(const Record& disk) {
  return {disk.IdNum, disk.Label.str(), disk.SerialNo.str(), disk.FreeSpace, disk.TotalBytes};
}

// The listing: `idName` is the name the disk's ID is bound under for the filter.
void ListFiles(const char* module, const char* reportLabel, const char* progressLabel,
               const char* idName, const ListedDisk& disk) {
  CatalogUse files(Files, FilesUseCount);
  kiv::Long diskId = disk.id;
  kiv::BindScope names;
  names.bindRecord(Files.rec);
  names.bind(idName, diskId);

  kiv::String<12> idText(Trimmed(kiv::format(disk.id, "@n6")));
  kiv::String<11> label(disk.label);
  kiv::String<30> freeText(MegabyteText(disk.freeSpace));
  kiv::String<30> totalText(MegabyteText(disk.totalBytes));
  kiv::String<9> serial(disk.serial);
  kiv::Long count = 0;
  kiv::Long today = Kiv$TODAY();
  kiv::Report report(module, reportLabel, &idText, &label, &freeText, &totalText, &serial, &count,
                     &Files.rec.ShortName, &Files.rec.DisplayDate, &Files.rec.DisplayTime,
                     &Files.rec.Size, &Files.rec.Attrib, &Files.rec.Comment, &today);
  PreviewPages pages;
  kiv::View view(Files);

  RecordReading reading("Files");
  // The next file of the disk; false past its last file or after a read error was told.
  auto read = [&] {
    view.next();
    return reading.found() && Files.rec.DiskId == disk.id;
  };

  BatchRun run(module, progressLabel, 25, 500);
  run.start = [&] {
    QuickScan(Files, true);
    view.open();
    if (kiv::errorCode() == 0) view.setFilter(std::string("FIL:DiskID = ") + idName);
    TellViewFailure();
    // The disk's files lie together in FIL:BYDISKID: the view starts at the first of them.
    Files.rec.clear();
    Files.rec.DiskId = disk.id;
    view.setAt(Files.ByDiskId);
    if (!read()) return false;
    report.open();
    report.recordInto(pages.desc());
    return true;
  };
  run.step = [&](int64_t&) {
    ++count;
    report.print(kDetail);
    if (read()) return Step::More;
    return reading.ended();
  };
  RunEnd end = RunBatch(run);
  QuickScan(Files, false);
  if (end == RunEnd::Completed) PreviewAndPrint(report, pages);
}

RecordHandoff<DisksRecord> gDisks;
RecordHandoff<TempDiskRecord> gResultDisks;

void FilesForDiskThread() { PrintFilesForDisk(gDisks.take()); }
void FilesForResultThread() { PrintFilesForResult(gResultDisks.take()); }

}  // namespace

void PrintFilesForDisk(const DisksRecord& disk) {
  ListFiles("TARROW.kvw$tarro041", "PRINTFILESFORDISK$REPORT", "PRINTFILESFORDISK$PROGRESSWINDOW",
            "DIS:IDNum", Listed(disk));
}

void PrintFilesForResult(const TempDiskRecord& disk) {
  ListFiles("TARROW.kvw$tarro042", "PRINTFILESFORRESULT$REPORT",
            "PRINTFILESFORRESULT$PROGRESSWINDOW", "TeD:IDNum", Listed(disk));
}

int32_t StartPrintFilesForDisk(const DisksRecord& disk) {
  return gDisks.start(FilesForDiskThread, disk);
}

int32_t StartPrintFilesForResult(const TempDiskRecord& disk) {
  return gResultDisks.start(FilesForResultThread, disk);
}
