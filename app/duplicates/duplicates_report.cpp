// PrtDupes and PrtDupesCat: the files of the catalog (or of the collected category) read in
// short-name order, each group of alike names printed with a separator after it.
#include <string>

#include "app/duplicates/duplicates.h"
#include "app/reports/report_run.h"
#include "app/tables/app_warning.h"
#include "app/tables/globals.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/view.h"

namespace {

constexpr int32_t kDetail = 10, kSeparator = 21;

// What one report reads: the table, its short-name key, and the fields a line prints.
struct DuplicatesOf {
  const char* module;
  const char* reportLabel;
  const char* progressLabel;
  const char* tableName;  // for the warnings
  std::string subtitle;
};

// The line being printed: the record read before the next one was read.
template <typename Record>
struct PrintedLine;

template <>
struct PrintedLine<FilesRecord> {
  FilesRecord rec;
  kiv::Long* diskId() { return &rec.DiskId; }
  kiv::String<12>* name() { return &rec.ShortName; }
  kiv::Long* date() { return &rec.DisplayDate; }
  kiv::Long* time() { return &rec.DisplayTime; }
  static std::string_view shortName(const FilesRecord& r) { return r.ShortName.view(); }
  auto* attrib() { return &rec.Attrib; }
  auto* path() { return &rec.Path; }
};

template <>
struct PrintedLine<SortFilesRecord> {
  SortFilesRecord rec;
  kiv::Long* diskId() { return &rec.DiskId; }
  kiv::String<12>* name() { return &rec.Name; }
  kiv::Long* date() { return &rec.Date; }
  kiv::Long* time() { return &rec.Time; }
  static std::string_view shortName(const SortFilesRecord& r) { return r.Name.view(); }
  auto* attrib() { return &rec.Attrib; }
  auto* path() { return &rec.Path; }
};

// The whole-catalog report fetches the disk of each printed file into the DISKS record.
void FetchDisk(const FilesRecord& file) {
  Disks.rec.IdNum = file.DiskId;
  Disks.get(Disks.ByIdNum);
  if (kiv::errorCode()) Disks.rec.clear();
  Kiv$clearerror();
}
void FetchDisk(const SortFilesRecord&) {}

// Runs one duplicates report over `table` in the order of `byName`.
template <typename TableType>
void ReportDuplicates(const DuplicatesOf& of, TableType& table, kiv::Key& byName) {
  using Record = decltype(table.rec);
  PrintedLine<Record> line;
  kiv::String<40> subtitle(of.subtitle);
  kiv::Long today = Kiv$TODAY();
  kiv::Report report(of.module, of.reportLabel, line.diskId(), line.name(), line.date(),
                     line.time(), &line.rec.Size, line.attrib(), line.path(), &today, &subtitle);
  PreviewPages pages;
  kiv::View view(table);
  DuplicateGroups groups;
  bool printed = false;
  RecordReading reading(of.tableName);
  auto read = [&] {
    view.next();
    return reading.found();
  };

  BatchRun run(of.module, of.progressLabel, 25, table.records());
  run.start = [&] {
    view.open();
    TellViewFailure();
    view.set(byName);
    if (!read()) return false;
    report.open();
    report.recordInto(pages.desc());
    return true;
  };
  run.step = [&](int64_t&) {
    line.rec = table.rec;
    const bool more = read();
    if (reading.failed()) return Step::Failed;
    std::optional<std::string_view> next;
    if (more) next = PrintedLine<Record>::shortName(table.rec);
    DuplicateGroups::Print p = groups.take(PrintedLine<Record>::shortName(line.rec), next);
    if (p.detail) {
      FetchDisk(line.rec);
      report.print(kDetail);
      printed = true;
    }
    if (p.separator) report.print(kSeparator);
    return more ? Step::More : Step::End;
  };
  QuickScan(table, true);
  RunEnd end = RunBatch(run);
  QuickScan(table, false);
  if (end == RunEnd::Completed) PreviewAndPrint(report, pages);
  if ((end == RunEnd::Completed || end == RunEnd::Empty) && !printed)
    kiv::message("No duplicate files were found.", "Duplicate Files Report", KIV_ICON_ASTERISK);
}

}  // namespace

void PrtDupes() {
  CatalogUse disks(Disks, DisksUseCount);
  CatalogUse files(Files, FilesUseCount);
  kiv::BindScope names;
  names.bindRecord(Files.rec);
  Disks.stream();
  Files.stream();
  QuickScan(Disks, true);
  ReportDuplicates({"TARROW.kvw$tarro047", "PRTDUPES$REPORT", "PRTDUPES$PROGRESSWINDOW", "Files",
                    "All categories"},
                   Files, Files.ByName);
  QuickScan(Disks, false);
}

void PrtDupesCat() {
  {
    CatalogUse sortFiles(SortFiles, SortFilesUseCount);
    kiv::BindScope names;
    names.bindRecord(SortFiles.rec);
    SortFiles.stream();
    ReportDuplicates({"TARROW.kvw$tarro048", "PRTDUPESCAT$REPORT", "PRTDUPESCAT$PROGRESSWINDOW",
                      "SortFiles", "Category: " + GloCategory.str()},
                     SortFiles, SortFiles.ByName);
  }
  SortFiles.remove();
  Kiv$clearerror();
}
