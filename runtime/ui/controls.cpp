// Controls of an open window: their runtime state, drawing them through the platform seam,
// moving values between them and their USE variables, and their default actions.
#include "runtime/ui/controls.h"

#include <algorithm>
#include <cstring>

#include "include/kvrun32.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/properties.h"
#include "runtime/ui/resources.h"
#include "runtime/ui/value_codec.h"

namespace kiv::ui {
namespace {

std::vector<std::string> splitChoices(const std::string& from) {
  std::vector<std::string> out;
  if (from.empty()) return out;
  size_t start = 0;
  for (;;) {
    size_t bar = from.find('|', start);
    out.push_back(from.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return out;
}

std::string trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

bool isNumericType(int32_t type) { return type >= KIV_BYTE && type <= KIV_PDECIMAL; }

// The value a check box or option stands for in its USE variable.
std::string checkValue(const Control& c, bool on) {
  if (on) return c.desc.value.empty() ? "1" : c.desc.value;
  return c.desc.offValue.empty() ? "0" : c.desc.offValue;
}

std::string radioValue(const ControlDesc& radio) {
  return radio.value.empty() ? radio.text : radio.value;
}

// Numbers a text holds, for range checks.
bool numberOf(const std::string& text, double& out) {
  std::string t = trimmed(text);
  if (t.empty()) return false;
  char* end = nullptr;
  out = std::strtod(t.c_str(), &end);
  return end && *end == '\0';
}

}  // namespace

Control::Control(Screen& w, const ControlDesc& d)
    : window(w),
      desc(d),
      type(d.type),
      feq(d.feq),
      text(d.text),
      picture(d.picture),
      position(d.at),
      font(d.font),
      fg(d.fg),
      bg(d.bg),
      fill(d.fill),
      border(d.border),
      bevelOuter(d.bevelOuter),
      bevelInner(d.bevelInner),
      rangeLow(d.rangeLow),
      rangeHigh(d.rangeHigh),
      hidden(d.hidden),
      disabled(d.disabled),
      readOnly(d.readOnly),
      tip(d.tip) {
  choices = splitChoices(d.from);
  if (!d.format.empty()) {
    if (auto cols = parseListFormat(d.format)) columns = std::move(*cols);
  }
  if (type == ControlType::Check) choice = d.checked ? 1 : 0;
  if (type == ControlType::Sheet && !d.children.empty()) choice = 1;
}

void* Control::useAddress() const {
  size_t i = static_cast<size_t>(desc.use.index);
  return i >= 1 && i <= window.use.size() ? window.use[i - 1] : nullptr;
}

void createControls(Screen& w) {
  w.controls.clear();
  w.byEquate.clear();
  for (const ControlDesc* d : w.desc->allControls()) {
    if (d->feq == 0) continue;
    auto c = std::make_unique<Control>(w, *d);
    w.byEquate[d->feq] = c.get();
    w.controls.push_back(std::move(c));
  }
  for (auto& c : w.controls) {
    if (c->type == ControlType::Item || c->type == ControlType::Menu) continue;
    if (c->hasValue())
      displayValue(*c);
    else
      redraw(*c);
  }
}

void destroyControls(Screen& w) {
  w.byEquate.clear();
  w.controls.clear();
}

// The text an entry is edited as. A picture pads its value with blanks, and in an entry those
// blanks are text: a click into the field lands after them, and what is typed there falls
// outside the picture's width when the value is read back. The padding is left off; reading the
// entry pads the value again through its picture.
std::string entryText(const Control& c) {
  std::string_view text = c.shown;
  const bool isString = !c.picture.empty() && (c.picture[0] == '@' && c.picture.size() > 1 &&
                                               (c.picture[1] == 's' || c.picture[1] == 'S'));
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!isString)
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return std::string(text);
}

gui::ControlView viewOf(const Control& c) {
  gui::ControlView v;
  v.type = c.type;
  v.text = c.text;
  v.value = c.type == ControlType::Entry ? entryText(c) : c.shown;
  v.at = c.position;
  v.font = c.font;
  v.fg = c.fg;
  v.bg = c.bg;
  v.fill = c.fill;
  v.border = c.border;
  v.bevelOuter = c.bevelOuter;
  v.bevelInner = c.bevelInner;
  v.rangeLow = c.rangeLow;
  v.rangeHigh = c.rangeHigh;
  v.hidden = c.hidden;
  v.disabled = c.disabled;
  v.readOnly = c.readOnly;
  v.choice = c.choice;
  v.thumb = c.thumb;
  v.choices = c.choices;
  v.tip = c.tip;
  auto other = [&](int32_t n) {
    auto it = c.otherProperties.find(n);
    return it == c.otherProperties.end() ? std::string() : it->second;
  };
  v.message = other(prop::Message);
  if (c.type == ControlType::Image) {
    v.imageFit = std::atoi(other(prop::ImageFit).c_str());
    v.imageZoom = std::atoi(other(prop::ImageZoom).c_str());
    v.zoomFixed = (c.attributes & 1) != 0;  // property 31847
  }
  if (c.type == ControlType::Image ||
      (c.type == ControlType::Button && !c.text.empty() && c.text[0] == '~'))
    v.image = loadImage(c.text);
  if (c.type == ControlType::Button && !c.text.empty() && c.text[0] == '~') v.text.clear();
  return v;
}

void redraw(Control& c) {
  // A report's controls have no platform control: they are drawn when their band prints.
  if (!c.window.isOpen() || c.window.kind == StructureKind::Report) return;
  if (c.isList() && c.source && c.source->changes() != c.shownChanges) refillList(c);
  gui::showControl(c.window.id, c.feq, viewOf(c));
}

void refillList(Control& c) {
  if (!c.source) return;
  std::vector<gui::ListColumnView> columns;
  for (const ListColumn& col : c.columns)
    columns.push_back({col.heading, col.width * 2, col.justify, col.hasIcon});
  if (columns.empty()) columns.push_back({});
  int32_t rows = c.source->rows();
  std::vector<std::vector<std::string>> table;
  table.reserve(static_cast<size_t>(std::max(0, rows)));
  std::vector<int32_t> icons;
  bool anyIcon = false;
  for (const ListColumn& col : c.columns) anyIcon = anyIcon || col.hasIcon;
  if (anyIcon) icons.reserve(table.capacity());
  for (int32_t r = 1; r <= rows; ++r) {
    std::vector<std::string> fields = c.source->fields(r);
    std::vector<std::string> cells;
    if (c.columns.empty()) {
      cells.push_back(fields.empty() ? std::string() : formatText(fields[0], ""));
    } else {
      size_t next = 0;
      int32_t icon = 0;
      for (const ListColumn& col : c.columns) {
        size_t f = col.fieldNumber > 0 ? static_cast<size_t>(col.fieldNumber - 1) : next;
        std::string cell = f < fields.size() ? formatText(fields[f], col.picture) : std::string();
        while (!cell.empty() && cell.back() == ' ') cell.pop_back();
        cells.push_back(std::move(cell));
        next = f + 1;
        if (col.hasIcon) {
          if (next < fields.size() && icon == 0) icon = std::atoi(fields[next].c_str());
          ++next;
        }
      }
      if (anyIcon) icons.push_back(icon);
    }
    table.push_back(std::move(cells));
  }
  std::vector<std::vector<unsigned char>> images;
  if (!c.images.empty()) {
    int32_t last = c.images.rbegin()->first;
    for (int32_t i = 1; i <= last; ++i) {
      auto it = c.images.find(i);
      images.push_back(it == c.images.end() ? std::vector<unsigned char>{} : loadImage(it->second));
    }
  }
  c.shownChanges = c.source->changes();
  gui::setListRows(c.window.id, c.feq, std::move(columns), std::move(table), std::move(images),
                   std::move(icons));
}

void displayValue(Control& c) {
  if (!c.hasValue()) {
    redraw(c);
    return;
  }
  void* address = c.useAddress();
  if (!address) {
    redraw(c);
    return;
  }
  std::string text = formatUse(c.desc.use, address, c.picture);
  switch (c.type) {
    case ControlType::Check:
      c.choice = trimmed(text) == trimmed(checkValue(c, true)) ? 1 : 0;
      break;
    case ControlType::Option: {
      c.choice = 0;
      for (size_t i = 0; i < c.desc.children.size(); ++i)
        if (trimmed(radioValue(c.desc.children[i])) == trimmed(text))
          c.choice = static_cast<int32_t>(i + 1);
      break;
    }
    case ControlType::DropList:
    case ControlType::Combo: {
      c.choice = 0;
      if (isNumericType(c.desc.use.type) && c.choices.size()) {
        c.choice = std::atoi(text.c_str());
      } else {
        for (size_t i = 0; i < c.choices.size(); ++i)
          if (trimmed(c.choices[i]) == trimmed(text)) c.choice = static_cast<int32_t>(i + 1);
      }
      c.shown = text;
      break;
    }
    case ControlType::Sheet:
      c.choice = std::atoi(text.c_str());
      break;
    case ControlType::List:
      break;
    default:
      c.shown = text;
  }
  redraw(c);
}

void updateValue(Control& c) {
  if (!c.hasValue() || !c.window.isOpen()) return;
  void* address = c.useAddress();
  if (!address) return;
  gui::ControlInput in = gui::readControl(c.window.id, c.feq);
  if (!in.valid) return;
  std::string value;
  bool usePicture = true;
  switch (c.type) {
    case ControlType::Check:
      c.choice = in.choice;
      value = checkValue(c, in.choice != 0);
      usePicture = false;
      break;
    case ControlType::Option:
      c.choice = in.choice;
      if (in.choice < 1 || static_cast<size_t>(in.choice) > c.desc.children.size()) return;
      value = radioValue(c.desc.children[static_cast<size_t>(in.choice - 1)]);
      usePicture = false;
      break;
    case ControlType::DropList:
    case ControlType::Combo:
      c.choice = in.choice;
      value = isNumericType(c.desc.use.type) && c.type == ControlType::DropList
                  ? std::to_string(in.choice)
                  : in.text;
      usePicture = false;
      break;
    case ControlType::Sheet:
    case ControlType::List:
      c.choice = in.choice;
      value = std::to_string(in.choice);
      usePicture = false;
      break;
    case ControlType::Prompt:
    case ControlType::Progress:
      return;
    case ControlType::Spin: {
      // A number typed outside the spin's range is refused.
      double typed = 0;
      const bool ranged = c.desc.hasRange || c.rangeLow != 0 || c.rangeHigh != 0;
      if (ranged && numberOf(in.text, typed) && (typed < c.rangeLow || typed > c.rangeHigh)) {
        queueEvent(c.window, ev::Rejected, c.feq);
        return;
      }
      value = in.text;
      break;
    }
    default:
      value = in.text;
  }
  if (!storeUse(c.desc.use, address, usePicture ? c.picture : "", value)) {
    queueEvent(c.window, ev::Rejected, c.feq);
    return;
  }
  c.shown = usePicture ? value : c.shown;
}

bool controlAccepts(Control& c) {
  if (!c.hasValue()) return true;
  if (c.type != ControlType::Entry && c.type != ControlType::Spin && c.type != ControlType::Text &&
      c.type != ControlType::Combo)
    return true;
  gui::ControlInput in = gui::readControl(c.window.id, c.feq);
  if (!in.valid) return true;
  if (c.desc.required && trimmed(in.text).empty()) return false;
  // The contents must deformat into the variable.
  std::vector<unsigned char> scratch(std::max<uint32_t>(c.desc.use.size, 8));
  if (!storeUse(c.desc.use, scratch.data(), c.picture, in.text)) return false;
  if (c.desc.hasRange || c.type == ControlType::Spin) {
    double v = 0;
    if (!numberOf(in.text, v)) return !c.desc.hasRange;
    if (v < c.rangeLow || v > c.rangeHigh) return false;
  }
  return true;
}

void platformEvent(Screen& w, const EventRecord& e) {
  if (Control* c = e.feq ? w.control(e.feq) : nullptr) {
    if (c->isList() || c->type == ControlType::Sheet || c->type == ControlType::Option) {
      if (e.appCode() == ev::NewSelection || e.appCode() == ev::Accepted)
        c->choice = gui::readControl(w.id, c->feq).choice;
    }
  }
  queueEvent(w, e);
}

void defaultAction(Screen& w, const EventRecord& e, int32_t action) {
  if (action != 0 || e.feq == 0) return;
  Control* c = w.control(e.feq);
  if (!c) return;
  if (e.appCode() == ev::Accepted) updateValue(*c);
}

void selectControl(Screen& w, int32_t feq) {
  if (!w.control(feq)) return;
  w.selectionTarget = feq;
  gui::focusControl(w.id, feq);
  queueEvent(w, ev::Selected, feq);
}

}  // namespace kiv::ui
