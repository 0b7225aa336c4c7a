// The printer seam: what the report engine asks of the platform's printing (the default printer,
// whether a printer still exists, print jobs and the printer dialog), the Qt implementation
// behind it, and the process's printer set-up record. Tests put a printer of their own in place.
#pragma once

#include <memory>
#include <string>

#include "runtime/report/page_record.h"
#include "runtime/ui/threads.h"

namespace kiv::report {

// The process's printer set-up: filled on the first open of a report with the default printer,
// replaced by the printer dialog. Guarded by the runtime lock.
struct PrinterSetup {
  bool valid = false;
  std::string printer;  // the platform's name of the printer
};
PrinterSetup& printerSetup() KIV_REQUIRES_RUNTIME_LOCK;

// One print job: pages go to it in order; end() finishes it. False when the job failed.
class PrintJob {
 public:
  virtual ~PrintJob() = default;
  virtual bool page(const RecordedPage& page) = 0;
  virtual bool end() = 0;
};

class PrinterPlatform {
 public:
  enum class Default { Found, NoDefault, NoPrinters, Failed };
  virtual ~PrinterPlatform() = default;
  // The default printer without a dialog.
  virtual Default defaultPrinter(std::string& name) = 0;
  virtual bool exists(const std::string& name) = 0;
  // Starts a job on the printer; nullptr when it cannot start.
  virtual std::unique_ptr<PrintJob> startJob(const std::string& printer,
                                             const std::string& document) = 0;
  // Shows the printer dialog over the set-up; true when the user chose a printer.
  virtual bool dialog(PrinterSetup& setup) = 0;
};

// A job of the platform's printer support that prints into a PDF file (its "print to file").
std::unique_ptr<PrintJob> printerFileJob(const std::string& file, const std::string& document);

// The platform in use (Qt's printer support unless a test put another in place).
PrinterPlatform& printerPlatform();
// Puts a platform in place (nullptr: Qt's again) and gives back the one it replaces.
std::unique_ptr<PrinterPlatform> setPrinterPlatform(std::unique_ptr<PrinterPlatform> platform);

}  // namespace kiv::report
