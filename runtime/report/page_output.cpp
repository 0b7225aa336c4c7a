#include "runtime/report/page_output.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "runtime/report/page_paint.h"
#include "runtime/ui/drawn_images.h"

namespace kiv::report {
namespace {

constexpr int kPdfResolution = 1200;

QPageSize paperOf(const RecordedPage& page) {
  return QPageSize(QSizeF(page.paperWidth / 1000.0, page.paperHeight / 1000.0), QPageSize::Inch,
                   QString(), QPageSize::ExactMatch);
}

class PdfJob : public PrintJob {
 public:
  PdfJob(const std::string& path, const std::string& document)
      : writer_(QString::fromStdString(path)) {
    writer_.setResolution(kPdfResolution);
    writer_.setTitle(QString::fromStdString(document));
    writer_.setCreator("kvrun32");
    writer_.setPageMargins(QMarginsF(0, 0, 0, 0));
  }
  bool page(const RecordedPage& page) override {
    if (failed_) return false;
    if (!painter_.isActive()) {
      writer_.setPageSize(paperOf(page));
      if (!painter_.begin(&writer_)) return !(failed_ = true);
    } else {
      writer_.setPageSize(paperOf(page));
      if (!writer_.newPage()) return !(failed_ = true);
    }
    painter_.resetTransform();
    painter_.scale(kPdfResolution / 1000.0, kPdfResolution / 1000.0);
    paintPage(painter_, page);
    return true;
  }
  bool end() override {
    if (painter_.isActive() && !painter_.end()) failed_ = true;
    return !failed_;
  }

 private:
  QPdfWriter writer_;
  QPainter painter_;
  bool failed_ = false;
};

// An image control whose image name is a recorded page's name shows that page, drawn at the
// control's resolution and zoom.
[[maybe_unused]] const bool gPagesShown = [] {
  ui::setDrawnImageSource([](std::string_view name) -> std::optional<ui::DrawnImage> {
    if (name.empty() || name[0] != '*') return std::nullopt;
    PagePtr page = findPage(name);
    if (!page || page->paperWidth <= 0 || page->paperHeight <= 0) return std::nullopt;
    ui::DrawnImage d;
    d.inches = QSizeF(page->paperWidth / 1000.0, page->paperHeight / 1000.0);
    d.paint = [page](QPainter& p, const QRectF& target) {
      p.save();
      p.fillRect(target, Qt::white);
      p.setClipRect(target, Qt::IntersectClip);
      p.translate(target.topLeft());
      p.scale(target.width() / page->paperWidth, target.height() / page->paperHeight);
      paintPage(p, *page);
      p.restore();
    };
    return d;
  });
  return true;
}();

}  // namespace

PagePtr findPage(std::string_view name) { return PageRegistry::instance().find(name); }

QImage renderPage(const RecordedPage& page, double dotsPerInch) {
  if (!qGuiApp || dotsPerInch <= 0) return {};
  int w = static_cast<int>(page.paperWidth * dotsPerInch / 1000.0 + 0.5);
  int h = static_cast<int>(page.paperHeight * dotsPerInch / 1000.0 + 0.5);
  if (w <= 0 || h <= 0) return {};
  QImage image(w, h, QImage::Format_RGB32);
  image.setDotsPerMeterX(static_cast<int>(dotsPerInch / 0.0254 + 0.5));
  image.setDotsPerMeterY(static_cast<int>(dotsPerInch / 0.0254 + 0.5));
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(dotsPerInch / 1000.0, dotsPerInch / 1000.0);
  paintPage(p, page);
  return image;
}

QImage renderPage(std::string_view name, double dotsPerInch) {
  PagePtr page = findPage(name);
  return page ? renderPage(*page, dotsPerInch) : QImage();
}

bool savePageAsPng(std::string_view name, const std::string& path, double dotsPerInch) {
  QImage image = renderPage(name, dotsPerInch);
  return !image.isNull() && image.save(QString::fromStdString(path), "PNG");
}

std::unique_ptr<PrintJob> pdfJob(const std::string& path, const std::string& document) {
  return std::make_unique<PdfJob>(path, document);
}

bool savePagesAsPdf(const std::vector<std::string>& names, const std::string& path) {
  if (!qGuiApp || names.empty()) return false;
  for (const std::string& n : names)
    if (!findPage(n)) return false;
  // One page unpacked at a time: a long report is never held whole as drawing records.
  std::unique_ptr<PrintJob> job = pdfJob(path, "");
  for (const std::string& n : names) {
    PagePtr p = findPage(n);
    if (!p || !job->page(*p)) return false;
  }
  return job->end();
}

}  // namespace kiv::report
