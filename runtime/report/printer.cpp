// The printer seam's Qt implementation (the platform's printing service, CUPS on Linux) and the
// process's printer set-up record.
#include "runtime/report/printer.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "runtime/report/page_paint.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/standard_commands.h"

namespace kiv::report {
namespace {

class QtPrintJob : public PrintJob {
 public:
  QtPrintJob(const std::string& printer, const std::string& document, const std::string& file)
      : printer_(QPrinter::HighResolution) {
    if (file.empty()) {
      printer_.setPrinterName(QString::fromStdString(printer));
    } else {
      printer_.setOutputFormat(QPrinter::PdfFormat);
      printer_.setOutputFileName(QString::fromStdString(file));
    }
    printer_.setDocName(QString::fromStdString(document));
    printer_.setFullPage(true);
  }
  bool page(const RecordedPage& page) override {
    if (failed_) return false;
    printer_.setPageSize(QPageSize(QSizeF(page.paperWidth / 1000.0, page.paperHeight / 1000.0),
                                   QPageSize::Inch, QString(), QPageSize::FuzzyMatch));
    if (!painter_.isActive()) {
      if (!painter_.begin(&printer_)) return !(failed_ = true);
    } else if (!printer_.newPage()) {
      return !(failed_ = true);
    }
    painter_.resetTransform();
    painter_.scale(printer_.resolution() / 1000.0, printer_.resolution() / 1000.0);
    paintPage(painter_, page);
    return true;
  }
  bool end() override {
    if (painter_.isActive() && !painter_.end()) failed_ = true;
    return !failed_ && printer_.printerState() != QPrinter::Error;
  }

 private:
  QPrinter printer_;
  QPainter painter_;
  bool failed_ = false;
};

class QtPrinters : public PrinterPlatform {
 public:
  Default defaultPrinter(std::string& name) override {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
      name = info.printerName().toStdString();
      return Default::Found;
    }
    return QPrinterInfo::availablePrinterNames().isEmpty() ? Default::NoPrinters
                                                           : Default::NoDefault;
  }
  bool exists(const std::string& name) override {
    return !QPrinterInfo::printerInfo(QString::fromStdString(name)).isNull();
  }
  std::unique_ptr<PrintJob> startJob(const std::string& printer,
                                     const std::string& document) override {
    if (!exists(printer)) return nullptr;
    return std::make_unique<QtPrintJob>(printer, document, std::string());
  }
  bool dialog(PrinterSetup& setup) override {
    if (!gui::available()) return false;
    bool chosen = false;
    std::string name = setup.printer;
    gui::run([&] {
      QPrinter printer(QPrinter::HighResolution);
      if (!name.empty()) printer.setPrinterName(QString::fromStdString(name));
      QPrintDialog dialog(&printer);
      dialog.setWindowTitle("Print Setup");
      if (dialog.exec() == QDialog::Accepted && printer.outputFormat() == QPrinter::NativeFormat) {
        name = printer.printerName().toStdString();
        chosen = !name.empty();
      }
    });
    if (chosen) {
      setup.valid = true;
      setup.printer = name;
    }
    return chosen;
  }
};

// The frame's "Print Setup" command shows the printer dialog.
[[maybe_unused]] const bool gSetupInstalled = [] {
  ui::setPrinterSetup([] { printerPlatform().dialog(printerSetup()); });
  return true;
}();

std::unique_ptr<PrinterPlatform>& current() {
  static std::unique_ptr<PrinterPlatform> platform = std::make_unique<QtPrinters>();
  return platform;
}

}  // namespace

PrinterSetup& printerSetup() {
  static PrinterSetup setup;
  return setup;
}

PrinterPlatform& printerPlatform() { return *current(); }

std::unique_ptr<PrintJob> printerFileJob(const std::string& file, const std::string& document) {
  return std::make_unique<QtPrintJob>(std::string(), document, file);
}

std::unique_ptr<PrinterPlatform> setPrinterPlatform(std::unique_ptr<PrinterPlatform> platform) {
  std::unique_ptr<PrinterPlatform> old = std::move(current());
  current() = platform ? std::move(platform) : std::make_unique<QtPrinters>();
  return old;
}

}  // namespace kiv::report
