// Recorded pages to files and images: the preview window and the application's reports save the
// pages of a report as a PDF file and draw a page as an image. Pages are named as in the
// preview queue. Rendering needs the window system's application object (fonts).
#pragma once

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "runtime/report/page_record.h"
#include "runtime/report/printer.h"

namespace kiv::report {

// The recorded page of a queue entry, or nullptr.
PagePtr findPage(std::string_view name);

// The page drawn on white at `dotsPerInch`; a null image when the page is unknown.
QImage renderPage(const RecordedPage& page, double dotsPerInch);
QImage renderPage(std::string_view name, double dotsPerInch);
bool savePageAsPng(std::string_view name, const std::string& path, double dotsPerInch);

// Writes the pages, in order, as one PDF file; false when a page is unknown or the file cannot
// be written.
bool savePagesAsPdf(const std::vector<std::string>& names, const std::string& path);

// A print job that writes a PDF file (the "printer" of PDF files, and of tests).
std::unique_ptr<PrintJob> pdfJob(const std::string& path, const std::string& document);

}  // namespace kiv::report
