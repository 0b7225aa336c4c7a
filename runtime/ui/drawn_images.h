// Images that are drawings rather than bitmaps (the report engine's recorded pages): an image
// control whose name is one of them draws it at the control's own resolution and zoom, so it is
// sharp at any size. The source is installed by the part of the runtime that makes them.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>
#include <string_view>

namespace kiv::ui {

struct DrawnImage {
  QSizeF inches;  // the drawing's own size
  // Draws the whole drawing into `target` (painter coordinates). Safe on the GUI thread for as
  // long as the object lives, whatever happens to the drawing's maker meanwhile.
  std::function<void(QPainter& painter, const QRectF& target)> paint;
};

// Gives the drawing of a name, or nothing for names that are no drawing.
using DrawnImageSource = std::function<std::optional<DrawnImage>(std::string_view name)>;
void setDrawnImageSource(DrawnImageSource source);
std::optional<DrawnImage> drawnImage(std::string_view name);

}  // namespace kiv::ui
