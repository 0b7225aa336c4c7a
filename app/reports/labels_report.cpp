// Disk-ID labels and disk labels: label sheets, the labels placed across and then down the page.
#include <cstdlib>
#include <string>

#include "app/frame/frame.h"
#include "app/reports/report_run.h"
#include "app/reports/report_text.h"
#include "app/reports/report_threads.h"
#include "app/reports/reports.h"
#include "app/tables/app_warning.h"
#include "app/tables/open_table.h"
#include "include/kiv/bind.h"
#include "include/kiv/view.h"

namespace {

// Report properties: the paper's size in thousandths of an inch.
constexpr int32_t kPaperWidth = 31521, kPaperHeight = 31530;
constexpr int32_t kFontSize = 31761;

// Controls of PRINTLABELS$REPORT: the label band, its eight lines and its four frame lines.
enum : int32_t {
  kLabel = 1,
  kFirstLine = 2,
  kLineCount = 8,
  kTopBorder = 10,
  kBottomBorder = 11,
  kLeftBorder = 12,
  kRightBorder = 13
};
constexpr int32_t kIndent = 80;  // the lines' distance from the label's left and right edges

// A measure of a label layout (inches, two places) in thousandths of an inch.
int32_t Thousandths(const LabelMeasure& inches) { return (kiv::Dec(inches) * 1000).toLong(); }

// Lays the report out from the layout: the page and its margins, the label, its lines stacked
// by the font size, and its frame.
void LayOutLabels(kiv::Report& report, const LabelsRecord& layout) {
  const int32_t pageWidth = Thousandths(layout.PageWidth);
  const int32_t pageHeight = Thousandths(layout.PageHeight);
  const int32_t left = Thousandths(layout.LeftMargin), top = Thousandths(layout.TopMargin);
  const int32_t width = Thousandths(layout.LabelWidth), height = Thousandths(layout.LabelHeight);
  report.set(0, kPaperWidth, pageWidth);
  report.set(0, kPaperHeight, pageHeight);
  report.set(0, kiv::prop::X, left);
  report.set(0, kiv::prop::Y, top);
  report.set(0, kiv::prop::Width, std::max(0, pageWidth - left));
  report.set(0, kiv::prop::Height, std::max(0, pageHeight - top));
  report.setPosition(kLabel, {0, 0, width, height});

  const int32_t fontSize = layout.FontSize;
  const int32_t lineHeight = fontSize * 16;
  int32_t running = 0;
  for (int32_t i = 0; i < kLineCount; ++i) {
    const int32_t feq = kFirstLine + i;
    report.set(feq, kFontSize, fontSize);
    kiv::Position at{kIndent, std::atoi(report.get(feq, kiv::prop::Y).c_str()),
                     std::max(0, width - 2 * kIndent), lineHeight};
    if (i > 0) at.y = running;
    running = at.y + lineHeight;
    report.setPosition(feq, at);
    // A line the label has no room for is left out rather than printed over the next label.
    if (at.y + lineHeight > height)
      report.hide(feq);
    else
      report.unhide(feq);
  }

  report.setPosition(kTopBorder, {0, 0, width, 0});
  report.setPosition(kBottomBorder, {0, height, width, 0});
  report.setPosition(kLeftBorder, {0, 0, 0, height});
  report.setPosition(kRightBorder, {width, 0, 0, height});
  for (int32_t feq = kTopBorder; feq <= kRightBorder; ++feq) {
    if (layout.Borders)
      report.unhide(feq);
    else
      report.hide(feq);
  }
}

RecordHandoff<LabelsRecord> gLayouts;

void LabelsThread() { PrintLabels(gLayouts.take()); }

}  // namespace

DiskLabelLines DiskLabelText(const DisksRecord& disk) {
  DiskLabelLines l;
  l.lines[0] = "DISK# : " + Trimmed(kiv::format(disk.IdNum, "@n6"));
  l.lines[1] = "LABEL : " + disk.Label.str();
  l.lines[2] = "SER#  : " + disk.SerialNo.str();
  l.lines[3] = "#FILES: " + Trimmed(kiv::format(disk.Files, "@n13"));
  l.lines[4] = "TOTAL : " + BytesText(disk.TotalBytes) + " bytes";
  l.lines[5] = "FREE  : " + BytesText(disk.FreeSpace) + " bytes";
  l.lines[6] = "TYPE  : " + DriveTypeName(disk.Type.view());
  l.lines[7] = disk.Category.str();
  return l;
}

void PrintLabels(const LabelsRecord& layout) {
  const char* const module = "TARROW.kvw$tarro044";
  CatalogUse disks(Disks, DisksUseCount);
  CatalogUse labels(Labels, LabelsUseCount);
  kiv::BindScope names;
  names.bindRecord(Disks.rec);
  kiv::String<60> text[kLineCount];
  kiv::Report report(module, "PRINTLABELS$REPORT", &text[0], &text[1], &text[2], &text[3], &text[4],
                     &text[5], &text[6], &text[7]);
  PreviewPages pages;
  kiv::View view(Disks);

  RecordReading reading("Disks");
  auto read = [&] {
    view.next();
    return reading.found();
  };

  BatchRun run(module, "PRINTLABELS$PROGRESSWINDOW", 25, Disks.records());
  run.start = [&] {
    QuickScan(Disks, true);
    view.open();
    TellViewFailure();
    view.set(Disks.ByIdNum);
    if (!read()) return false;
    report.open();
    LayOutLabels(report, layout);
    report.recordInto(pages.desc());
    return true;
  };
  run.step = [&](int64_t&) {
    DiskLabelLines lines = DiskLabelText(Disks.rec);
    for (int32_t i = 0; i < kLineCount; ++i) text[i] = lines.lines[i];
    report.print(kLabel);
    if (read()) return Step::More;
    return reading.ended();
  };
  RunEnd end = RunBatch(run);
  QuickScan(Disks, false);
  if (end == RunEnd::Completed) PreviewAndPrint(report, pages);
}

int32_t StartPrintLabels(const LabelsRecord& layout) {
  return gLayouts.start(LabelsThread, layout);
}

void WriteIdNumbers(int32_t first, int32_t last) {
  for (int64_t n = first; n <= last; ++n) {
    TempFile.rec.Text = std::to_string(n);
    TempFile.append();
  }
}

namespace {

// The labels of the numbers in TEMPFILE (made by the caller), which goes at the end.
void PrintIdLabelsOfTempFile() {
  const char* const module = "TARROW.kvw$tarro043";
  constexpr int32_t kIdLabel = 1;
  CatalogUse temp(TempFile, TempFileUseCount);
  kiv::Long number = 0;
  kiv::Report report(module, "PRTDISKIDLABELS$REPORT", &number);
  PreviewPages pages;
  TempFile.set();
  const int64_t bytes = Kiv$FILE_BYTES(TempFile.desc());
  Kiv$clearerror();

  RecordReading reading("TempFile");
  // TEMPFILE is read in file order; the progress counts the bytes of the lines read.
  auto read = [&] {
    TempFile.next();
    return reading.found();
  };

  BatchRun run(module, "PRTDISKIDLABELS$PROGRESSWINDOW", 1000, bytes);
  run.start = [&] {
    QuickScan(TempFile, true);
    TempFile.set();
    if (!read()) return false;
    report.open();
    report.recordInto(pages.desc());
    return true;
  };
  run.step = [&](int64_t& counted) {
    counted = Kiv$FILE_BYTES(TempFile.desc()) + 1;  // the line and its end
    number = std::atoi(TempFile.rec.Text.str().c_str());
    report.print(kIdLabel);
    if (read()) return Step::More;
    return reading.ended();
  };
  RunEnd end = RunBatch(run);
  QuickScan(TempFile, false);
  if (end == RunEnd::Completed) PreviewAndPrint(report, pages);
  temp.release();
  TempFile.remove();
  Kiv$clearerror();
}

}  // namespace

void PrtDiskIdLabels() {
  GetParams();  // creates TEMPFILE and writes one line per ID number
  PrintIdLabelsOfTempFile();
}

void PrintDiskIdLabels(int32_t first, int32_t last) {
  TempFile.create();
  {
    CatalogUse temp(TempFile, TempFileUseCount);
    WriteIdNumbers(first, last);
  }
  PrintIdLabelsOfTempFile();
}
