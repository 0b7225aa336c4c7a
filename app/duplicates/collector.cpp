// GetDupesCat: the files of the disks of one category copied into the work table SORTFILES, read
// through DISKS joined with each disk's files; then the category's duplicates report.
#include "app/duplicates/duplicates.h"
#include "app/reports/report_run.h"
#include "app/reports/report_threads.h"
#include "app/tables/app_warning.h"
#include "app/tables/catalog_tables.h"
#include "app/tables/globals.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/view.h"

namespace {

const char* const kModule = "TARROW.kvw$tarro046";

// The collector's work while it holds the tables.
void Collect() {
  CatalogUse disks(Disks, DisksUseCount);
  CatalogUse files(Files, FilesUseCount);
  CatalogUse sortFiles(SortFiles, SortFilesUseCount);
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  names.bindRecord(Files.rec);
  names.bindRecord(SortFiles.rec);
  names.bind("GLO:Category", GloCategory);
  SortFiles.stream();
  QuickScan(Disks, true);

  kiv::JoinedView view(Disks, Files.ByDiskId);
  // The next row of a disk of the category: a file, or a disk without files (its file fields
  // cleared), which adds nothing.
  RecordReading reading("SortFiles");
  auto read = [&] {
    view.next();
    return reading.found();
  };

  BatchRun run(kModule, "GETDUPESCAT$PROGRESSWINDOW", 25, 1000);
  run.finishedText = "Process Completed";
  run.start = [&] {
    view.open();
    if (kiv::errorCode() == 0) view.setFilter("UPPER(DIS:Category) = UPPER(GLO:Category)");
    TellViewFailure();
    view.set(Disks.ByCategory);
    return read();
  };
  run.step = [&](int64_t&) {
    const FilesRecord& f = Files.rec;
    if (f.DiskId != 0 || !f.ShortName.blank()) {
      SortFilesRecord& s = SortFiles.rec;
      s.DiskId = f.DiskId;
      s.Name = f.ShortName.view();
      s.Date = f.DisplayDate;
      s.Time = f.DisplayTime;
      s.Size = f.Size;
      s.Attrib = f.Attrib.view();
      s.Path = f.Path.view().substr(0, 255);
      s.Comment = f.Comment.view().substr(0, 80);
      SortFiles.add();
      if (kiv::errorCode()) {
        SaveFileError();
        AppWarning(35, "SortFiles");
        return Step::Failed;
      }
    }
    if (read()) return Step::More;
    return reading.ended();
  };
  RunEnd end = RunBatch(run);
  (void)end;  // cancelled or not, the report runs on what was collected
  QuickScan(Disks, false);
  SortFiles.flush();
  Kiv$clearerror();
}

}  // namespace

void GetDupesCat() {
  SortFiles.create();
  Kiv$clearerror();
  Collect();
  // SORTFILES is released before the report takes it on its own thread.
  Kiv$START(PrtDupesCat, kReportStack);
}

void CollectAndReportDupesCat() {
  SortFiles.create();
  Kiv$clearerror();
  Collect();
  PrtDupesCat();
}
