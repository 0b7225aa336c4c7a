// Property writes and reads on windows, controls and the process-wide objects -1 and -4.
#include "runtime/ui/properties.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "include/kvrun32.h"
#include "runtime/ui/controls.h"
#include "runtime/ui/gui.h"
#include "runtime/ui/resources.h"

namespace kiv::ui {
namespace {

struct BitProperty {
  int32_t number;
  int word;  // 1 or 2
  uint32_t bit;
};

constexpr BitProperty kBitProperties[] = {
    {31843, 1, 8192}, {31845, 1, 1024}, {31847, 1, 1}, {31850, 1, 2048}, {31873, 1, 32},
    {31880, 1, 4096}, {31883, 1, 2},    {31921, 2, 1}, {31932, 2, 2},
};

const BitProperty* bitProperty(int32_t number) {
  for (const BitProperty& b : kBitProperties)
    if (b.number == number) return &b;
  return nullptr;
}

std::map<int32_t, std::string> gProcessProperties[2] KIV_GUARDED_BY_RUNTIME_LOCK;  // -1, -4
uint32_t gWindowBits[2] KIV_GUARDED_BY_RUNTIME_LOCK = {0, 0};  // attribute words of windows

int32_t number(const std::string& s) {
  return static_cast<int32_t>(std::strtol(s.c_str(), nullptr, 10));
}
bool truthy(const std::string& s) { return number(s) != 0; }

int32_t windowTypeCode(const Screen& w) {
  switch (w.kind) {
    case StructureKind::Application:
      return 100;
    case StructureKind::Mdi:
      return 101;
    case StructureKind::Window:
      return 102;
    case StructureKind::Report:
      return 103;
  }
  return 0;
}

void setWindowProperty(Screen& w, int32_t n, int32_t index, const std::string& v) {
  switch (n) {
    case prop::Text:
      w.text = v;
      gui::setWindowText(w.id, v);
      return;
    case prop::X:
    case prop::Y:
    case prop::Width:
    case prop::Height: {
      Rect r = gui::windowGeometry(w.id);
      int32_t value = number(v);
      if (n == prop::X) r.x = value;
      if (n == prop::Y) r.y = value;
      if (n == prop::Width) r.w = value;
      if (n == prop::Height) r.h = value;
      gui::setWindowGeometry(w.id, r);
      return;
    }
    case prop::Maximized:
      gui::setWindowState(w.id, truthy(v) ? gui::WindowState::Maximized : gui::WindowState::Normal);
      return;
    case prop::Iconized:
      if (truthy(v)) gui::setWindowState(w.id, gui::WindowState::Iconized);
      return;
    case prop::Timer:
      w.timer = std::max(0, number(v));
      gui::setWindowTimer(w.id, w.timer);
      return;
    case prop::StatusText:
      w.statusZones[index] = v;
      gui::setStatusText(w.id, index, v);
      return;
    case prop::MinimumSize:
      w.otherProperties[n] = v;
      gui::setMinimumSize(w.id, number(v), number(v));
      return;
    case prop::InnerWidth:
    case prop::InnerHeight:
      return;  // read only
    case prop::AlertKey: {
      // The window's alert keys, addressed by index.
      if (index < 1) index = static_cast<int32_t>(w.alertKeys.size()) + 1;
      if (static_cast<size_t>(index) > w.alertKeys.size()) w.alertKeys.resize(index, 0);
      w.alertKeys[index - 1] = static_cast<uint32_t>(number(v));
      std::vector<uint32_t> keys;
      for (uint32_t k : w.alertKeys)
        if (k) keys.push_back(k);
      gui::setAlertKeys(w.id, keys);
      return;
    }
    default:
      w.otherProperties[n] = v;
  }
}

std::string getWindowProperty(Screen& w, int32_t n, int32_t index) {
  switch (n) {
    case prop::Text:
      return w.text;
    case prop::Type:
      return std::to_string(windowTypeCode(w));
    case prop::X:
      return std::to_string(gui::windowGeometry(w.id).x);
    case prop::Y:
      return std::to_string(gui::windowGeometry(w.id).y);
    case prop::Width:
      return std::to_string(gui::windowGeometry(w.id).w);
    case prop::Height:
      return std::to_string(gui::windowGeometry(w.id).h);
    case prop::Resizable:
      return w.desc && w.desc->resizable ? "1" : "0";
    case prop::Maximized:
      return gui::windowState(w.id) == gui::WindowState::Maximized ? "1" : "0";
    case prop::Iconized:
      return gui::windowState(w.id) == gui::WindowState::Iconized ? "1" : "0";
    case prop::Timer:
      return std::to_string(w.timer);
    case prop::Handle:
      return std::to_string(gui::nativeHandle(w.id, 0));
    case prop::InnerWidth:
      return std::to_string(gui::innerSize(w.id, 0).w);
    case prop::InnerHeight:
      return std::to_string(gui::innerSize(w.id, 0).h);
    case prop::StatusText: {
      auto it = w.statusZones.find(index);
      return it == w.statusZones.end() ? std::string() : it->second;
    }
    case prop::AlertKey:
      return index >= 1 && static_cast<size_t>(index) <= w.alertKeys.size()
                 ? std::to_string(w.alertKeys[index - 1])
                 : "0";
    default: {
      auto it = w.otherProperties.find(n);
      return it == w.otherProperties.end() ? std::string() : it->second;
    }
  }
}

void setControlProperty(Control& c, int32_t n, int32_t index, const std::string& v) {
  switch (n) {
    case prop::Text:
      c.text = v;
      if (c.type == ControlType::Entry || c.type == ControlType::Text) c.shown = v;
      break;
    case prop::X:
      c.position.x = number(v);
      break;
    case prop::Y:
      c.position.y = number(v);
      break;
    case prop::Width:
      c.position.w = number(v);
      break;
    case prop::Height:
      c.position.h = number(v);
      break;
    case prop::FontName:
      c.font.name = v;
      break;
    case prop::FontSize:
      c.font.size = number(v);
      break;
    case prop::FontColor:
    case prop::TextColor:
      c.fg = number(v);
      break;
    case prop::FontStyle:
      applyFontStyle(c.font, number(v));
      break;
    case prop::RangeLow:
      c.rangeLow = number(v);
      break;
    case prop::RangeHigh:
      c.rangeHigh = number(v);
      break;
    case prop::Fill:
      c.fill = number(v);
      break;
    case prop::BorderColor:
      c.border = number(v);
      break;
    case prop::BackColor:
      c.bg = number(v);
      break;
    case prop::BevelOuter:
      c.bevelOuter = number(v);
      break;
    case prop::BevelInner:
      c.bevelInner = number(v);
      break;
    case prop::Tip:
      c.tip = v;
      break;
    case prop::Selected:
      c.choice = number(v);
      break;
    case prop::ScrollThumb:
      c.thumb = std::clamp(number(v), -1, 100);
      break;
    case prop::AlertKey: {
      c.alertKeys[index] = static_cast<uint32_t>(number(v));
      std::vector<uint32_t> keys;
      for (auto& [i, k] : c.alertKeys)
        if (k) keys.push_back(k);
      gui::setControlAlertKeys(c.window.id, c.feq, keys);
      return;
    }
    case prop::ListImage:
      c.images[index] = v;
      c.shownChanges = 0;  // the rows are drawn again with the new image
      break;
    case prop::ImageFit:
    case prop::ImageZoom:
    case prop::Message:
      c.otherProperties[n] = v;
      break;
    case prop::Type:
    case prop::Handle:
    case prop::VisibleRows:
    case prop::InnerWidth:
    case prop::InnerHeight:
      return;  // read only
    default:
      if (const BitProperty* b = bitProperty(n)) {
        if (b->word == 1)
          c.attributes = truthy(v) ? c.attributes | b->bit : c.attributes & ~b->bit;
        else
          c.attributes2 =
              static_cast<uint16_t>(truthy(v) ? c.attributes2 | b->bit : c.attributes2 & ~b->bit);
        if (c.type == ControlType::Image) redraw(c);  // 31847: how a zoomed picture is shown
        return;
      }
      c.otherProperties[n] = v;
      return;
  }
  if (n == prop::ListImage) refillList(c);
  redraw(c);
}

std::string getControlProperty(Control& c, int32_t n, int32_t index) {
  switch (n) {
    case prop::Text:
      if (c.type == ControlType::Entry || c.type == ControlType::Text ||
          c.type == ControlType::Spin) {
        gui::ControlInput in = gui::readControl(c.window.id, c.feq);
        if (in.valid) return in.text;
      }
      return c.text;
    case prop::Type:
      return std::to_string(static_cast<int32_t>(c.type));
    case prop::X:
      return std::to_string(c.position.x);
    case prop::Y:
      return std::to_string(c.position.y);
    case prop::Width:
      return std::to_string(c.position.w);
    case prop::Height:
      return std::to_string(c.position.h);
    case prop::FontName:
      return c.font.name;
    case prop::FontSize:
      return std::to_string(c.font.size);
    case prop::FontColor:
    case prop::TextColor:
      return std::to_string(c.fg);
    case prop::FontStyle:
      return std::to_string(fontStyle(c.font));
    case prop::RangeLow:
      return std::to_string(c.rangeLow);
    case prop::RangeHigh:
      return std::to_string(c.rangeHigh);
    case prop::Fill:
      return std::to_string(c.fill);
    case prop::BorderColor:
      return std::to_string(c.border);
    case prop::BackColor:
      return std::to_string(c.bg);
    case prop::BevelOuter:
      return std::to_string(c.bevelOuter);
    case prop::BevelInner:
      return std::to_string(c.bevelInner);
    case prop::Tip:
      return c.tip;
    case prop::Handle:
      return std::to_string(gui::nativeHandle(c.window.id, c.feq));
    case prop::VisibleRows:
      return std::to_string(gui::visibleRows(c.window.id, c.feq));
    case prop::InnerWidth:
      return std::to_string(gui::innerSize(c.window.id, c.feq).w);
    case prop::InnerHeight:
      return std::to_string(gui::innerSize(c.window.id, c.feq).h);
    case prop::Selected: {
      gui::ControlInput in = gui::readControl(c.window.id, c.feq);
      if (in.valid && c.isList()) c.choice = in.choice;
      return std::to_string(c.choice);
    }
    case prop::ScrollThumb: {
      gui::ControlInput in = gui::readControl(c.window.id, c.feq);
      if (in.valid && c.isList() && in.thumb >= 0) c.thumb = in.thumb;
      return std::to_string(c.thumb);
    }
    case prop::AlertKey: {
      auto it = c.alertKeys.find(index);
      return it == c.alertKeys.end() ? "0" : std::to_string(it->second);
    }
    case prop::ListImage: {
      auto it = c.images.find(index);
      return it == c.images.end() ? std::string() : it->second;
    }
    default:
      if (const BitProperty* b = bitProperty(n))
        return ((b->word == 1 ? c.attributes : c.attributes2) & b->bit) ? "1" : "0";
      auto it = c.otherProperties.find(n);
      return it == c.otherProperties.end() ? std::string() : it->second;
  }
}

std::string processInstance() {
  void* handle = dlopen(nullptr, RTLD_NOW | RTLD_NOLOAD);
  return std::to_string(reinterpret_cast<uintptr_t>(handle));
}

}  // namespace

void foldIndex(int32_t& number, int32_t& index) {
  if (index > 0 && number >= prop::FirstArray && number < prop::FirstIndexed) {
    number += index - 1;
    index = 0;
  }
}

PropertyTarget resolveProperty(int32_t feq, int32_t index, void* window, int32_t number) {
  PropertyTarget t;
  foldIndex(number, index);
  t.number = number;
  t.index = index;
  auto raw = reinterpret_cast<intptr_t>(window);
  if (raw == -1 || raw == -4) {
    t.processObject = static_cast<int32_t>(raw);
    return t;
  }
  Screen* w = nullptr;
  if (!window) {
    w = targetWindow();
  } else {
    for (Screen* s : allScreens())
      if (s == window) w = s;
  }
  if (!w || !w->isOpen()) {
    Kiv$rterr(536, nullptr);
    return t;
  }
  t.window = w;
  if (feq != 0) t.control = w->control(feq);
  return t;
}

void setProperty(int32_t feq, int32_t index, void* window, int32_t number,
                 const std::string& value) {
  PropertyTarget t = resolveProperty(feq, index, window, number);
  if (t.processObject) {
    gProcessProperties[t.processObject == -1 ? 0 : 1][t.number] = value;
    // The program's icon: every window of the program shows it.
    if (t.processObject == -4 && t.number == prop::Icon && gui::available())
      gui::setProgramIcon(loadImage(value));
    return;
  }
  if (!t.window) return;
  if (feq == 0 && t.window->behaviour &&
      t.window->behaviour->setProperty(*t.window, t.number, t.index, value))
    return;
  if (feq == 0) {
    if (const BitProperty* b = bitProperty(t.number)) {
      uint32_t& word = gWindowBits[b->word - 1];
      word = truthy(value) ? word | b->bit : word & ~b->bit;
      return;
    }
    setWindowProperty(*t.window, t.number, t.index, value);
  } else if (t.control) {
    setControlProperty(*t.control, t.number, t.index, value);
  }
}

std::string getProperty(int32_t feq, int32_t index, void* window, int32_t number) {
  PropertyTarget t = resolveProperty(feq, index, window, number);
  if (t.processObject) {
    if (t.processObject == -4 && t.number == prop::ModuleInstance) return processInstance();
    auto& props = gProcessProperties[t.processObject == -1 ? 0 : 1];
    auto it = props.find(t.number);
    return it == props.end() ? std::string() : it->second;
  }
  if (!t.window) return {};
  std::string own;
  if (feq == 0 && t.window->behaviour &&
      t.window->behaviour->getProperty(*t.window, t.number, t.index, own))
    return own;
  if (feq == 0) {
    if (const BitProperty* b = bitProperty(t.number))
      return (gWindowBits[b->word - 1] & b->bit) ? "1" : "0";
    return getWindowProperty(*t.window, t.number, t.index);
  }
  return t.control ? getControlProperty(*t.control, t.number, t.index) : std::string();
}

void applyFontStyle(FontDesc& font, int32_t style) {
  font.bold = (style & 0xFFF) >= 600;
  font.italic = (style & 0x1000) != 0;
  font.underline = (style & 0x2000) != 0;
}

int32_t fontStyle(const FontDesc& font) {
  return (font.bold ? 700 : 400) | (font.italic ? 0x1000 : 0) | (font.underline ? 0x2000 : 0);
}

uint32_t iconByName(const std::string& name) {
  // A standard icon given by its identifier: FFh 01h, then the identifier, low byte first.
  if (name.size() == 4 && static_cast<uint8_t>(name[0]) == 0xFF && name[1] == 0x01)
    return static_cast<uint8_t>(name[2]) | (uint32_t(static_cast<uint8_t>(name[3])) << 8);
  std::string n;
  for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (!n.empty() && n.back() == ' ') n.pop_back();
  if (!n.empty() && std::isdigit(static_cast<unsigned char>(n[0])))
    return static_cast<uint32_t>(std::strtoul(n.c_str(), nullptr, 0));
  if (n.find("hand") != std::string::npos || n.find("error") != std::string::npos)
    return KIV_ICON_HAND;
  if (n.find("question") != std::string::npos) return KIV_ICON_QUESTION;
  if (n.find("exclamation") != std::string::npos) return KIV_ICON_EXCLAMATION;
  if (n.find("asterisk") != std::string::npos) return KIV_ICON_ASTERISK;
  return KIV_ICON_NONE;
}

}  // namespace kiv::ui
