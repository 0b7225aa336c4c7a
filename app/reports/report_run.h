// The common pattern of the report procedures: a progress window whose timer events print the
// records in batches while the percent done is shown, Cancel, and at the end the preview of the
// recorded pages and their printing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "app/reports/preview.h"
#include "app/tables/catalog_tables.h"
#include "include/kiv/kiv.h"
#include "include/kiv/report.h"

// The percent done as a progress window shows it: processed / to process x 100 as a whole
// number, never above 100, and no longer moved once it has reached 100.
class ProgressPercent {
 public:
  explicit ProgressPercent(int64_t toProcess) : toProcess_(toProcess) {}
  // Counts `n` more processed; true when the percent shown changed.
  bool add(int64_t n);
  int32_t percent() const { return percent_; }
  // The percent text: the percent through @n3, then "% Completed".
  std::string text() const;

 private:
  int64_t toProcess_, processed_ = 0;
  int32_t percent_ = 0;
};

// What one call of a report's step did.
enum class Step { More, End, Failed };
// How a batch run ended.
enum class RunEnd { Completed, Cancelled, Empty, Failed };

struct BatchRun {
  BatchRun(const char* module, const char* progressLabel, int32_t batch, int64_t toProcess)
      : module(module), progressLabel(progressLabel), batch(batch), toProcess(toProcess) {}
  const char* module;         // the module of the progress window
  const char* progressLabel;  // "PRTDUPES$PROGRESSWINDOW"
  int32_t batch = 25;         // records a batch prints
  int64_t toProcess = 0;      // what 100% stands for (records, or bytes)
  // On the progress window's opening: opens the view and reads the first record, then opens
  // the report; false when there is nothing to report.
  std::function<bool()> start;
  // Prints the current record, reads the next and says how much it counted for.
  std::function<Step(int64_t& counted)> step;
  // Shown on the percent line when the run has gone through all records ("" leaves it).
  std::string finishedText;
};

// Reading through a report's records. After each read, `found` says whether it brought a record:
// not at the end of the table, and not after a read error, which is saved, told with warning 35
// naming the table, and remembered for `ended`.
class RecordReading {
 public:
  explicit RecordReading(std::string tableName) : tableName_(std::move(tableName)) {}
  bool found();
  // How the run ends when no record was found: failed after a read error, else at its end.
  Step ended() const { return failed_ ? Step::Failed : Step::End; }
  bool failed() const { return failed_; }

 private:
  std::string tableName_;
  bool failed_ = false;
};

// After a report's view was opened and given its filter: a failure is saved and told with
// warning 36; the report goes on over what the view gives.
void TellViewFailure();

// Runs the progress window. Each timer event prints batches until a twentieth of a second has
// passed, so that the windows stay responsive while large reports still go quickly; Cancel
// ends the run at the next event.
RunEnd RunBatch(const BatchRun& run);

// After a completed run: ends the last page, shows the preview, and prints the pages when the
// user chose to (into a PDF file the user names when the computer has no printer). A report
// that recorded no page shows nothing.
void PreviewAndPrint(kiv::Report& report, PreviewPages& pages);

// Reports printed without anyone to preview them (the command line): while a file is set, every
// report prints its recorded pages straight into that PDF file instead of showing the preview.
// What became of the last one: nothing printed yet, printed, or failed with a message.
struct StraightPrint {
  enum class Outcome { None, Printed, Failed } outcome = Outcome::None;
  std::string message;
};
void PrintStraightInto(const std::string& pdfFile);  // "" gives the preview back
StraightPrint LastStraightPrint();

// Prints a report's recorded pages: to its printer, or into a PDF file the user names when the
// computer has none. Errors are told in a message box.
void PrintRecordedPages(kiv::Report& report);

// Switches the driver's read-ahead of a table read from start to end (SEND "QUICKSCAN=on" and
// "QUICKSCAN=off"); a driver without it is no error.
void QuickScan(kiv::Table& table, bool on);
