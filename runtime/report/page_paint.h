// Painting a recorded page onto any target: the painter's coordinates must be thousandths of an
// inch on the paper (scale it by the target's dots per inch / 1000 first).
#pragma once

#include <QPainter>

#include "runtime/report/page_record.h"

namespace kiv::report {

void paintPage(QPainter& painter, const RecordedPage& page);

// A font in page units: sizes in points become thousandths of an inch, so text keeps its size
// on every target whatever its resolution.
QFont pageFont(const ui::FontDesc& font);

}  // namespace kiv::report
