#include "runtime/report/page_paint.h"

#include <cmath>

namespace kiv::report {
namespace {

constexpr int32_t kDefaultPoints = 10;
constexpr qreal kPenWidth = 8;  // thousandths of an inch, a little over half a point
constexpr const char* kDefaultFont = "Arial";

QColor rgb(int32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QPen pen(int32_t color) {
  QPen p(color < 0 ? QColor(Qt::black) : rgb(color));
  p.setWidthF(kPenWidth);
  return p;
}

Qt::Alignment alignment(char justify) {
  switch (justify) {
    case 'R':
      return Qt::AlignRight | Qt::AlignTop;
    case 'C':
      return Qt::AlignHCenter | Qt::AlignTop;
    default:
      return Qt::AlignLeft | Qt::AlignTop;
  }
}

void paintText(QPainter& p, const DrawRecord& r) {
  p.setFont(pageFont(r.font));
  p.setPen(pen(r.color));
  int flags = static_cast<int>(alignment(r.justify)) | Qt::TextSingleLine;
  QRect at(r.at.x, r.at.y, r.at.w, r.at.h);
  if (r.at.w <= 0 || r.at.h <= 0) {
    // No area of its own: the text starts at the control's place and is not cut.
    at = QRect(r.at.x, r.at.y, 1, 1);
    flags |= Qt::TextDontClip;
  }
  p.drawText(at, flags, QString::fromStdString(r.text));
}

}  // namespace

QFont pageFont(const ui::FontDesc& font) {
  QFont f(QString::fromStdString(font.name.empty() ? kDefaultFont : font.name));
  int32_t points = font.size > 0 ? font.size : kDefaultPoints;
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 1000.0 / 72.0))));
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  return f;
}

void paintPage(QPainter& p, const RecordedPage& page) {
  p.save();
  for (const DrawRecord& r : page.records) {
    QRect at(r.at.x, r.at.y, r.at.w, r.at.h);
    switch (r.kind) {
      case DrawRecord::Kind::Text:
        paintText(p, r);
        break;
      case DrawRecord::Kind::Line:
        p.setPen(pen(r.color));
        p.drawLine(r.at.x, r.at.y, r.at.right(), r.at.bottom());
        break;
      case DrawRecord::Kind::Rect:
      case DrawRecord::Kind::Ellipse:
        p.setPen(pen(r.border));
        p.setBrush(r.fill < 0 ? QBrush(Qt::NoBrush) : QBrush(rgb(r.fill)));
        if (r.kind == DrawRecord::Kind::Rect)
          p.drawRect(at);
        else
          p.drawEllipse(at);
        p.setBrush(Qt::NoBrush);
        break;
      case DrawRecord::Kind::Image:
        if (!r.image.isNull()) p.drawImage(at, r.image);
        break;
    }
  }
  p.restore();
}

}  // namespace kiv::report
