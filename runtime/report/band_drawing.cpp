// Drawing a band: each control of the band becomes drawing records of the page in progress, at
// the band's place, from the control's current state (properties may have moved, hidden or
// restyled it) and its USE variable shown through its picture.
#include <QImage>

#include "include/kvrun32.h"
#include "runtime/report/report_screen.h"
#include "runtime/ui/resources.h"
#include "runtime/ui/value_codec.h"

namespace kiv::report {

using ui::ControlDesc;
using ui::ControlType;
using ui::Screen;

namespace {

std::string withoutMarkers(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string clipRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

}  // namespace

void Report::drawBand(Screen& w, const ControlDesc& band, Box at) {
  for (const ControlDesc& d : band.children) drawControl(w, d, at);
}

std::string Report::shownText(Screen& w, const ControlDesc& d, const ui::Control* c) const {
  const std::string& picture = c ? c->picture : d.picture;
  if (d.pageNo) {
    // A page number that is not right-justified follows its caption without the blanks its
    // picture pads it with.
    std::string number = clipRight(ui::formatText(std::to_string(pageCount_), picture));
    if (d.justify != 'R') number.erase(0, number.find_first_not_of(' '));
    return number;
  }
  if (d.use.index) {
    size_t i = static_cast<size_t>(d.use.index);
    void* address = i <= w.use.size() ? w.use[i - 1] : nullptr;
    if (address) return clipRight(ui::formatUse(d.use, address, picture));
  }
  return withoutMarkers(c ? c->text : d.text);
}

const QImage& Report::image(const std::string& name) {
  auto it = images_.find(name);
  if (it != images_.end()) return it->second;
  std::vector<unsigned char> bytes = ui::loadImage(name);
  QImage decoded;
  if (!bytes.empty()) decoded.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
  return images_[name] = decoded;
}

void Report::drawControl(Screen& w, const ControlDesc& d, Box origin) {
  const ui::Control* c = d.feq ? w.control(d.feq) : nullptr;
  if (c ? c->hidden : d.hidden) return;
  ui::Rect pos = c ? c->position : d.at;
  DrawRecord r;
  r.feq = d.feq;
  r.at = {origin.x + pos.x, origin.y + pos.y, pos.w, pos.h};
  r.font = c ? c->font : d.font;
  if (r.font.name.empty()) r.font.name = font_.name;
  if (r.font.size <= 0) r.font.size = font_.size;
  r.justify = d.justify;
  r.color = c ? c->fg : d.fg;
  r.fill = c ? c->fill : d.fill;
  r.border = c ? c->border : d.border;
  switch (d.type) {
    case ControlType::Box:
    case ControlType::Panel:
      r.kind = DrawRecord::Kind::Rect;
      break;
    case ControlType::Line:
      r.kind = DrawRecord::Kind::Line;
      break;
    case ControlType::Ellipse:
      r.kind = DrawRecord::Kind::Ellipse;
      break;
    case ControlType::Image:
      r.kind = DrawRecord::Kind::Image;
      r.image = image(c ? c->text : d.text);
      if (r.image.isNull()) return;
      break;
    case ControlType::Region:
      return;
    case ControlType::Group: {
      // A titled frame around its own controls.
      r.kind = DrawRecord::Kind::Rect;
      r.fill = -1;
      addRecord(r);
      std::string caption = withoutMarkers(c ? c->text : d.text);
      if (!caption.empty()) {
        DrawRecord t = r;
        t.kind = DrawRecord::Kind::Text;
        t.at = {r.at.x + 60, r.at.y + 20, 0, 0};
        t.text = caption;
        addRecord(std::move(t));
      }
      for (const ControlDesc& inside : d.children) drawControl(w, inside, origin);
      return;
    }
    case ControlType::Check: {
      r.kind = DrawRecord::Kind::Text;
      bool on = c && c->choice != 0;
      r.text = std::string(on ? "[X] " : "[ ] ") + withoutMarkers(c ? c->text : d.text);
      break;
    }
    default:
      r.kind = DrawRecord::Kind::Text;
      r.text = shownText(w, d, c);
      if (r.text.empty()) return;
  }
  addRecord(std::move(r));
}

void Report::addRecord(DrawRecord r) {
  if (recording_ && r.size() > recordLimit()) {
    Kiv$rterr(523, nullptr);
    return;
  }
  page_->page->records.push_back(std::move(r));
}

}  // namespace kiv::report
